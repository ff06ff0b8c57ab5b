// Filling a localised text's one argument ("Playing %s", "Used by %d applications"). The format
// comes from the language file, which anyone can edit, so it is never handed to printf: only the
// conversion the caller's argument fits is accepted ("%s", "%ls", "%S" for a text; "%d", "%i", "%u",
// "%ld" for an integer; "%%" for a percent sign), at most once, and anything else is refused. A
// translation may leave the argument out.
// Pure, templated on the character type; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace orvane {

// The formatted result is cut to this many characters, never inside a character's encoding.
inline constexpr size_t kMaxFormattedChars = 255;

// What a text expects in its one conversion.
enum class ArgumentKind { None, Text, Integer };

namespace text_format_detail {

// Length of the conversion at format[i] (which is '%') and its kind; 0 when it is not one we accept.
template <typename Char>
size_t Conversion(std::basic_string_view<Char> format, size_t i, ArgumentKind& kind) {
  size_t j = i + 1;
  bool wide = false;
  if (j < format.size() && format[j] == Char('l')) {
    wide = true;
    ++j;
  }
  if (j >= format.size()) return 0;  // a '%' at the end
  const Char type = format[j];
  if (type == Char('s') || (!wide && type == Char('S'))) {
    kind = ArgumentKind::Text;
  } else if (type == Char('d') || type == Char('i') || type == Char('u')) {
    kind = ArgumentKind::Integer;
  } else {
    return 0;
  }
  return j + 1 - i;
}

// Cuts to `limit` code units without leaving half a character: no lone UTF-16 high surrogate, no
// incomplete UTF-8 sequence.
template <typename Char>
void CutToLimit(std::basic_string<Char>& text, size_t limit) {
  if (text.size() <= limit) return;
  size_t end = limit;
  if constexpr (sizeof(Char) == 1) {
    // Back up over continuation bytes to the lead byte of the character the cut falls in.
    size_t lead = end;
    while (lead > 0 && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80) --lead;
    end = lead;
  } else if constexpr (sizeof(Char) == 2) {
    if (end > 0) {
      const auto last = static_cast<uint16_t>(text[end - 1]);
      if (last >= 0xD800 && last <= 0xDBFF) --end;
    }
  }
  text.resize(end);
}

template <typename Char>
std::basic_string<Char> Widen(const std::string& ascii) {
  return std::basic_string<Char>(ascii.begin(), ascii.end());
}

}  // namespace text_format_detail

// The format with its argument filled in, cut to kMaxFormattedChars; nullopt when the format holds a
// conversion of another kind, more than one, or a stray '%'.
template <typename Char>
std::optional<std::basic_string<Char>> FormatLocalised(
    std::basic_string_view<Char> format,
    const std::variant<std::basic_string_view<Char>, int64_t>& argument) {
  const ArgumentKind expected =
      std::holds_alternative<int64_t>(argument) ? ArgumentKind::Integer : ArgumentKind::Text;
  std::basic_string<Char> result;
  bool filled = false;
  for (size_t i = 0; i < format.size();) {
    if (format[i] != Char('%')) {
      result += format[i++];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == Char('%')) {
      result += Char('%');
      i += 2;
      continue;
    }
    ArgumentKind kind{};
    const size_t length = text_format_detail::Conversion(format, i, kind);
    if (length == 0 || kind != expected || filled) return std::nullopt;
    if (kind == ArgumentKind::Text) {
      result += std::get<std::basic_string_view<Char>>(argument);
    } else {
      result += text_format_detail::Widen<Char>(std::to_string(std::get<int64_t>(argument)));
    }
    filled = true;
    i += length;
  }
  text_format_detail::CutToLimit(result, kMaxFormattedChars);
  return result;
}

}  // namespace orvane
