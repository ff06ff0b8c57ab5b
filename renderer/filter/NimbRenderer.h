// NimbRenderer: the renderer filter at the end of every graph the application builds. It accepts
// uncompressed video (RGB24, RGB32, YUY2, NV12 in VIDEOINFOHEADER or VIDEOINFOHEADER2), takes the
// frame geometry from the connection's type and from any new type a sample announces (one it would not
// connect with is refused with the sample), and hands each due sample to its CameraChannel, which
// crops, rotates and sets it into the selected virtual camera. It also answers INimbRenderer, the
// application's control interface (refused with E_FAIL while no virtual camera is selected), and
// ISpecifyPropertyPages with its property page.
//
// Threads: connection hooks on the graph's thread under FilterLock (SetMediaType also on the streaming
// thread, under FilterLock, for a sample's new type); DoRenderSample on the upstream
// streaming thread under RenderLock; INimbRenderer from any thread (the channel serialises what must
// be). Owns its CameraChannel, created and searched once with the filter.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <strmif.h>

#include "platform/dshow/RendererBase.h"
#include "renderer/filter/CameraChannel.h"
#include "shared/FrameFormat.h"
#include "shared/INimbRenderer.h"

namespace orvane {

inline constexpr wchar_t kNimbRendererName[] = L"Nimb Renderer";

class NimbRenderer : public RendererBase, public INimbRenderer, public ISpecifyPropertyPages {
 public:
  using Interfaces = RendererBase::Interfaces::With<INimbRenderer, ISpecifyPropertyPages>;

  NimbRenderer();
  ~NimbRenderer() override;

  // ISpecifyPropertyPages
  STDMETHODIMP GetPages(CAUUID* pages) override;

  // INimbRenderer, in the order of its table (NimbRendererControl.cpp).
  STDMETHODIMP SetDeviceName(LPCWSTR name) override;
  STDMETHODIMP SetDeviceIndex(int index) override;
  STDMETHODIMP SetOutputFormat(int width, int height, int fps, int format, int oneSizeOnly) override;
  STDMETHODIMP GetOutputFormat(int* width, int* height, int* fps, int* format, int* oneSizeOnly) override;
  STDMETHODIMP SetFillMode(UINT mode) override;
  STDMETHODIMP GetFillMode(int* mode) override;
  STDMETHODIMP SetMirror(BOOL on) override;
  STDMETHODIMP GetMirror(int* on) override;
  STDMETHODIMP SetFlip(BOOL on) override;
  STDMETHODIMP GetFlip(int* on) override;
  STDMETHODIMP SetRotate(BOOL on) override;
  STDMETHODIMP GetRotate(BOOL* on) override;
  STDMETHODIMP SetZoom(int zoom, int panX, int panY) override;
  STDMETHODIMP GetZoom(int* zoom, int* panX, int* panY) override;
  STDMETHODIMP PushFrameRGB24(const BYTE* pixels, int width, int height, int stride) override;
  STDMETHODIMP PushFrameRGB32(const BYTE* pixels, int width, int height, int stride) override;
  STDMETHODIMP PushFrameYUY2(const BYTE* pixels, int width, int height, int stride) override;
  STDMETHODIMP PushFrameNV12(const BYTE* pixels, int width, int height, int stride) override;
  STDMETHODIMP PushFrameArray(VARIANT pixels, int width, int height) override;
  STDMETHODIMP PushScreenArea(int x, int y, int width, int height) override;
  STDMETHODIMP SetDriverValue64(LONGLONG value) override;
  STDMETHODIMP GetClientCount(int* count) override;
  STDMETHODIMP_(BOOL) IsCameraIdle() override;
  STDMETHODIMP TakeSnapshot(LPCWSTR path) override;
  STDMETHODIMP SetIdlePicture(LPCWSTR path) override;
  STDMETHODIMP SetFriendlyName(LPCWSTR name) override;
  STDMETHODIMP SetDriverParameter(int key, int value) override;
  STDMETHODIMP GetDriverParameter(int key, int* value) override;

 protected:
  HRESULT FinalConstruct() override;
  HRESULT QueryInterfaceHook(REFIID iid, void** out) override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;

 private:
  HRESULT PushDirect(const BYTE* pixels, int width, int height, int stride, FramePixelType type);

  CameraChannel channel_;
  // The stream's geometry (stride resolved) and image size: the connection's type, or the last type a
  // sample announced; all zero until a usable type is set. Written under RenderLock by SetMediaType,
  // read by DoRenderSample under it.
  FrameHeader geometry_{};
  uint32_t imageSize_ = 0;
};

}  // namespace orvane
