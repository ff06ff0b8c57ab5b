// The running instance: which virtual camera it serves, where the program and its data live, the
// chosen language and whether the program starts with Windows.
//
// Threads: created and changed on the user-interface thread. The paths never change after
// construction, so the update thread may read them.
#pragma once

#include <string>

namespace orvane {

class CApplication {
 public:
  // The process's application object, created on first use. Creating it reads the language setting,
  // loads the string table and registers the icon font.
  static CApplication& Instance();

  CApplication();
  virtual ~CApplication();
  CApplication(const CApplication&) = delete;
  CApplication& operator=(const CApplication&) = delete;

  // Set once at start-up by the single-instance rule.
  void SetDeviceIdentity(int deviceIndex, int deviceCount);
  int DeviceIndex() const { return deviceIndex_; }
  int DeviceCount() const { return deviceCount_; }

  const std::wstring& ProgramPath() const { return programPath_; }
  const std::wstring& ProgramDirectory() const { return programDirectory_; }
  // Empty when the local application-data folder cannot be found.
  const std::wstring& DataFolder() const { return dataFolder_; }

  // This instance's per-device settings key under HKEY_CURRENT_USER.
  std::wstring PerDeviceKeyPath() const;

  // The current language number; 0 until the first SetLanguage.
  int LanguageNumber() const { return languageNumber_; }
  // Makes `number` current (storing it as `language` when `remember` is set and it changed) and
  // reloads the string table from "strings.xml" in the program directory.
  void SetLanguage(int number, bool remember);

  // The autostart entry's name in the Run key for this instance.
  std::wstring AutostartEntryName() const;
  // Whether the Run key starts this program: read once per process, then the stored answer.
  bool AutostartOn();
  // Writes or deletes the Run entry when the state changes; false when that failed (the state then
  // stays as it was).
  bool SetAutostart(bool on);

 private:
  int deviceIndex_ = 0;
  int deviceCount_ = 1;
  std::wstring programDirectory_;
  std::wstring dataFolder_;
  std::wstring programPath_;
  int languageNumber_ = 0;
  bool autostart_ = true;
  bool autostartKnown_ = false;  // whether autostart_ holds the answer of the Run key
  std::wstring iconFontPath_;    // registered as a private font; empty when that failed
};

}  // namespace orvane
