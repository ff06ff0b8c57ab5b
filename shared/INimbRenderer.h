// INimbRenderer: the control interface of the renderer filter in NimbRenderer.ax, and the class ids of
// the filter and its property page. Shared by the renderer, which implements it, and the application,
// which obtains it by QueryInterface on the filter. The method order is the vtable order and must never
// change. Strings are copied during the call; no memory changes owner across it.
#pragma once

#include <oaidl.h>
#include <unknwn.h>

inline constexpr IID IID_INimbRenderer = {
    0x1393B495, 0x6FBB, 0x4EDE, {0x81, 0x47, 0xF0, 0xA0, 0xC4, 0x13, 0xB7, 0x41}};
inline constexpr CLSID CLSID_NimbRenderer = {
    0x2A1522B3, 0x5D39, 0x4357, {0x99, 0xDB, 0x75, 0xF6, 0xF2, 0x28, 0x0E, 0xC1}};
inline constexpr CLSID CLSID_NimbRendererPropertyPage = {
    0x2DE6E7F9, 0xE40A, 0x48B9, {0xA1, 0xB3, 0xD2, 0xF9, 0xE0, 0x92, 0xA5, 0x4A}};

struct INimbRenderer : public IUnknown {
  // Which virtual camera to feed: by friendly name, or by 0-based index among the virtual cameras.
  virtual HRESULT STDMETHODCALLTYPE SetDeviceName(LPCWSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDeviceIndex(int index) = 0;

  // Settings kept by the virtual camera.
  virtual HRESULT STDMETHODCALLTYPE SetOutputFormat(int width, int height, int fps, int format,
                                                    int oneSizeOnly) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetOutputFormat(int* width, int* height, int* fps, int* format,
                                                    int* oneSizeOnly) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFillMode(UINT mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFillMode(int* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMirror(BOOL on) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMirror(int* on) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFlip(BOOL on) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFlip(int* on) = 0;

  // Settings kept by the renderer: rotation by 90 degrees, digital zoom with pan.
  virtual HRESULT STDMETHODCALLTYPE SetRotate(BOOL on) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRotate(BOOL* on) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetZoom(int zoom, int panX, int panY) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetZoom(int* zoom, int* panX, int* panY) = 0;

  // Pictures pushed directly, without a graph. A stride of 0 or less means the default stride.
  virtual HRESULT STDMETHODCALLTYPE PushFrameRGB24(const BYTE* pixels, int width, int height,
                                                   int stride) = 0;
  virtual HRESULT STDMETHODCALLTYPE PushFrameRGB32(const BYTE* pixels, int width, int height,
                                                   int stride) = 0;
  virtual HRESULT STDMETHODCALLTYPE PushFrameYUY2(const BYTE* pixels, int width, int height,
                                                  int stride) = 0;
  virtual HRESULT STDMETHODCALLTYPE PushFrameNV12(const BYTE* pixels, int width, int height,
                                                  int stride) = 0;
  virtual HRESULT STDMETHODCALLTYPE PushFrameArray(VARIANT pixels, int width, int height) = 0;
  virtual HRESULT STDMETHODCALLTYPE PushScreenArea(int x, int y, int width, int height) = 0;

  virtual HRESULT STDMETHODCALLTYPE SetDriverValue64(LONGLONG value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClientCount(int* count) = 0;
  // 1 when no application reads the virtual camera (or there is none), else 0.
  virtual BOOL STDMETHODCALLTYPE IsCameraIdle() = 0;
  virtual HRESULT STDMETHODCALLTYPE TakeSnapshot(LPCWSTR path) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIdlePicture(LPCWSTR path) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFriendlyName(LPCWSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDriverParameter(int key, int value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDriverParameter(int key, int* value) = 0;
};

__CRT_UUID_DECL(INimbRenderer, 0x1393B495, 0x6FBB, 0x4EDE, 0x81, 0x47, 0xF0, 0xA0, 0xC4, 0x13, 0xB7,
                0x41)
