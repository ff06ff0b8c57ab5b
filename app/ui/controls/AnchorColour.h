// The link colours that the system's browser settings keep as text ("Anchor Color" and "Anchor Color
// Visited"): red, green and blue as three decimal numbers separated by commas. Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvane {

struct RgbColour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  friend bool operator==(const RgbColour&, const RgbColour&) = default;
};

// "r,g,b" with optional spaces or tabs around each number; every number is taken modulo 256, however
// many digits it has. Anything else (fewer or more than three numbers, an empty field, a sign, a
// letter) gives nullopt, and the caller keeps its colour.
std::optional<RgbColour> ParseAnchorColour(std::wstring_view text);

}  // namespace orvane
