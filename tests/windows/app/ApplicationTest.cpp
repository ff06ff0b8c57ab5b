#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "TestSupport.h"
#include "app/core/AppPaths.h"
#include "app/core/CApplication.h"
#include "app/settings/LanguageCodes.h"
#include "app/settings/RegistryKeyPath.h"
#include "app/settings/SettingsNames.h"
#include "app/settings/StringIds.h"
#include "app/settings/XMLStrings.h"
#include "platform/win/UniqueResource.h"

namespace orvane {
namespace {

using test::UserSettingsTest;

const RegistryKeyPath kRun(HKEY_CURRENT_USER, settings::kAutostartKey);
const RegistryKeyPath kBase(HKEY_CURRENT_USER, settings::kBaseKey);

std::wstring RunEntry(const wchar_t* name) { return kRun.ReadText(name).value_or(L"<none>"); }

TEST_F(UserSettingsTest, PathsOfTheRunningProgram) {
  CApplication app;
  EXPECT_EQ(app.ProgramPath(), ProgramPath());
  EXPECT_EQ(ParentFolder(app.ProgramPath()), app.ProgramDirectory());
  EXPECT_EQ(ProgramFilePath(L"strings.xml"), app.ProgramDirectory() + L"\\strings.xml");
  EXPECT_EQ(ProgramFilePath(L"\\resource\\iconfont.ttf"), app.ProgramDirectory() + L"\\resource\\iconfont.ttf");
  EXPECT_EQ(ProgramFilePath(std::wstring(kMaxPathChars, L'n')), L"");

  ASSERT_FALSE(app.DataFolder().empty());
  EXPECT_EQ(DataFilePath(), app.DataFolder());
  EXPECT_EQ(DataFilePath(L"Orvane.rpt"), app.DataFolder() + L"\\Orvane.rpt");
  const DWORD attributes = ::GetFileAttributesW(app.DataFolder().c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A file standing where the vendor folder "Halvyn" should be, so that the data folder cannot be
// created; the real folder is moved aside for the test and put back afterwards.
class BlockedDataFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = DataFolder();
    ASSERT_FALSE(folder_.empty());
    vendor_ = ParentFolder(folder_);
    aside_ = vendor_ + L".aside";
    ASSERT_TRUE(::MoveFileW(vendor_.c_str(), aside_.c_str())) << ::GetLastError();
    UniqueHandle blocker(::CreateFileW(vendor_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(blocker);
  }
  void TearDown() override {
    ::DeleteFileW(vendor_.c_str());
    ::MoveFileW(aside_.c_str(), vendor_.c_str());
  }
  std::wstring folder_;
  std::wstring vendor_;
  std::wstring aside_;
};

TEST_F(BlockedDataFolder, KeepsItsPathSoThatWritersMeetTheFailure) {
  EXPECT_EQ(DataFolder(), folder_);
  EXPECT_EQ(DataFilePath(L"Orvane.rpt"), folder_ + L"\\Orvane.rpt");
  UniqueHandle report(::CreateFileW(DataFilePath(L"Orvane.rpt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                    nullptr));
  EXPECT_FALSE(report) << "nothing can be written where the folder should be";
}

TEST_F(UserSettingsTest, LanguageFromTheSettingOrTheUsersDefault) {
  {
    CApplication app;  // nothing stored: the user's default language, and its texts
    EXPECT_EQ(app.LanguageNumber(), LanguageNumberFromLangId(::GetUserDefaultLangID()));
    EXPECT_FALSE(kBase.HasValue(settings::kLanguage.name));  // chosen, not remembered
  }
  const DWORD german = 7;
  ::RegSetKeyValueW(HKEY_CURRENT_USER, settings::kBaseKey, settings::kLanguage.name, REG_DWORD, &german,
                    sizeof(german));
  CApplication app;
  EXPECT_EQ(app.LanguageNumber(), 7);
  EXPECT_EQ(XMLStrings::Instance().Lookup(string_ids::kMenuExit), L"Beenden");

  app.SetLanguage(kLanguageSimplifiedChinese, /*remember=*/true);
  EXPECT_EQ(kBase.Read(settings::kLanguage), 8u);
  EXPECT_EQ(XMLStrings::Instance().Lookup(string_ids::kMenuExit), L"\u9000\u51FA");
  app.SetLanguage(kLanguageEnglish, /*remember=*/false);
  EXPECT_EQ(kBase.Read(settings::kLanguage), 8u);
  EXPECT_EQ(XMLStrings::Instance().Lookup(string_ids::kMenuExit), L"Exit");
}

TEST_F(UserSettingsTest, ALanguageStoredAsTextIsNeverOverwritten) {
  const wchar_t text[] = L"de";
  ::RegSetKeyValueW(HKEY_CURRENT_USER, settings::kBaseKey, settings::kLanguage.name, REG_SZ, text, sizeof(text));
  CApplication app;
  EXPECT_EQ(app.LanguageNumber(), 0x00650064);  // its first four bytes: an unknown number, English
  EXPECT_EQ(XMLStrings::Instance().Lookup(string_ids::kMenuExit), L"Exit");
  app.SetLanguage(kLanguageSimplifiedChinese, /*remember=*/true);
  EXPECT_EQ(kBase.ReadText(settings::kLanguage.name), L"de");
  EXPECT_EQ(app.LanguageNumber(), kLanguageSimplifiedChinese);  // in effect for this run all the same
}

TEST_F(UserSettingsTest, OneOfTwoCamerasPerDeviceNames) {
  CApplication first;
  first.SetDeviceIdentity(0, 2);
  CApplication second;
  second.SetDeviceIdentity(1, 2);
  EXPECT_EQ(first.PerDeviceKeyPath(), L"Software\\Halvyn\\Orvane\\1");
  EXPECT_EQ(second.PerDeviceKeyPath(), L"Software\\Halvyn\\Orvane\\2");
  EXPECT_EQ(first.AutostartEntryName(), L"Orvane");
  EXPECT_EQ(second.AutostartEntryName(), L"Orvane #2");

  const std::wstring command = L"\"" + ProgramPath() + L"\" /silent";
  EXPECT_FALSE(second.AutostartOn());
  EXPECT_TRUE(second.SetAutostart(true));
  EXPECT_TRUE(second.AutostartOn());
  EXPECT_EQ(RunEntry(L"Orvane #2"), command);
  EXPECT_EQ(RunEntry(L"Orvane"), L"<none>");

  EXPECT_TRUE(first.SetAutostart(true));
  EXPECT_EQ(RunEntry(L"Orvane"), command);
  EXPECT_TRUE(first.SetAutostart(false));
  EXPECT_FALSE(first.AutostartOn());
  EXPECT_EQ(RunEntry(L"Orvane"), L"<none>");
  EXPECT_EQ(RunEntry(L"Orvane #2"), command);
}

TEST_F(UserSettingsTest, AutostartForAnotherProgramReadsAsOffAndIsReplaced) {
  ASSERT_EQ(kRun.WriteText(L"Orvane", L"\"C:\\Elsewhere\\Orvane.exe\" /silent"), ERROR_SUCCESS);
  CApplication app;
  EXPECT_FALSE(app.AutostartOn());
  EXPECT_TRUE(app.SetAutostart(true));
  EXPECT_EQ(RunEntry(L"Orvane"), L"\"" + ProgramPath() + L"\" /silent");

  // The path is compared without regard to case; other text around it does not matter.
  std::wstring upper = ProgramPath();
  for (wchar_t& c : upper) c = static_cast<wchar_t>(::towupper(c));
  ASSERT_EQ(kRun.WriteText(L"Orvane", L"\"" + upper + L"\" /background"), ERROR_SUCCESS);
  EXPECT_TRUE(CApplication().AutostartOn());
}

TEST_F(UserSettingsTest, AutostartIsAskedOncePerProcess) {
  CApplication app;
  EXPECT_FALSE(app.AutostartOn());
  ASSERT_EQ(kRun.WriteText(L"Orvane", L"\"" + ProgramPath() + L"\" /silent"), ERROR_SUCCESS);
  EXPECT_FALSE(app.AutostartOn());  // another tool changed the Run key: the first answer stands

  // The first call may be a change: it is compared with the Run key, not with an unread state.
  CApplication fresh;
  ASSERT_EQ(kRun.DeleteValue(L"Orvane"), ERROR_SUCCESS);
  EXPECT_TRUE(fresh.SetAutostart(true));
  EXPECT_EQ(RunEntry(L"Orvane"), L"\"" + ProgramPath() + L"\" /silent");

  // Turning off an entry that something else already removed succeeds.
  ASSERT_EQ(kRun.DeleteValue(L"Orvane"), ERROR_SUCCESS);
  EXPECT_TRUE(fresh.SetAutostart(false));
  EXPECT_FALSE(fresh.AutostartOn());
}

}  // namespace
}  // namespace orvane
