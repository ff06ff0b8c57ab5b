// The formats the synthetic webcam offers, as text: how tests and users configure a camera (one
// format per entry of the registry's "Formats" list) and the default list. Platform-neutral;
// functions only, any thread.
//
//   "<subtype> <width>x<height>@<fps>"        fps a number with up to three decimals ("29.97")
//   "<subtype> <width>x<height>/<interval>"   interval in 100-ns units, 0 for a format without rate
// subtype: RGB24, RGB32, YUY2, NV12 or MJPG (any case); a negative height is a top-down RGB picture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

enum class CameraSubtype { RGB24, RGB32, YUY2, NV12, MJPG };

struct CameraFormat {
  CameraSubtype subtype = CameraSubtype::YUY2;
  int32_t width = 0;
  int32_t height = 0;
  int64_t interval = 0;  // AvgTimePerFrame, 100-ns units
  friend bool operator==(const CameraFormat&, const CameraFormat&) = default;
};

// nullopt for anything else than the forms above, sizes beyond 16384, rates above 1000 fps or
// intervals above 10 s.
std::optional<CameraFormat> ParseCameraFormat(std::string_view text);

// "YUY2 640x480/333333": the exact form, which parses back to the same format.
std::string DescribeCameraFormat(const CameraFormat& format);

// What a camera offers when it is not configured: YUY2 640 x 480 at 30 fps first (the default),
// then YUY2, NV12, RGB24, RGB32 and MJPG in the common sizes.
const std::vector<CameraFormat>& DefaultCameraFormats();

}  // namespace orvane
