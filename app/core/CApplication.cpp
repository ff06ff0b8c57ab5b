#include "app/core/CApplication.h"

#include <windows.h>
#include <shlwapi.h>

#include "app/core/AppPaths.h"
#include "app/core/InstanceNames.h"
#include "app/core/PathRules.h"
#include "app/settings/CWinRegistry.h"
#include "app/settings/LanguageCodes.h"
#include "app/settings/RegistryKeyPath.h"
#include "app/settings/SettingsNames.h"
#include "app/settings/XMLStrings.h"

namespace orvane {

CApplication& CApplication::Instance() {
  static CApplication instance;
  return instance;
}

CApplication::CApplication() {
  programPath_ = orvane::ProgramPath();
  programDirectory_ = ParentFolder(programPath_);
  dataFolder_ = orvane::DataFolder();

  const RegistryKeyPath base(HKEY_CURRENT_USER, settings::kBaseKey);
  int language = static_cast<int>(base.Read(settings::kLanguage));
  if (language == 0) language = LanguageNumberFromLangId(::GetUserDefaultLangID());
  SetLanguage(language, /*remember=*/false);

  // The user interface draws its icons with this font's face "iconfont"; without the file the system
  // substitutes another font, which is not worth a message.
  const std::wstring font = ProgramFilePath(L"\\resource\\iconfont.ttf");
  if (!font.empty() && ::AddFontResourceExW(font.c_str(), FR_PRIVATE, nullptr) > 0) iconFontPath_ = font;
}

CApplication::~CApplication() {
  if (!iconFontPath_.empty()) ::RemoveFontResourceExW(iconFontPath_.c_str(), FR_PRIVATE, nullptr);
}

void CApplication::SetDeviceIdentity(int deviceIndex, int deviceCount) {
  deviceIndex_ = deviceIndex;
  deviceCount_ = deviceCount;
}

std::wstring CApplication::PerDeviceKeyPath() const {
  return orvane::PerDeviceKeyPath(deviceIndex_, deviceCount_);
}

void CApplication::SetLanguage(int number, bool remember) {
  if (number != languageNumber_) {
    languageNumber_ = number;
    if (remember) {
      // Created if needed; a `language` value of another size is never overwritten.
      CWinRegistry base(HKEY_CURRENT_USER, settings::kBaseKey, /*writable=*/true, /*createNow=*/true);
      base.WriteNumber(settings::kLanguage.name, static_cast<DWORD>(number));
    }
  }
  XMLStrings::Instance().Load(JoinPath(programDirectory_, L"strings.xml"), LanguageCode(languageNumber_));
}

std::wstring CApplication::AutostartEntryName() const {
  return orvane::AutostartEntryName(deviceIndex_, deviceCount_);
}

bool CApplication::AutostartOn() {
  if (!autostartKnown_) {
    CWinRegistry run(HKEY_CURRENT_USER, settings::kAutostartKey);
    std::wstring command;
    autostart_ = !programPath_.empty() && run.ReadText(AutostartEntryName().c_str(), command) &&
                 ::StrStrIW(command.c_str(), programPath_.c_str()) != nullptr;
    autostartKnown_ = true;
  }
  return autostart_;
}

bool CApplication::SetAutostart(bool on) {
  // The state must be the Run key's answer before it is compared, or a first "on" would be taken for
  // no change.
  if (on == AutostartOn()) return true;
  CWinRegistry run(HKEY_CURRENT_USER, settings::kAutostartKey, /*writable=*/true, /*createNow=*/true);
  const std::wstring name = AutostartEntryName();
  bool done = false;
  if (on) {
    done = !programPath_.empty() && run.WriteText(name.c_str(), AutostartCommand(programPath_));
  } else {
    // Gone already (another tool removed it) is as good as deleted.
    done = run.DeleteValue(name.c_str()) ||
           !RegistryKeyPath(HKEY_CURRENT_USER, settings::kAutostartKey).HasValue(name.c_str());
  }
  if (done) autostart_ = on;
  return done;
}

}  // namespace orvane
