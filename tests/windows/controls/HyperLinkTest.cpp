#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>

#include "app/ui/controls/CHyperLink.h"
#include "platform/win/RegistryKey.h"
#include "platform/win/RegistryValue.h"
#include "tests/windows/controls/ControlHost.h"
#include "tests/windows/controls/ControlsTestResources.h"

namespace orvane::testing {
namespace {

constexpr const wchar_t* kColourValues[] = {L"Anchor Color", L"Anchor Color Visited"};

// The program the link tests open, built beside this one, and the file it leaves when it has run.
std::wstring BesideThisProgram(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder + name;
}
const std::wstring kTarget = BesideThisProgram(L"link_target.exe");
const std::wstring kOpenedMarker = kTarget + L".opened";
bool TargetRan() { return ::GetFileAttributesW(kOpenedMarker.c_str()) != INVALID_FILE_ATTRIBUTES; }

SIZE TextExtent(HWND window, HFONT font, const std::wstring& text) {
  SIZE extent{};
  const WindowDC dc(window);
  const SelectedObject selected(dc.get(), font);
  ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
  return extent;
}

std::wstring TipText(const CHyperLink& link) {
  wchar_t text[256] = {};
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.hwnd = link.window();
  info.uId = 1;
  info.lpszText = text;
  ::SendMessageW(link.TooltipWindow(), TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&info));
  return text;
}

POINT CentreOf(const RECT& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

// The host dialog with a sharp font on its text statics and a link on one of them.
struct LinkScene {
  explicit LinkScene(int id = IDC_LINK) {
    if (!host.Open()) return;
    for (int text : {IDC_LINK, IDC_CENTRED_LINK, IDC_RIGHT_LINK}) {
      ::SendMessageW(host.Item(text), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    ok = link.Attach(host.Item(id));
  }
  HWND Control() const { return link.window(); }
  Pixels Printed() const { return Pixels::Printed(Control()); }
  void Click(POINT at) {
    ::SendMessageW(Control(), WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(at.x, at.y));
    ::SendMessageW(Control(), WM_LBUTTONUP, 0, ClientPoint(at.x, at.y));
  }

  UniqueFont font = SharpFont(16, FW_NORMAL);
  HostDialog host;
  CHyperLink link;
  bool ok = false;
};

// The link colours of the browser settings are the current user's: each test starts without them and
// puts back what was there.
class HyperLink : public ::testing::Test {
 protected:
  void SetUp() override {
    for (size_t i = 0; i < std::size(kColourValues); ++i) {
      saved_[i] = registry::ReadTextAt(HKEY_CURRENT_USER, CHyperLink::kSettingsKey, kColourValues[i]);
      DeleteColour(kColourValues[i]);
    }
    ::DeleteFileW(kOpenedMarker.c_str());
  }
  void TearDown() override {
    for (size_t i = 0; i < std::size(kColourValues); ++i) {
      if (saved_[i]) {
        registry::WriteTextAt(HKEY_CURRENT_USER, CHyperLink::kSettingsKey, kColourValues[i], *saved_[i]);
      } else {
        DeleteColour(kColourValues[i]);
      }
    }
    ::DeleteFileW(kOpenedMarker.c_str());
  }
  static void DeleteColour(const wchar_t* name) {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, CHyperLink::kSettingsKey, name);
  }
  static void SetColour(const wchar_t* name, const std::wstring& text) {
    ASSERT_EQ(registry::WriteTextAt(HKEY_CURRENT_USER, CHyperLink::kSettingsKey, name, text), ERROR_SUCCESS);
  }

 private:
  std::optional<std::wstring> saved_[std::size(kColourValues)];
};

TEST_F(HyperLink, InitialiseMakesTheTextALink) {
  const struct {
    int id;
    const char* alignment;
  } cases[] = {{IDC_LINK, "left"}, {IDC_CENTRED_LINK, "centre"}, {IDC_RIGHT_LINK, "right"}};
  for (const auto& c : cases) {
    LinkScene scene(c.id);
    ASSERT_TRUE(scene.ok) << c.alignment;
    const std::wstring text = TextOf(scene.Control());
    ASSERT_TRUE(scene.link.Initialise()) << c.alignment;
    EXPECT_EQ(scene.link.Label(), text) << c.alignment;
    EXPECT_EQ(scene.link.Target(), text) << c.alignment;
    EXPECT_NE(::GetWindowLongPtrW(scene.Control(), GWL_STYLE) & SS_NOTIFY, 0) << c.alignment;
    EXPECT_TRUE(scene.link.PaintsLabel()) << c.alignment;
    EXPECT_EQ(TipText(scene.link), text) << c.alignment;

    RECT client{};
    ::GetClientRect(scene.Control(), &client);
    const SIZE extent = TextExtent(scene.Control(), scene.font.get(), text);
    const LONG free = client.right - extent.cx;
    const LONG left = c.id == IDC_LINK ? 0 : c.id == IDC_CENTRED_LINK ? free / 2 : free;
    const RECT& rect = scene.link.LinkRect();
    EXPECT_EQ(rect.left, left) << c.alignment;
    EXPECT_EQ(rect.right - rect.left, extent.cx) << c.alignment;
    EXPECT_EQ(rect.top, 0) << c.alignment;
    EXPECT_EQ(rect.bottom, extent.cy) << c.alignment;

    // Painted in the link colour inside its rectangle, on the parent's background.
    const Pixels pixels = scene.Printed();
    const RECT ink = pixels.Bounds(CHyperLink::kDefaultLinkColour);
    EXPECT_GT(pixels.Count(CHyperLink::kDefaultLinkColour), 20) << c.alignment;
    EXPECT_GE(ink.left, rect.left) << c.alignment;
    EXPECT_LE(ink.right, rect.right) << c.alignment;
    EXPECT_LE(ink.bottom, rect.bottom) << c.alignment;
    EXPECT_EQ(Hex(pixels.At(c.id == IDC_RIGHT_LINK ? 0 : client.right - 1, 1)), Hex(scene.host.Background()))
        << c.alignment;
  }
}

TEST_F(HyperLink, LabelAndTargetOfTheOwner) {
  CHyperLink detached;
  EXPECT_FALSE(detached.Initialise());
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(detached.Attach(nullptr));

  LinkScene scene;
  ASSERT_TRUE(scene.ok);
  EXPECT_FALSE(scene.link.Attach(scene.host.Item(IDC_RIGHT_LINK))) << "one control per object";
  ASSERT_TRUE(scene.link.SetLabel(L"Project page"));
  ASSERT_TRUE(scene.link.SetTarget(L"https://orvane.invalid/about"));
  ASSERT_TRUE(scene.link.Initialise());
  EXPECT_EQ(scene.link.Label(), L"Project page");
  EXPECT_EQ(scene.link.Target(), L"https://orvane.invalid/about");
  EXPECT_EQ(TipText(scene.link), L"https://orvane.invalid/about");
  const RECT& rect = scene.link.LinkRect();
  EXPECT_EQ(rect.right - rect.left, TextExtent(scene.Control(), scene.font.get(), L"Project page").cx);

  ASSERT_TRUE(scene.link.SetTarget(L"https://orvane.invalid/help"));
  EXPECT_EQ(TipText(scene.link), L"https://orvane.invalid/help");
  EXPECT_FALSE(scene.link.SetTarget(nullptr));
  EXPECT_FALSE(scene.link.SetLabel(nullptr));
  EXPECT_EQ(scene.link.Target(), L"https://orvane.invalid/help");
  EXPECT_EQ(scene.link.Label(), L"Project page");
}

TEST_F(HyperLink, IconTitleFontWhenTheOwnerSetNone) {
  LinkScene scene;
  ASSERT_TRUE(scene.ok);
  const HWND bare = ::CreateWindowExW(0, WC_STATICW, L"A link without a font", WS_CHILD | WS_VISIBLE | SS_LEFT, 10,
                                      10, 300, 30, scene.host.window(), nullptr, nullptr, nullptr);
  ASSERT_NE(bare, nullptr);
  ASSERT_EQ(::SendMessageW(bare, WM_GETFONT, 0, 0), 0);
  CHyperLink link;
  ASSERT_TRUE(link.Attach(bare));
  ASSERT_TRUE(link.Initialise());
  LOGFONTW iconTitle{};
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(iconTitle), &iconTitle, 0));
  const UniqueFont font(::CreateFontIndirectW(&iconTitle));
  const SIZE extent = TextExtent(bare, font.get(), L"A link without a font");
  EXPECT_EQ(link.LinkRect().right, extent.cx);
  EXPECT_EQ(link.LinkRect().bottom, extent.cy);
  EXPECT_GT(Pixels::Printed(bare).Count(CHyperLink::kDefaultLinkColour), 20);
}

TEST_F(HyperLink, ColoursFromTheBrowserSettings) {
  const COLORREF link = CHyperLink::kDefaultLinkColour;
  const COLORREF visited = CHyperLink::kDefaultVisitedColour;
  const struct {
    std::optional<std::wstring> anchor;
    std::optional<std::wstring> anchorVisited;
    COLORREF link;
    COLORREF visited;
  } cases[] = {
      {std::nullopt, std::nullopt, link, visited},
      {L"200,0,0", L"0,120,0", RGB(200, 0, 0), RGB(0, 120, 0)},
      {L" 256, 1 ,2", L"1,2", RGB(0, 1, 2), visited},
      {L"a,b,c", L"", link, visited},
      {L"99999999999999999999999,0,0", L"0,0,0,0", RGB(255, 0, 0), visited},
  };
  for (const auto& c : cases) {
    const std::string shown = ::testing::PrintToString(c.anchor.value_or(L"(none)")) + " / " +
                              ::testing::PrintToString(c.anchorVisited.value_or(L"(none)"));
    if (c.anchor) SetColour(kColourValues[0], *c.anchor); else DeleteColour(kColourValues[0]);
    if (c.anchorVisited) SetColour(kColourValues[1], *c.anchorVisited); else DeleteColour(kColourValues[1]);
    LinkScene scene;
    ASSERT_TRUE(scene.ok);
    ASSERT_TRUE(scene.link.Initialise());
    EXPECT_EQ(Hex(scene.link.LinkColour()), Hex(c.link)) << shown;
    EXPECT_EQ(Hex(scene.link.VisitedColour()), Hex(c.visited)) << shown;
    EXPECT_GT(scene.Printed().Count(c.link), 20) << shown << ": label not in the link colour";
  }
}

TEST_F(HyperLink, ClicksAndKeysOpenTheTarget) {
  const struct {
    const char* what;
    std::function<void(LinkScene&)> act;
    bool opens;
  } cases[] = {
      {"click on the label", [](LinkScene& s) { s.Click(CentreOf(s.link.LinkRect())); }, true},
      {"click beside the label",
       [](LinkScene& s) { s.Click({s.link.LinkRect().right + 10, s.link.LinkRect().top + 2}); }, false},
      {"press on the label, release beside it",
       [](LinkScene& s) {
         const POINT on = CentreOf(s.link.LinkRect());
         ::SendMessageW(s.Control(), WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(on.x, on.y));
         ::SendMessageW(s.Control(), WM_LBUTTONUP, 0, ClientPoint(s.link.LinkRect().right + 10, on.y));
       },
       false},
      {"release without a press on it",
       [](LinkScene& s) {
         const POINT on = CentreOf(s.link.LinkRect());
         ::SendMessageW(s.Control(), WM_LBUTTONUP, 0, ClientPoint(on.x, on.y));
       },
       false},
      {"Enter", [](LinkScene& s) { ::SendMessageW(s.Control(), WM_KEYDOWN, VK_RETURN, 0); }, true},
      {"Space", [](LinkScene& s) { ::SendMessageW(s.Control(), WM_KEYDOWN, VK_SPACE, 0); }, true},
      {"another key", [](LinkScene& s) { ::SendMessageW(s.Control(), WM_KEYDOWN, 'A', 0); }, false},
  };
  for (const auto& c : cases) {
    ::DeleteFileW(kOpenedMarker.c_str());
    LinkScene scene;
    ASSERT_TRUE(scene.ok) << c.what;
    ASSERT_TRUE(scene.link.Initialise()) << c.what;
    ASSERT_TRUE(scene.link.SetTarget(kTarget.c_str())) << c.what;
    c.act(scene);
    EXPECT_EQ(scene.link.IsVisited(), c.opens) << c.what;
    EXPECT_NE(::GetCapture(), scene.Control()) << c.what;
    if (!c.opens) continue;
    EXPECT_TRUE(PumpUntil(TargetRan, 10000)) << c.what << ": the target did not run";
    const Pixels pixels = scene.Printed();
    EXPECT_GT(pixels.Count(CHyperLink::kDefaultVisitedColour), 20) << c.what;
    EXPECT_EQ(pixels.Count(CHyperLink::kDefaultLinkColour), 0) << c.what;
  }
}

TEST_F(HyperLink, EnterAndSpaceAreTheLinksInADialog) {
  LinkScene scene;
  ASSERT_TRUE(scene.ok);
  ASSERT_TRUE(scene.link.Initialise());
  for (const WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_SPACE}, WPARAM{VK_TAB}}) {
    MSG pending{scene.Control(), WM_KEYDOWN, key, 0, 0, {}};
    const LRESULT code = ::SendMessageW(scene.Control(), WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&pending));
    EXPECT_EQ((code & DLGC_WANTMESSAGE) != 0, key != VK_TAB) << key;
  }
}

