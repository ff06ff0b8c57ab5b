#include "tools/testcam/TestCameraPin.h"

#include <evcode.h>
#include <uuids.h>

#include <cstdlib>

#include "platform/dshow/PropertyPageBase.h"
#include "platform/win/PerformanceCounter.h"
#include "tools/testcam/TestCamIds.h"
#include "tools/testcam/TestCamera.h"
#include "tools/testcam/pattern/TestPattern.h"

namespace orvane::testcam {
namespace {

constexpr REFERENCE_TIME kDefaultInterval = 333333;
constexpr REFERENCE_TIME kSlowestInterval = 2000000;  // 5 frames per second

const GUID& SubtypeOf(CameraSubtype subtype) {
  switch (subtype) {
    case CameraSubtype::RGB24: return MEDIASUBTYPE_RGB24;
    case CameraSubtype::RGB32: return MEDIASUBTYPE_RGB32;
    case CameraSubtype::YUY2: return MEDIASUBTYPE_YUY2;
    case CameraSubtype::NV12: return MEDIASUBTYPE_NV12;
    case CameraSubtype::MJPG: return MEDIASUBTYPE_MJPG;
  }
  return GUID_NULL;
}

PatternFormat PatternFormatOf(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_RGB24) return PatternFormat::RGB24;
  if (subtype == MEDIASUBTYPE_RGB32) return PatternFormat::RGB32;
  if (subtype == MEDIASUBTYPE_YUY2) return PatternFormat::YUY2;
  if (subtype == MEDIASUBTYPE_NV12) return PatternFormat::NV12;
  if (subtype == MEDIASUBTYPE_MJPG) return PatternFormat::MJPG;
  return PatternFormat::Other;
}

}  // namespace

TestCameraPin::TestCameraPin(TestCamera& camera) : CapturePin(camera, L"Capture"), camera_(camera) {}

HRESULT TestCameraPin::Offer(const std::vector<CameraFormat>& formats) {
  std::vector<VideoCapability> capabilities;
  for (const CameraFormat& format : formats) {
    // The listed rate is the fastest; the camera also runs slower, down to 5 frames per second.
    const REFERENCE_TIME fastest = format.interval > 0 ? format.interval : kDefaultInterval;
    const REFERENCE_TIME slowest = fastest > kSlowestInterval ? fastest : kSlowestInterval;
    VideoCapability capability;
    if (SUCCEEDED(MakeVideoCapability(SubtypeOf(format.subtype), format.width, format.height, format.interval,
                                      fastest, slowest, capability))) {
      capabilities.push_back(std::move(capability));
    }
  }
  return SetCapabilities(std::move(capabilities));
}

HRESULT TestCameraPin::QueryInterfaceHook(REFIID iid, void** out) {
  if (iid == IID_ISpecifyPropertyPages && !camera_.OffersPropertyPages()) return E_NOINTERFACE;
  return CapturePin::QueryInterfaceHook(iid, out);
}

STDMETHODIMP TestCameraPin::GetPages(CAUUID* pages) { return FillPageList({&kFormatPageClsid, 1}, pages); }

HRESULT TestCameraPin::FillFrame(IMediaSample* sample, FrameTiming& timing) {
  const AM_MEDIA_TYPE& type = ConnectionType().get();
  const BITMAPINFOHEADER* header = BitmapHeaderOf(type);
  if (header == nullptr) return VFW_E_INVALIDMEDIATYPE;
  PatternPayload payload;
  payload.frameNumber = static_cast<uint32_t>(timing.frameNumber);
  payload.width = static_cast<uint16_t>(header->biWidth);
  payload.height = static_cast<uint16_t>(std::abs(header->biHeight));
  payload.format = PatternFormatOf(type.subtype);
  payload.cameraIndex = static_cast<uint8_t>(camera_.CameraIndex());
  payload.timestamp = static_cast<uint64_t>(PerformanceCounterTime());
  payload.zoom = static_cast<uint16_t>(camera_.ControlValue(CameraControl_Zoom));
  payload.pan = static_cast<int8_t>(camera_.ControlValue(CameraControl_Pan));
  payload.tilt = static_cast<int8_t>(camera_.ControlValue(CameraControl_Tilt));
  switch (FaultOf(payload.cameraIndex)) {
    case CameraFault::Fails:
      return kCameraFailed;  // the stream reports the error abort and ends
    case CameraFault::Unplugged:
      camera_.NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(camera_.AsBaseFilter()), 0);
      return S_FALSE;  // the stream ends
    case CameraFault::None:
      break;
  }
  if (type.subtype == MEDIASUBTYPE_MJPG) return FillJpeg(sample, payload);

  const VideoMediaGeometry geometry = GeometryFromMediaType(type);
  if (!geometry.ok()) return VFW_E_INVALIDMEDIATYPE;
  BYTE* data = nullptr;
  HRESULT hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  const long capacity = sample->GetSize();
  if (WriteTestPattern(geometry.frame.header, data, static_cast<size_t>(capacity), payload) !=
      PatternWriteStatus::Written) {
    return VFW_E_BUFFER_OVERFLOW;
  }
  return sample->SetActualDataLength(static_cast<long>(geometry.frame.imageSize));
}

HRESULT TestCameraPin::FillJpeg(IMediaSample* sample, const PatternPayload& payload) {
  const FrameHeader picture{FramePixelType::RGB24, payload.width, -static_cast<int32_t>(payload.height), 0};
  const CheckedFrame checked = CheckFrameGeometry(picture);
  if (!checked.ok()) return VFW_E_INVALIDMEDIATYPE;
  picture_.resize(checked.imageSize);
  if (WriteTestPattern(picture, picture_.data(), picture_.size(), payload) != PatternWriteStatus::Written) {
    return E_UNEXPECTED;
  }
  BYTE* data = nullptr;
  HRESULT hr = sample->GetPointer(&data);
  if (FAILED(hr)) return hr;
  size_t written = 0;
  hr = jpeg_.Encode(picture_.data(), payload.width, payload.height, checked.header.stride, data,
                    static_cast<size_t>(sample->GetSize()), written);
  if (FAILED(hr)) return hr;
  return sample->SetActualDataLength(static_cast<long>(written));
}

}  // namespace orvane::testcam
