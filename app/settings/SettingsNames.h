// Where the program's per-user settings live in the registry (under HKEY_CURRENT_USER), and the name,
// type and missing-value default of every value. The one place these names are spelled.
#pragma once

#include <cstdint>

namespace orvane::settings {

// Keys. The per-device key is the base key itself with one virtual camera, else the base key and
// "\<device index + 1>" (PerDeviceKeyPath in app/core/InstanceNames.h).
inline constexpr wchar_t kBaseKey[] = L"Software\\Halvyn\\Orvane";
inline constexpr wchar_t kAutostartKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A REG_DWORD setting: its name, the number a reader uses when it is missing, and whether a read of a
// missing value creates it with that number so that it can be found and edited afterwards.
struct NumberValue {
  const wchar_t* name;
  uint32_t missing;
  bool createWhenMissing;
};

// Base key.
inline constexpr NumberValue kLanguage{L"language", 0, false};      // 0: the user's default language
inline constexpr wchar_t kDevName[] = L"dev_name";                  // REG_SZ, 1 to 50 characters count
inline constexpr wchar_t kLatestVer[] = L"latest_ver";              // REG_SZ
inline constexpr NumberValue kLatestRev{L"latest_rev", 0, false};
inline constexpr NumberValue kLatestDlRev{L"latest_dl_rev", 0, false};
inline constexpr wchar_t kLatestDlFile[] = L"latest_dl_file";      // REG_SZ, full path
inline constexpr NumberValue kSvrId{L"svr_id", 0, true};           // created by the daily trigger
inline constexpr NumberValue kLastRun{L"last_run", 0, false};      // day number, see DayNumber.h

// Per-device key.
inline constexpr wchar_t kCapFormat[] = L"cap_format";              // REG_SZ, subtype GUID with braces
inline constexpr NumberValue kCapWidth{L"cap_width", 0, true};
inline constexpr NumberValue kCapHeight{L"cap_height", 0, true};
inline constexpr NumberValue kCapFps{L"cap_fps", 0, true};
inline constexpr NumberValue kDrvWidth{L"drv_width", 0, false};
inline constexpr NumberValue kDrvHeight{L"drv_height", 0, false};
inline constexpr NumberValue kDrvFps{L"drv_fps", 25, false};
inline constexpr NumberValue kDrvFormat{L"drv_format", 0, false};
inline constexpr NumberValue kDrvOneSizeOnly{L"drv_one_size_only", 0, false};
inline constexpr NumberValue kOutputMirror{L"output_mirror", 0, false};
inline constexpr NumberValue kOutputFlip{L"output_flip", 0, false};
inline constexpr NumberValue kOutputRotate{L"output_rotate", 0, false};
inline constexpr NumberValue kOutputFillMode{L"output_fill_mode", 0, false};
inline constexpr wchar_t kVidFile[] = L"vid_file";                  // REG_SZ
inline constexpr NumberValue kVidPos{L"vid_pos", 0, false};         // whole milliseconds
inline constexpr wchar_t kLastPlayedDevice[] = L"last_played_device";  // REG_SZ

// Texts that a caller reads with a buffer of its own use at most this many bytes, terminator
// included (511 characters); a longer stored text reads as missing.
inline constexpr uint32_t kMaxTextBytes = 1024;

}  // namespace orvane::settings