TEST_F(HyperLink, ClickTakesTheFocusAndShowsIt) {
  LinkScene scene;
  ASSERT_TRUE(scene.ok);
  ASSERT_TRUE(scene.link.Initialise());
  ASSERT_TRUE(scene.link.SetTarget(L"C:\\no such folder\\nothing.orvane-test"));
  ::SetFocus(scene.host.Item(IDC_FLAT_BUTTON));
  const RECT rect = scene.link.LinkRect();
  const COLORREF background = scene.host.Background();
  EXPECT_EQ(Hex(scene.Printed().At(rect.left, rect.top)), Hex(background));
  scene.Click(CentreOf(rect));
  EXPECT_EQ(::GetFocus(), scene.Control());
  EXPECT_NE(Hex(scene.Printed().At(rect.left, rect.top)), Hex(background)) << "no focus rectangle";
  // A target the shell cannot open leaves the link as it was.
  EXPECT_FALSE(scene.link.IsVisited());
  EXPECT_FALSE(scene.link.Open());
}

TEST_F(HyperLink, UnderlineOnlyWhileHoveredWithThatStyle) {
  enum class Mouse { Away, Over, OverThenLeft, OverThenBeside, OverThenPointerGone };
  const struct {
    const char* what;
    DWORD style;
    Mouse mouse;
    bool hovered;
    bool underlined;
  } cases[] = {
      {"always underlined", 0, Mouse::Away, false, true},
      {"hover style, mouse away", CHyperLink::kUnderlineHover, Mouse::Away, false, false},
      {"hover style, mouse over", CHyperLink::kUnderlineHover, Mouse::Over, true, true},
      {"hover style, mouse left the window", CHyperLink::kUnderlineHover, Mouse::OverThenLeft, false, false},
      {"hover style, mouse beside the label", CHyperLink::kUnderlineHover, Mouse::OverThenBeside, false, false},
      {"hover style, pointer gone elsewhere", CHyperLink::kUnderlineHover, Mouse::OverThenPointerGone, false, false},
  };
  for (const auto& c : cases) {
    LinkScene scene;
    ASSERT_TRUE(scene.ok) << c.what;
    ASSERT_TRUE(scene.link.Initialise()) << c.what;
    scene.link.SetStyle(c.style);
    const RECT rect = scene.link.LinkRect();
    if (c.mouse != Mouse::Away) {
      ASSERT_TRUE(PointerAt(scene.Control(), CentreOf(rect)));
      MouseMove(scene.Control(), CentreOf(rect));
    }
    if (c.mouse == Mouse::OverThenLeft) ::SendMessageW(scene.Control(), WM_MOUSELEAVE, 0, 0);
    if (c.mouse == Mouse::OverThenBeside) MouseMove(scene.Control(), {rect.right + 10, rect.top + 2});
    if (c.mouse == Mouse::OverThenPointerGone) {
      // The system tells the link that the mouse left once it asked to be told.
      ::SetCursorPos(1000, 700);
      PumpUntil([&] { return !scene.link.IsHovered(); }, 3000);
    }
    EXPECT_EQ(scene.link.IsHovered(), c.hovered) << c.what;
    const int rows = scene.Printed().RowsCovered(CHyperLink::kDefaultLinkColour, rect, 0.9);
    if (c.underlined) {
      EXPECT_GE(rows, 1) << c.what << ": no underline";
    } else {
      EXPECT_EQ(rows, 0) << c.what << ": underlined";
    }
  }
}

