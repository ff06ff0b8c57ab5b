#include "tools/camclient/ClientOptions.h"

#include <cwchar>
#include <cwctype>

namespace orvane::camclient {
namespace {

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow.push_back(c >= 32 && c < 127 ? static_cast<char>(c) : '?');
  return narrow;
}

bool EqualNoCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return i == a.size() && b[i] == 0;
}

// A whole number within [minimum, maximum].
bool ParseInteger(const std::wstring& text, int64_t minimum, int64_t maximum, int64_t& value) {
  if (text.empty() || text.size() > 12) return false;
  int64_t parsed = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    parsed = parsed * 10 + (c - L'0');
  }
  if (parsed < minimum || parsed > maximum) return false;
  value = parsed;
  return true;
}

bool ParsePositive(const std::wstring& text, double maximum, double& value) {
  wchar_t* end = nullptr;
  const double parsed = std::wcstod(text.c_str(), &end);
  if (text.empty() || end == nullptr || *end != 0 || !(parsed > 0) || parsed > maximum) return false;
  value = parsed;
  return true;
}

// "WxH" with both sides 1..4096.
bool ParseSize(const std::wstring& text, int32_t& width, int32_t& height) {
  const size_t x = text.find_first_of(L"xX");
  int64_t w = 0, h = 0;
  if (x == std::wstring::npos || !ParseInteger(text.substr(0, x), 1, 4096, w) ||
      !ParseInteger(text.substr(x + 1), 1, 4096, h)) {
    return false;
  }
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
  return true;
}

std::optional<Orientation> ParseOrientation(const std::wstring& text) {
  if (EqualNoCase(text, L"upright")) return Orientation::Upright;
  if (EqualNoCase(text, L"mirrored")) return Orientation::Mirrored;
  if (EqualNoCase(text, L"flipped")) return Orientation::Flipped;
  if (EqualNoCase(text, L"rotated")) return Orientation::Rotated;
  return std::nullopt;
}

bool EndsWithNoCase(const std::wstring& text, const wchar_t* suffix) {
  const size_t length = std::wcslen(suffix);
  return text.size() > length && EqualNoCase(text.substr(text.size() - length), suffix);
}

}  // namespace

std::optional<FramePixelType> ParseLayout(const std::wstring& text) {
  if (EqualNoCase(text, L"YUY2")) return FramePixelType::YUY2;
  if (EqualNoCase(text, L"NV12")) return FramePixelType::NV12;
  if (EqualNoCase(text, L"RGB24")) return FramePixelType::RGB24;
  if (EqualNoCase(text, L"RGB32")) return FramePixelType::RGB32;
  return std::nullopt;
}

const char* OrientationName(Orientation orientation) {
  switch (orientation) {
    case Orientation::Upright: return "upright";
    case Orientation::Mirrored: return "mirrored";
    case Orientation::Flipped: return "flipped";
    case Orientation::Rotated: return "rotated";
  }
  return "?";
}

const char* UsageText() {
  return
      "usage: camclient list\n"
      "       camclient [read] [options]      open a video input device as a call app does and report\n"
      "       camclient produce [options]     push test pattern frames into a virtual camera\n"
      "options:\n"
      "  --device NAME|N      the device with this friendly name, or the N-th video input device (from 0);\n"
      "                       default: the first device (read), the first virtual camera (produce)\n"
      "  --size WxH           frame size (read: default the device's; produce: required)\n"
      "  --format F           YUY2, NV12, RGB24 or RGB32 (read: default the device's; produce: YUY2)\n"
      "  --fps N              frame rate (read: default the device's; produce: 30)\n"
      "  --frames N           stop after N frames\n"
      "  --seconds S          stop after S seconds (default 5 when neither is given)\n"
      "read only:\n"
      "  --verify O           every frame that carries the test pattern must show it O: upright,\n"
      "                       mirrored, flipped or rotated (180 degrees); at least one must carry it\n"
      "  --expect-scale S[xT] with --verify: the pattern appears scaled by S across and T down\n"
      "                       (T = S when omitted), within 5%\n"
      "  --save FILE          save the last frame as FILE (.bmp or .png)\n"
      "  --ready-event NAME   set the named event when the first frame arrives\n"
      "produce only:\n"
      "  --output WxH@FPS     set the virtual camera's output format first\n"
      "exit codes: 0 done, 1 bad command line, 2 failed, 3 verification failed, 4 too few frames\n";
}

