// The identifiers of every user-visible text, as they name the string elements of the language file.
// Menu resources carry identifiers of the "Menu" family as item texts (XMLStrings::TranslateMenu).
#pragma once

#include "app/settings/TextFormat.h"

namespace orvane::string_ids {

struct StringId {
  const wchar_t* name;
  ArgumentKind argument;
};

inline constexpr wchar_t kAppTitle[] = L"AppTitle";
inline constexpr wchar_t kDriverNotInstalled[] = L"S_DRV_NOT_INSTALLED";
inline constexpr wchar_t kDriverDisabled[] = L"S_DRV_DISABLED";
inline constexpr wchar_t kFoundNewVersion[] = L"FoundNewVersion";          // %s: the new version
inline constexpr wchar_t kVideoDevices[] = L"S_VIDEO_DEVICES";
inline constexpr wchar_t kVideoFiles[] = L"S_VIDEO_FILES";
inline constexpr wchar_t kVideoFormats[] = L"S_VIDEO_FORMATS";
inline constexpr wchar_t kSelectToPlay[] = L"S_SELECT_TO_PLAY";
inline constexpr wchar_t kPlayingDevice[] = L"S_PLAYING_DEVICE";           // %s: device name
inline constexpr wchar_t kTryingToPlay[] = L"S_TRYING_TO_PLAY";            // %s: device name
inline constexpr wchar_t kWaitingForDevice[] = L"S_WAITING_FOR_DEVICE";    // %s: device name
inline constexpr wchar_t kPlayingFile[] = L"S_PLAYING_FILE";               // %s: file name
inline constexpr wchar_t kDeviceRemoved[] = L"S_DEVICE_REMOVED";           // %s: device name
inline constexpr wchar_t kBeingUsed[] = L"S_BEING_USED";                   // %d: client count
inline constexpr wchar_t kMenuShow[] = L"MenuShow";
inline constexpr wchar_t kMenuHide[] = L"MenuHide";
inline constexpr wchar_t kMenuPlay[] = L"MenuPlay";
inline constexpr wchar_t kMenuStop[] = L"MenuStop";
inline constexpr wchar_t kMenuLanguage[] = L"MenuLanguage";
inline constexpr wchar_t kMenuLanguageEn[] = L"MenuLanguageEN";
inline constexpr wchar_t kMenuLanguageZhs[] = L"MenuLanguageZHS";
inline constexpr wchar_t kMenuAutoRun[] = L"MenuAutoRun";
inline constexpr wchar_t kMenuAbout[] = L"MenuAbout";
inline constexpr wchar_t kMenuExit[] = L"MenuExit";
inline constexpr wchar_t kMenuFilter[] = L"MenuFilter";
inline constexpr wchar_t kMenuPin[] = L"MenuPin";
inline constexpr wchar_t kAbout[] = L"About";
inline constexpr wchar_t kOk[] = L"OK";
inline constexpr wchar_t kHomePage[] = L"HomePage";
inline constexpr wchar_t kCopyright[] = L"Copyright";

// Every identifier the program uses: a shipped language file must hold all of them.
inline constexpr StringId kAll[] = {
    {kAppTitle, ArgumentKind::None},         {kDriverNotInstalled, ArgumentKind::None},
    {kDriverDisabled, ArgumentKind::None},   {kFoundNewVersion, ArgumentKind::Text},
    {kVideoDevices, ArgumentKind::None},     {kVideoFiles, ArgumentKind::None},
    {kVideoFormats, ArgumentKind::None},     {kSelectToPlay, ArgumentKind::None},
    {kPlayingDevice, ArgumentKind::Text},    {kTryingToPlay, ArgumentKind::Text},
    {kWaitingForDevice, ArgumentKind::Text}, {kPlayingFile, ArgumentKind::Text},
    {kDeviceRemoved, ArgumentKind::Text},    {kBeingUsed, ArgumentKind::Integer},
    {kMenuShow, ArgumentKind::None},         {kMenuHide, ArgumentKind::None},
    {kMenuPlay, ArgumentKind::None},         {kMenuStop, ArgumentKind::None},
    {kMenuLanguage, ArgumentKind::None},     {kMenuLanguageEn, ArgumentKind::None},
    {kMenuLanguageZhs, ArgumentKind::None},  {kMenuAutoRun, ArgumentKind::None},
    {kMenuAbout, ArgumentKind::None},        {kMenuExit, ArgumentKind::None},
    {kMenuFilter, ArgumentKind::None},       {kMenuPin, ArgumentKind::None},
    {kAbout, ArgumentKind::None},            {kOk, ArgumentKind::None},
    {kHomePage, ArgumentKind::None},         {kCopyright, ArgumentKind::None},
};

}  // namespace orvane::string_ids
