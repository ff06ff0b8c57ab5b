// Encodes BGR pictures as JPEG with the Windows Imaging Component, straight into a caller's buffer
// (a media sample). Used by one thread at a time (the camera's streaming thread, with COM
// initialised); owns its imaging factory, created on first use.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <cstddef>
#include <cstdint>

#include "platform/com/ComPtr.h"

namespace orvane::testcam {

class JpegEncoder {
 public:
  // A top-down 24-bit BGR picture; `written` receives the JPEG's length. Fails (with WIC's error)
  // when the JPEG does not fit into `capacity` bytes.
  HRESULT Encode(const uint8_t* bgr, int width, int height, int stride, uint8_t* out, size_t capacity,
                 size_t& written);

 private:
  ComPtr<IWICImagingFactory> factory_;
};

}  // namespace orvane::testcam
