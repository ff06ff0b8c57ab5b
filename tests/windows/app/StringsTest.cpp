#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "TestSupport.h"
#include "app/settings/StringIds.h"
#include "app/settings/XMLStrings.h"
#include "platform/win/UniqueResource.h"

namespace orvane {
namespace {

namespace ids = string_ids;

// The shipped language file, loaded for one language.
class ShippedStrings : public ::testing::Test {
 protected:
  void Load(const char* code) { strings_.Load(test::ProgramFolderFile(L"strings.xml"), code); }
  XMLStrings strings_;
};

TEST_F(ShippedStrings, EachLanguageShowsItsOwnTexts) {
  const struct {
    const char* code;
    const wchar_t* exit;
    const wchar_t* language;
  } cases[] = {
      {"en", L"Exit", L"Language"},
      {"zh", L"\u9000\u51FA", L"\u8BED\u8A00"},          // 退出, 语言
      {"zh-tw", L"\u7D50\u675F", L"\u8A9E\u8A00"},       // 結束, 語言
      {"ZH-TW", L"\u7D50\u675F", L"\u8A9E\u8A00"},
      {"de", L"Beenden", L"Sprache"},
      {"ko", L"Exit", L"Language"},  // no Korean in the file: English
  };
  for (const auto& c : cases) {
    Load(c.code);
    EXPECT_EQ(strings_.Lookup(ids::kMenuExit), c.exit) << c.code;
    EXPECT_EQ(strings_.Lookup(L"menulanguage"), c.language) << c.code;
    // Language names are the same in every language.
    EXPECT_EQ(strings_.Lookup(ids::kMenuLanguageZhs), L"\u7B80\u4F53\u4E2D\u6587") << c.code;
    EXPECT_EQ(strings_.Lookup(L"NoSuchIdentifier"), L"NoSuchIdentifier") << c.code;
  }
}

TEST_F(ShippedStrings, TextsWithArguments) {
  Load("zh");
  EXPECT_EQ(strings_.Format(ids::kPlayingDevice, L"USB Camera"), L"\u6B63\u5728\u64AD\u653E\uFF1AUSB Camera");
  Load("de");
  EXPECT_EQ(strings_.Format(ids::kBeingUsed, 3), L"Anwendungen, die die virtuelle Kamera nutzen: 3");
  EXPECT_EQ(strings_.Format(ids::kDeviceRemoved, std::wstring(300, L'x')).size(), 255u);
  Load("en");
  EXPECT_EQ(strings_.Format(ids::kFoundNewVersion, L"2.0.1.0"),
            L"Orvane 2.0.1.0 is available. Do you want to install the new version now?");
  EXPECT_EQ(strings_.Format(L"NoSuchIdentifier", 3), L"NoSuchIdentifier");
}

TEST_F(ShippedStrings, AMissingFileShowsIdentifiers) {
  Load("de");
  ASSERT_FALSE(strings_.IsEmpty());
  strings_.Load(test::ProgramFolderFile(L"no such strings.xml"), "de");
  EXPECT_TRUE(strings_.IsEmpty());
  EXPECT_EQ(strings_.Lookup(ids::kSelectToPlay), L"S_SELECT_TO_PLAY");
  EXPECT_EQ(strings_.Format(ids::kPlayingDevice, L"Cam"), L"S_PLAYING_DEVICE");
}

// A language file of our own in the temporary folder.
class LanguageFileOnDisk : public ::testing::Test {
 protected:
  void Write(const std::string& bytes) {
    UniqueHandle file(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  }
  test::TemporaryFile file_{L"orvane \u6D4B\u8BD5.xml"};  // a path that is not ASCII
  const std::wstring& path_ = file_.Path();
  XMLStrings strings_;
};

TEST_F(LanguageFileOnDisk, BadTranslationsFallBackToEnglish) {
  Write("\xEF\xBB\xBF<strings>"  // with a byte-order mark, under a path that is not ASCII
        "<en><S_BEING_USED>Used by %d</S_BEING_USED><OK>OK</OK><Eof>a\x1A b</Eof></en>"
        "<fr><S_BEING_USED>Utilis\xC3\xA9 par %s %n</S_BEING_USED><OK>D'accord\xFF</OK></fr>"
        "</strings>");
  strings_.Load(path_, "fr");
  EXPECT_EQ(strings_.Lookup(L"S_BEING_USED"), L"Utilis\u00E9 par %s %n");  // shown as written...
  EXPECT_EQ(strings_.Format(L"S_BEING_USED", 2), L"Used by 2");             // ...but never as a format
  EXPECT_EQ(strings_.Lookup(L"OK"), L"OK");  // not UTF-8: left out, English shown
  EXPECT_EQ(strings_.Lookup(L"Eof"), L"a\x1A b");  // read as bytes: no text-mode end of file
}

TEST_F(LanguageFileOnDisk, MalformedFileLeavesBothTablesEmpty) {
  Write("<strings><en><OK>OK</OK></en>");
  strings_.Load(path_, "en");
  EXPECT_TRUE(strings_.IsEmpty());
}

struct MenuDestroyer {
  void operator()(HMENU menu) const { ::DestroyMenu(menu); }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

std::wstring ItemText(HMENU menu, UINT position) {
  wchar_t text[64] = {};
  ::GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
  return text;
}

TEST_F(ShippedStrings, TranslateMenuReplacesIdentifiersDeepInside) {
  Load("de");
  const UniqueMenu trayMenu(::CreatePopupMenu());
  const HMENU tray = trayMenu.get();
  const HMENU language = ::CreatePopupMenu();  // owned by the tray menu once appended
  ASSERT_TRUE(tray && language);
  ::AppendMenuW(tray, MF_STRING, 1, L"MenuShow");
  ::AppendMenuW(tray, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(tray, MF_POPUP, reinterpret_cast<UINT_PTR>(language), L"MenuLanguage");
  ::AppendMenuW(tray, MF_STRING, 2, L"MenuExit");
  ::AppendMenuW(language, MF_STRING, 32799, L"MenuLanguageEN");
  ::AppendMenuW(language, MF_STRING, 32798, L"&English");  // a placeholder, not an identifier

  strings_.TranslateMenu(tray);
  EXPECT_EQ(ItemText(tray, 0), L"Fenster anzeigen");
  EXPECT_EQ(::GetMenuState(tray, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(ItemText(tray, 2), L"Sprache");
  EXPECT_EQ(::GetSubMenu(tray, 2), language);
  EXPECT_EQ(ItemText(tray, 3), L"Beenden");
  EXPECT_EQ(ItemText(language, 0), L"English");
  EXPECT_EQ(ItemText(language, 1), L"&English");
  EXPECT_EQ(::GetMenuItemID(tray, 3), 2u);  // commands are untouched
}

}  // namespace
}  // namespace orvane
