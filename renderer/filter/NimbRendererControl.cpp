// INimbRenderer: the application's control interface of the renderer, in the order of its table.
// Argument checks come first, then the device: every driver-backed method answers E_FAIL while no
// virtual camera is selected (GetClientCount S_FALSE, IsCameraIdle TRUE).
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <cstdlib>

#include "platform/com/ComBoundary.h"
#include "renderer/filter/NimbRenderer.h"
#include "renderer/filter/ScreenCapture.h"

namespace orvane {
namespace {

// The value of a successful Get, else 0, into a pointer the caller may leave null.
void StoreOrZero(int* out, HRESULT hr, int32_t value) {
  if (out != nullptr) *out = SUCCEEDED(hr) ? value : 0;
}

// A 4-byte driver setting (fill mode, mirror, flip) read into `out`, 0 when it cannot be read; the
// Get is made even when `out` is null, and its result returned.
HRESULT ReadSetting(CameraChannel& channel, VirtualCameraProperty id, int* out) {
  int32_t read = 0;
  const HRESULT hr = channel.Get(id, read);
  StoreOrZero(out, hr, read);
  return hr;
}

// Rows of a 24-bit bitmap: padded to whole 32-bit words.
int64_t BitmapStride24(int width) { return ((int64_t{width} * 24 + 31) / 32) * 4; }

// Unlocks a SAFEARRAY locked by SafeArrayLock.
class ArrayLock {
 public:
  explicit ArrayLock(SAFEARRAY* array) : array_(array), result_(::SafeArrayLock(array)) {}
  ~ArrayLock() {
    if (SUCCEEDED(result_)) ::SafeArrayUnlock(array_);
  }
  ArrayLock(const ArrayLock&) = delete;
  ArrayLock& operator=(const ArrayLock&) = delete;
  HRESULT result() const { return result_; }