TEST_F(HyperLink, DisabledLinkIsGrey) {
  LinkScene scene;
  ASSERT_TRUE(scene.ok);
  ASSERT_TRUE(scene.link.Initialise());
  ::EnableWindow(scene.Control(), FALSE);
  const Pixels pixels = scene.Printed();
  EXPECT_GT(pixels.Count(::GetSysColor(COLOR_GRAYTEXT)), 20);
  EXPECT_EQ(pixels.Count(CHyperLink::kDefaultLinkColour), 0);
}

TEST_F(HyperLink, HandCursorOverTheLabelOnly) {
  LinkScene scene;
  ASSERT_TRUE(scene.ok);
  ASSERT_TRUE(scene.link.Initialise());
  const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
  const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
  const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  const RECT rect = scene.link.LinkRect();
  ::SetCursor(arrow);
  ASSERT_TRUE(PointerAt(scene.Control(), CentreOf(rect)));
  EXPECT_EQ(::SendMessageW(scene.Control(), WM_SETCURSOR, reinterpret_cast<WPARAM>(scene.Control()), overClient), TRUE);
  EXPECT_EQ(::GetCursor(), hand);
  ::SetCursor(arrow);
  ASSERT_TRUE(PointerAt(scene.Control(), {rect.right + 10, rect.top + 2}));
  ::SendMessageW(scene.Control(), WM_SETCURSOR, reinterpret_cast<WPARAM>(scene.Control()), overClient);
  EXPECT_NE(::GetCursor(), hand);
}

