// The synthetic camera's capture pin: a CapturePin whose frames carry the test pattern, written
// directly in YUY2, NV12, RGB24 or RGB32 or encoded as JPEG for MJPG, with the camera's index,
// frame number, capture time and zoom, pan and tilt in the pattern's payload. Its property page
// chooses the format.
// Threading: FillFrame on the streaming thread (the scratch picture and the encoder belong to it);
// the rest as CapturePin.
#pragma once

#include <ocidl.h>

#include <vector>

#include "platform/dshow/CapturePin.h"
#include "tools/testcam/JpegEncoder.h"
#include "tools/testcam/formats/CameraFormat.h"
#include "tools/testcam/pattern/TestPattern.h"

namespace orvane::testcam {

class TestCamera;

class TestCameraPin : public CapturePin, public ISpecifyPropertyPages {
 public:
  using Interfaces = CapturePin::Interfaces::With<ISpecifyPropertyPages>;

  explicit TestCameraPin(TestCamera& camera);

  STDMETHODIMP GetPages(CAUUID* pages) override;

  // Makes `formats` the pin's capabilities (formats a capability cannot describe are left out).
  HRESULT Offer(const std::vector<CameraFormat>& formats);

 protected:
  HRESULT QueryInterfaceHook(REFIID iid, void** out) override;
  HRESULT FillFrame(IMediaSample* sample, FrameTiming& timing) override;

 private:
  HRESULT FillJpeg(IMediaSample* sample, const PatternPayload& payload);

  TestCamera& camera_;
  std::vector<uint8_t> picture_;  // streaming thread: the RGB24 picture behind a JPEG
  JpegEncoder jpeg_;              // streaming thread
};

}  // namespace orvane::testcam
