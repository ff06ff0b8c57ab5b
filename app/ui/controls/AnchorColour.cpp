#include "app/ui/controls/AnchorColour.h"

#include <array>

namespace orvane {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// One field between commas: blanks, at least one digit, blanks. The value is reduced modulo 256 digit
// by digit, so a number of any length neither overflows nor changes the result.
std::optional<uint8_t> ParseComponent(std::wstring_view field) {
  size_t at = 0;
  while (at < field.size() && IsBlank(field[at])) ++at;
  const size_t firstDigit = at;
  unsigned value = 0;
  while (at < field.size() && IsDigit(field[at])) {
    value = (value * 10 + static_cast<unsigned>(field[at] - L'0')) % 256;
    ++at;
  }
  if (at == firstDigit) return std::nullopt;
  while (at < field.size() && IsBlank(field[at])) ++at;
  if (at != field.size()) return std::nullopt;
  return static_cast<uint8_t>(value);
}

}  // namespace

std::optional<RgbColour> ParseAnchorColour(std::wstring_view text) {
  std::array<uint8_t, 3> components{};
  size_t start = 0;
  for (size_t index = 0; index < components.size(); ++index) {
    const size_t comma = text.find(L',', start);
    const bool last = index + 1 == components.size();
    // The first two fields end at a comma; the last one runs to the end and holds none.
    if (last != (comma == std::wstring_view::npos)) return std::nullopt;
    const size_t end = last ? text.size() : comma;
    const std::optional<uint8_t> component = ParseComponent(text.substr(start, end - start));
    if (!component) return std::nullopt;
    components[index] = *component;
    start = end + 1;
  }
  return RgbColour{components[0], components[1], components[2]};
}

}  // namespace orvane