ParseResult ParseClientOptions(const std::vector<std::wstring>& arguments) {
  ParseResult result;
  ClientOptions& options = result.options;
  size_t index = 0;
  if (!arguments.empty()) {
    if (EqualNoCase(arguments[0], L"list")) {
      options.mode = Mode::List;
      index = 1;
    } else if (EqualNoCase(arguments[0], L"produce")) {
      options.mode = Mode::Produce;
      index = 1;
    } else if (EqualNoCase(arguments[0], L"read")) {
      index = 1;
    }
  }
  const auto fail = [&](const std::string& error) {
    result.ok = false;
    result.error = error;
    return result;
  };
  for (; index < arguments.size(); ++index) {
    const std::wstring& name = arguments[index];
    if (index + 1 >= arguments.size()) return fail(Narrow(name) + " needs a value");
    const std::wstring& value = arguments[++index];
    const bool reading = options.mode == Mode::Read;
    const bool producing = options.mode == Mode::Produce;
    int64_t number = 0;
    if (name == L"--device" && options.mode != Mode::List) {
      options.device = value;
    } else if (name == L"--size" && options.mode != Mode::List) {
      if (!ParseSize(value, options.width, options.height)) return fail("bad size " + Narrow(value));
    } else if (name == L"--format" && options.mode != Mode::List) {
      options.format = ParseLayout(value);
      if (!options.format) return fail("unknown format " + Narrow(value));
    } else if (name == L"--fps" && options.mode != Mode::List) {
      if (!ParseInteger(value, 1, 1000, number)) return fail("bad frame rate " + Narrow(value));
      options.fps = static_cast<int32_t>(number);
    } else if (name == L"--frames" && options.mode != Mode::List) {
      if (!ParseInteger(value, 1, 100000000, number)) return fail("bad frame count " + Narrow(value));
      options.frames = number;
    } else if (name == L"--seconds" && options.mode != Mode::List) {
      if (!ParsePositive(value, 86400, options.seconds)) return fail("bad duration " + Narrow(value));
    } else if (name == L"--verify" && reading) {
      options.verify = ParseOrientation(value);
      if (!options.verify) return fail("unknown orientation " + Narrow(value));
    } else if (name == L"--expect-scale" && reading) {
      const size_t x = value.find_first_of(L"xX");
      double sx = 0, sy = 0;
      if (!ParsePositive(value.substr(0, x), 100, sx) ||
          (x != std::wstring::npos && !ParsePositive(value.substr(x + 1), 100, sy))) {
        return fail("bad scale " + Narrow(value));
      }
      options.expectScaleX = sx;
      options.expectScaleY = x == std::wstring::npos ? sx : sy;
    } else if (name == L"--save" && reading) {
      if (!EndsWithNoCase(value, L".bmp") && !EndsWithNoCase(value, L".png")) {
        return fail("--save needs a .bmp or .png file name");
      }
      options.save = value;
    } else if (name == L"--ready-event" && reading) {
      options.readyEvent = value;
    } else if (name == L"--output" && producing) {
      const size_t at = value.find(L'@');
      OutputFormat output{0, 0, 0, 0, 0};
      if (at == std::wstring::npos || !ParseSize(value.substr(0, at), output.width, output.height) ||
          !ParseInteger(value.substr(at + 1), 1, 1023, number)) {
        return fail("bad output format " + Narrow(value));
      }
      output.fps = static_cast<int32_t>(number);
      options.output = output;
    } else {
      return fail("unknown option " + Narrow(name));
    }
  }
  if (options.frames > 0 && options.seconds > 0) return fail("give --frames or --seconds, not both");
  if (options.expectScaleX && !options.verify) return fail("--expect-scale needs --verify");
  if (options.mode == Mode::Produce) {
    if (options.width == 0) return fail("produce needs --size");
    if (!options.format) options.format = FramePixelType::YUY2;
    if (options.fps == 0) options.fps = 30;
  }
  if (options.mode != Mode::List && options.frames == 0 && options.seconds == 0) options.seconds = 5;
  result.ok = true;
  return result;
}

}  // namespace orvane::camclient