 private:
  SAFEARRAY* array_;
  HRESULT result_;
};

// The bytes of a locked array's data block: every dimension's element count multiplied, times the
// element size; -1 when the product does not fit in 63 bits. An array without dimensions has none.
int64_t ArrayBytes(const SAFEARRAY& array) {
  if (array.cDims == 0) return 0;
  uint64_t bytes = array.cbElements;
  for (USHORT dimension = 0; dimension < array.cDims; ++dimension) {
    const uint64_t count = array.rgsabound[dimension].cElements;
    if (count != 0 && bytes > uint64_t{INT64_MAX} / count) return -1;
    bytes *= count;
  }
  return static_cast<int64_t>(bytes);
}

}  // namespace

STDMETHODIMP NimbRenderer::SetDeviceName(LPCWSTR name) {
  if (name == nullptr) return E_POINTER;
  return GuardComCall([&] {
    channel_.SelectByName(name);
    return S_OK;
  });
}

STDMETHODIMP NimbRenderer::SetDeviceIndex(int index) {
  return GuardComCall([&] {
    channel_.SelectByIndex(index);
    return S_OK;
  });
}

// The interface takes the format code before the one-size flag; the record keeps the driver's order.
STDMETHODIMP NimbRenderer::SetOutputFormat(int width, int height, int fps, int format, int oneSizeOnly) {
  return channel_.Set(kPropertyOutputFormat, OutputFormat{width, height, fps, oneSizeOnly, format});
}

STDMETHODIMP NimbRenderer::GetOutputFormat(int* width, int* height, int* fps, int* format, int* oneSizeOnly) {
  OutputFormat read{};
  const HRESULT hr = channel_.Get(kPropertyOutputFormat, read);
  StoreOrZero(width, hr, read.width);
  StoreOrZero(height, hr, read.height);
  StoreOrZero(fps, hr, read.fps);
  StoreOrZero(format, hr, read.format);
  StoreOrZero(oneSizeOnly, hr, read.oneSizeOnly);
  return hr;
}

STDMETHODIMP NimbRenderer::SetFillMode(UINT mode) {
  if (mode > 2) return E_FAIL;
  return channel_.Set(kPropertyFillMode, static_cast<int32_t>(mode));
}

STDMETHODIMP NimbRenderer::GetFillMode(int* mode) { return ReadSetting(channel_, kPropertyFillMode, mode); }

STDMETHODIMP NimbRenderer::SetMirror(BOOL on) { return channel_.Set(kPropertyMirror, int32_t{on}); }

STDMETHODIMP NimbRenderer::GetMirror(int* on) { return ReadSetting(channel_, kPropertyMirror, on); }

STDMETHODIMP NimbRenderer::SetFlip(BOOL on) { return channel_.Set(kPropertyFlip, int32_t{on}); }

STDMETHODIMP NimbRenderer::GetFlip(int* on) { return ReadSetting(channel_, kPropertyFlip, on); }

STDMETHODIMP NimbRenderer::SetRotate(BOOL on) {
  channel_.SetRotate(on != FALSE);
  return S_OK;
}

STDMETHODIMP NimbRenderer::GetRotate(BOOL* on) {
  if (on != nullptr) *on = channel_.Rotate() ? TRUE : FALSE;
  return S_OK;
}

// zoom 0..40 (a negative zoom fails the unsigned comparison), each pan within -zoom..+zoom.
STDMETHODIMP NimbRenderer::SetZoom(int zoom, int panX, int panY) {
  if (static_cast<uint32_t>(zoom) > 40 || std::llabs(int64_t{panX}) > zoom || std::llabs(int64_t{panY}) > zoom) {
    return E_INVALIDARG;
  }
  channel_.SetZoom(zoom, panX, panY);
  return S_OK;
}

STDMETHODIMP NimbRenderer::GetZoom(int* zoom, int* panX, int* panY) {
  int32_t z = 0, x = 0, y = 0;
  channel_.GetZoom(z, x, y);
  if (zoom != nullptr) *zoom = z;
  if (panX != nullptr) *panX = x;
  if (panY != nullptr) *panY = y;
  return S_OK;
}

HRESULT NimbRenderer::PushDirect(const BYTE* pixels, int width, int height, int stride, FramePixelType type) {
  return GuardComCall(
      [&] { return channel_.PushFrame(pixels, width, height, stride, type, SnapshotHandOff::Awaited); });
}

STDMETHODIMP NimbRenderer::PushFrameRGB24(const BYTE* pixels, int width, int height, int stride) {
  return PushDirect(pixels, width, height, stride, FramePixelType::RGB24);
}

STDMETHODIMP NimbRenderer::PushFrameRGB32(const BYTE* pixels, int width, int height, int stride) {
  return PushDirect(pixels, width, height, stride, FramePixelType::RGB32);
}

STDMETHODIMP NimbRenderer::PushFrameYUY2(const BYTE* pixels, int width, int height, int stride) {
  return PushDirect(pixels, width, height, stride, FramePixelType::YUY2);
}

STDMETHODIMP NimbRenderer::PushFrameNV12(const BYTE* pixels, int width, int height, int stride) {
  return PushDirect(pixels, width, height, stride, FramePixelType::NV12);
}

// A byte array holding a 24-bit bitmap's rows, in any number of dimensions (the bytes are the array's
// whole data block). An array too short for the picture pushes nothing and answers S_OK, as callers of
// this method expect; an array whose elements are not single bytes, or whose dimensions multiply to
// more bytes than can be counted, is refused with E_INVALIDARG.
STDMETHODIMP NimbRenderer::PushFrameArray(VARIANT pixels, int width, int height) {
  if (pixels.vt != (VT_ARRAY | VT_UI1) || pixels.parray == nullptr) return E_INVALIDARG;
  SAFEARRAY* const array = pixels.parray;
  const ArrayLock lock(array);
  if (FAILED(lock.result())) return lock.result();
  if (::SafeArrayGetElemsize(array) != 1) return E_INVALIDARG;
  const int64_t bytes = ArrayBytes(*array);
  if (bytes < 0) return E_INVALIDARG;
  // A width that no frame can have (none, or rows beyond 32 bits) is refused like any bad geometry.
  const int64_t stride = BitmapStride24(width);
  if (stride <= 0 || stride > INT32_MAX) return E_INVALIDARG;
  if (bytes < std::llabs(int64_t{height}) * stride) return S_OK;
  return PushDirect(static_cast<const BYTE*>(array->pvData), width, height, static_cast<int32_t>(stride),
                    FramePixelType::RGB24);
}

// The push's own result is not passed on: the screen copy was made, whatever the device did with it.
STDMETHODIMP NimbRenderer::PushScreenArea(int x, int y, int width, int height) {
  if (width <= 0 || height <= 0 || x < 0 || y < 0) return E_INVALIDARG;
  return GuardComCall([&] {
    ScreenCopy copy;
    const HRESULT hr = copy.Capture(x, y, width, height);
    if (FAILED(hr)) return hr;
    channel_.PushFrame(copy.pixels(), width, height, copy.stride(), FramePixelType::RGB24, SnapshotHandOff::Awaited);
    return S_OK;
  });
}

STDMETHODIMP NimbRenderer::SetDriverValue64(LONGLONG value) {
  return channel_.Set(kPropertyDriverValue64, DriverValue64Payload{value});
}

// Callers set the count to 0 before the call: a device that reports no clients leaves it alone.
STDMETHODIMP NimbRenderer::GetClientCount(int* count) {
  if (!channel_.HasCamera()) return S_FALSE;
  if (count == nullptr) return E_POINTER;
  int32_t read = 0;
  const HRESULT hr = channel_.Get(kPropertyClientCount, read);
  if (SUCCEEDED(hr) && read != 0) {
    *count = read;
    return S_OK;
  }
  return hr;
}

STDMETHODIMP_(BOOL) NimbRenderer::IsCameraIdle() {
  int32_t read = 0;
  const HRESULT hr = channel_.Get(kPropertyClientCount, read);
  return FAILED(hr) || read == 0 ? TRUE : FALSE;
}

STDMETHODIMP NimbRenderer::TakeSnapshot(LPCWSTR path) {
  if (path == nullptr) return E_FAIL;
  return GuardComCall([&] {
    channel_.RequestSnapshot(path);
    return S_OK;
  });
}

// Too long a path is refused rather than cut: the device would show another file, or none.
STDMETHODIMP NimbRenderer::SetIdlePicture(LPCWSTR path) {
  IdlePicturePayload payload;
  if (!MakeIdlePicturePayload(payload, path)) return E_INVALIDARG;
  return channel_.SetShared(kPropertyIdlePicture, payload);
}

STDMETHODIMP NimbRenderer::SetFriendlyName(LPCWSTR name) { return channel_.SetFriendlyName(name); }

STDMETHODIMP NimbRenderer::SetDriverParameter(int key, int value) {
  return channel_.SetShared(kPropertyDriverParameter, DriverParameterPayload{key, value});
}

// The key travels in bytes 0..3 of the buffer, where a device that takes no instance data finds it;
// the value comes back in bytes 4..7.
STDMETHODIMP NimbRenderer::GetDriverParameter(int key, int* value) {
  if (value == nullptr) return E_INVALIDARG;
  DriverParameterPayload payload{key, 0};
  const HRESULT hr = channel_.Get(kPropertyDriverParameter, payload);
  if (SUCCEEDED(hr)) *value = payload.value;
  return hr;
}

}  // namespace orvane