TEST_F(HyperLink, ImageStaticIsALinkAsAWhole) {
  LinkScene scene(IDC_ICON_LINK);
  ASSERT_TRUE(scene.ok);
  ::SendMessageW(scene.Control(), STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_APPLICATION)), 0);
  ASSERT_TRUE(scene.link.Initialise());
  ASSERT_TRUE(scene.link.SetTarget(kTarget.c_str()));
  EXPECT_FALSE(scene.link.PaintsLabel());
  EXPECT_NE(::GetWindowLongPtrW(scene.Control(), GWL_STYLE) & SS_NOTIFY, 0);
  RECT client{};
  ::GetClientRect(scene.Control(), &client);
  EXPECT_TRUE(::EqualRect(&scene.link.LinkRect(), &client));
  // The static draws its icon as before.
  const Pixels pixels = scene.Printed();
  EXPECT_LT(pixels.Count(scene.host.Background()) + pixels.Count(RGB(255, 0, 255)), pixels.width() * pixels.height());
  scene.Click({1, 1});
  EXPECT_TRUE(scene.link.IsVisited());
  EXPECT_TRUE(PumpUntil(TargetRan, 10000));
}

TEST_F(HyperLink, TooltipGoesWithTheWindow) {
  LinkScene scene;
  ASSERT_TRUE(scene.ok);
  ASSERT_TRUE(scene.link.Initialise());
  const HWND tip = scene.link.TooltipWindow();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(::GetWindow(tip, GW_OWNER), scene.host.window());
  ::DestroyWindow(scene.Control());
  EXPECT_FALSE(::IsWindow(tip));
  EXPECT_EQ(scene.link.TooltipWindow(), nullptr);
}

}  // namespace
}  // namespace orvane::testing
