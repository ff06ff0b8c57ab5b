#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <climits>
#include <functional>
#include <memory>
#include <thread>

#include "app/ui/controls/CButtonST.h"
#include "tests/windows/controls/ControlHost.h"
#include "tests/windows/controls/ControlsTestResources.h"

namespace orvane::testing {
namespace {

constexpr COLORREF kTextHover = RGB(200, 0, 0);
constexpr COLORREF kTextPressed = RGB(0, 150, 0);
constexpr COLORREF kTextNormal = RGB(0, 0, 160);
// Enough pixels of a colour to be the glyph, not a stray edge.
constexpr int kGlyphPixels = 30;

// The host dialog with the glyph font on its buttons and a glyph button on one of them, with text
// colours that tell the states apart.
struct Scene {
  explicit Scene(int buttonId = IDC_FLAT_BUTTON) {
    if (!host.Open()) return;
    for (int id : {IDC_FLAT_BUTTON, IDC_DEFAULT_BUTTON, IDC_PLAIN_BUTTON}) {
      ::SendMessageW(host.Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    if (!button.Attach(host.Item(buttonId))) return;
    button.SetStateColour(CButtonST::kTextHover, kTextHover, false);
    button.SetStateColour(CButtonST::kTextPressed, kTextPressed, false);
    button.SetStateColour(CButtonST::kTextNormal, kTextNormal, false);
    ok = true;
  }
  HWND Button() const { return button.window(); }
  Pixels Printed() const { return Pixels::Printed(Button()); }
  void Hover() { MouseMove(Button(), Centre(Button())); }
  void Press() { ::SendMessageW(Button(), BM_SETSTATE, TRUE, 0); }

  UniqueFont font = SharpFont(26, FW_BOLD);
  HostDialog host;
  CButtonST button;
  bool ok = false;
};

TEST(GlyphButton, AttachTakesOverButtonsOnly) {
  Scene scene(IDC_DEFAULT_BUTTON);
  ASSERT_TRUE(scene.ok);
  const LONG_PTR style = ::GetWindowLongPtrW(scene.Button(), GWL_STYLE);
  EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_TRUE(scene.button.IsDefault());
  EXPECT_TRUE(scene.button.IsFlat());

  CButtonST other;
  EXPECT_FALSE(other.Attach(nullptr));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(other.Attach(scene.host.Item(IDC_LINK))) << "a static is no button";
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(::GetWindowLongPtrW(scene.host.Item(IDC_LINK), GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
  ASSERT_TRUE(other.Attach(scene.host.Item(IDC_FLAT_BUTTON)));
  EXPECT_FALSE(other.IsDefault());
  EXPECT_FALSE(other.Attach(scene.host.Item(IDC_PLAIN_BUTTON))) << "one button per object";
  EXPECT_EQ(other.window(), scene.host.Item(IDC_FLAT_BUTTON));

  // The dialog manager moves the default with button types; the button stays owner-drawn.
  ::SendMessageW(scene.Button(), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  EXPECT_FALSE(scene.button.IsDefault());
  EXPECT_EQ(::GetWindowLongPtrW(scene.Button(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  ::SendMessageW(scene.Button(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_TRUE(scene.button.IsDefault());
  EXPECT_EQ(::GetWindowLongPtrW(scene.Button(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
}

TEST(GlyphButton, FaceAndGlyphFollowTheState) {
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  enum class Act { None, Hover, Press, HoverAndPress };
  const struct {
    const char* what;
    bool highlight;
    Act act;
    COLORREF face;
    COLORREF text;
  } cases[] = {
      {"normal", true, Act::None, face, kTextNormal},
      {"hovered, highlighted", true, Act::Hover, CButtonST::kHoverFill, kTextHover},
      {"hovered, not highlighted", false, Act::Hover, face, kTextHover},
      {"pressed, highlighted", true, Act::Press, CButtonST::kPressedFill, kTextPressed},
      {"pressed, not highlighted", false, Act::Press, face, kTextPressed},
      {"pressed while hovered", true, Act::HoverAndPress, CButtonST::kPressedFill, kTextPressed},
  };
  for (const auto& c : cases) {
    Scene scene;
    ASSERT_TRUE(scene.ok) << c.what;
    scene.button.SetFlatHighlight(c.highlight);
    if (c.act == Act::Hover || c.act == Act::HoverAndPress) scene.Hover();
    if (c.act == Act::Press || c.act == Act::HoverAndPress) scene.Press();
    EXPECT_EQ(scene.button.IsHovered(), c.act == Act::Hover || c.act == Act::HoverAndPress) << c.what;
    const Pixels pixels = scene.Printed();
    EXPECT_EQ(Hex(pixels.At(2, 2)), Hex(c.face)) << c.what;
    EXPECT_EQ(Hex(pixels.At(pixels.width() - 3, pixels.height() - 3)), Hex(c.face)) << c.what;
    for (COLORREF text : {kTextNormal, kTextHover, kTextPressed}) {
      if (text == c.text) {
        EXPECT_GT(pixels.Count(text), kGlyphPixels) << c.what << ": no glyph in " << Hex(text);
      } else {
        EXPECT_EQ(pixels.Count(text), 0) << c.what << ": glyph in " << Hex(text);
      }
    }
  }
}

TEST(GlyphButton, GlyphIsCentred) {
  Scene scene;
  ASSERT_TRUE(scene.ok);
  const Pixels pixels = scene.Printed();
  const RECT glyph = pixels.Bounds(kTextNormal);
  ASSERT_LT(glyph.left, glyph.right);
  // Centred within a pixel or two (the cell of a glyph is a little wider than its ink).
  EXPECT_NEAR(glyph.left, pixels.width() - glyph.right, 3);
  EXPECT_NEAR(glyph.top, pixels.height() - glyph.bottom, 6);
}

// Colour 0 is the face of any active button; the highlight fills paint over it.
TEST(GlyphButton, ActiveFaceColourWithoutHighlight) {
  constexpr COLORREF kActiveFace = RGB(250, 230, 180);
  for (bool press : {false, true}) {
    Scene scene;
    ASSERT_TRUE(scene.ok);
    scene.button.SetFlatHighlight(false);
    scene.button.SetStateColour(CButtonST::kFaceActive, kActiveFace, true);
    EXPECT_EQ(Hex(scene.Printed().At(2, 2)), Hex(::GetSysColor(COLOR_BTNFACE))) << "at rest";
    press ? scene.Press() : scene.Hover();
    EXPECT_EQ(Hex(scene.Printed().At(2, 2)), Hex(kActiveFace)) << (press ? "pressed" : "hovered");
  }
}

TEST(GlyphButton, DisabledGlyphIsEmbossedInSystemColours) {
  Scene scene;
  ASSERT_TRUE(scene.ok);
  ::EnableWindow(scene.Button(), FALSE);
  const Pixels pixels = scene.Printed();
  const COLORREF light = ::GetSysColor(COLOR_3DHILIGHT);
  const COLORREF shadow = ::GetSysColor(COLOR_3DSHADOW);
  for (COLORREF text : {kTextNormal, kTextHover, kTextPressed}) EXPECT_EQ(pixels.Count(text), 0) << Hex(text);
  EXPECT_GT(pixels.Count(shadow), kGlyphPixels);
  // The light copy lies one pixel right of and below the shadow: only its right and bottom rims show.
  const RECT lit = pixels.Bounds(light);
  const RECT shaded = pixels.Bounds(shadow);
  EXPECT_GT(pixels.Count(light), 0);
  EXPECT_EQ(lit.right, shaded.right + 1);
  EXPECT_EQ(lit.bottom, shaded.bottom + 1);
}

TEST(GlyphButton, BadStateColourIndexChangesNothing) {
  Scene scene;
  ASSERT_TRUE(scene.ok);
  COLORREF before[CButtonST::kStateColourCount];
  for (int i = 0; i < CButtonST::kStateColourCount; ++i) before[i] = scene.button.StateColourAt(i);
  for (int index : {-1, 5, INT_MIN, INT_MAX}) {
    EXPECT_FALSE(scene.button.SetStateColour(index, RGB(1, 2, 3), true)) << index;
    EXPECT_EQ(scene.button.StateColourAt(index), CLR_INVALID) << index;
  }
  for (int i = 0; i < CButtonST::kStateColourCount; ++i) EXPECT_EQ(scene.button.StateColourAt(i), before[i]) << i;
  EXPECT_GT(scene.Printed().Count(kTextNormal), kGlyphPixels);
}

// Classic (not flat) buttons: a black frame when default or focused, raised edges at rest, a shadow
// frame when pressed; the focus rectangle three pixels inside. Flat ones draw none of it unless asked
// for the focus rectangle.
TEST(GlyphButton, FramesEdgesAndFocus) {
  const COLORREF black = RGB(0, 0, 0);
  const COLORREF light = ::GetSysColor(COLOR_3DHILIGHT);
  const COLORREF dark = ::GetSysColor(COLOR_3DDKSHADOW);
  const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  const struct {
    const char* what;
    int id;
    bool flat;
    bool flatFocus;
    bool focus;
    bool press;
    COLORREF topLeft;
    COLORREF bottomRight;
    COLORREF inside;  // one pixel in from the top-left corner
    bool focusRect;
  } cases[] = {
      {"classic at rest", IDC_PLAIN_BUTTON, false, false, false, false, light, dark, ::GetSysColor(COLOR_3DLIGHT), false},
      {"classic default", IDC_DEFAULT_BUTTON, false, false, false, false, black, black, light, false},
      {"classic focused", IDC_PLAIN_BUTTON, false, false, true, false, black, black, light, true},
      {"classic pressed", IDC_PLAIN_BUTTON, false, false, false, true, shadow, shadow, face, false},
      {"flat default", IDC_DEFAULT_BUTTON, true, false, false, false, face, face, face, false},
      {"flat focused", IDC_PLAIN_BUTTON, true, false, true, false, face, face, face, false},
      {"flat focused, focus shown", IDC_PLAIN_BUTTON, true, true, true, false, face, face, face, true},
  };
  for (const auto& c : cases) {
    Scene scene(c.id);
    ASSERT_TRUE(scene.ok) << c.what;
    scene.button.SetFlat(c.flat);
    scene.button.SetFlatFocus(c.flatFocus);
    if (c.focus) ::SetFocus(scene.Button());
    if (c.press) scene.Press();
    const Pixels pixels = scene.Printed();
    const int right = pixels.width() - 1;
    const int bottom = pixels.height() - 1;
    EXPECT_EQ(Hex(pixels.At(0, 0)), Hex(c.topLeft)) << c.what;
    EXPECT_EQ(Hex(pixels.At(right, bottom)), Hex(c.bottomRight)) << c.what;
    EXPECT_EQ(Hex(pixels.At(1, 1)), Hex(c.inside)) << c.what;
    // The focus rectangle's top line, a row where nothing else is drawn: a frame (classic focused)
    // moves it one pixel further in.
    const int inset = (c.flat ? 0 : 1) + 3;
    const RECT line{inset + 2, inset, right - inset - 1, inset + 1};
    const COLORREF background = pixels.At(inset + 2, inset + 2);
    const int marked = (line.right - line.left) - pixels.Count(background, line);
    if (c.focusRect) {
      EXPECT_GT(marked, (line.right - line.left) / 3) << c.what << ": no focus rectangle";
    } else {
      EXPECT_EQ(marked, 0) << c.what << ": a focus rectangle";
    }
  }
}

TEST(GlyphButton, PressedClassicGlyphMovesDownRight) {
  Scene scene(IDC_PLAIN_BUTTON);
  ASSERT_TRUE(scene.ok);
  scene.button.SetFlat(false);
  const RECT atRest = scene.Printed().Bounds(kTextNormal);
  scene.Press();
  const RECT pressed = scene.Printed().Bounds(kTextPressed);
  EXPECT_EQ(pressed.left, atRest.left + 1);
  EXPECT_EQ(pressed.top, atRest.top + 1);
}

TEST(GlyphButton, HoverHoldsTheCaptureUntilTheMouseLeaves) {
  Scene scene;
  ASSERT_TRUE(scene.ok);
  scene.Hover();
  EXPECT_TRUE(scene.button.IsHovered());
  EXPECT_EQ(::GetCapture(), scene.Button());
  MouseMove(scene.Button(), Centre(scene.Button()));
  EXPECT_TRUE(scene.button.IsHovered()) << "still over the button";
  MouseMove(scene.Button(), {-5, -5});
  EXPECT_FALSE(scene.button.IsHovered());
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(Hex(scene.Printed().At(2, 2)), Hex(::GetSysColor(COLOR_BTNFACE)));

  // Leaving with the left button down keeps the capture: it is the button's own press tracking.
  scene.Hover();
  MouseMove(scene.Button(), {-5, -5}, MK_LBUTTON);
  EXPECT_FALSE(scene.button.IsHovered());
  EXPECT_EQ(::GetCapture(), scene.Button());
  ::ReleaseCapture();
}

TEST(GlyphButton, OnlyFlatButtonsLightUpAndNotForAPressFromElsewhere) {
  Scene scene;
  ASSERT_TRUE(scene.ok);
  MouseMove(scene.Button(), Centre(scene.Button()), MK_LBUTTON);
  EXPECT_FALSE(scene.button.IsHovered());
  scene.button.SetFlat(false);
  scene.Hover();
  EXPECT_FALSE(scene.button.IsHovered());
  EXPECT_NE(::GetCapture(), scene.Button());
}

// Another thread's window in front: this program has no active window while it lives.
class ForeignForeground {
 public:
  ForeignForeground() {
    ready_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] {
      window_ = ::CreateWindowExW(0, WC_STATICW, L"elsewhere", WS_POPUP | WS_VISIBLE, 400, 400, 80, 40, nullptr,
                                  nullptr, nullptr, nullptr);
      ::SetForegroundWindow(window_);
      threadId_ = ::GetCurrentThreadId();
      ::SetEvent(ready_);
      MSG message;
      while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
      ::DestroyWindow(window_);
    });
    ::WaitForSingleObject(ready_, 5000);
  }
  ~ForeignForeground() {
    ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
    ::CloseHandle(ready_);
  }

 private:
  HANDLE ready_ = nullptr;
  HWND window_ = nullptr;
  DWORD threadId_ = 0;
  std::thread thread_;
};

TEST(GlyphButton, NoLightWhileTheProgramIsInactive) {
  Scene scene;
  ASSERT_TRUE(scene.ok);
  const ForeignForeground elsewhere;
  // This thread learns of its deactivation from its message queue.
  ASSERT_TRUE(PumpUntil([] { return ::GetActiveWindow() == nullptr; }, 2000));
  scene.Hover();
  EXPECT_FALSE(scene.button.IsHovered());
  EXPECT_NE(::GetCapture(), scene.Button());
}

TEST(GlyphButton, HoverEndsWhenTheButtonCannotFollowTheMouse) {
  const struct {
    const char* what;
    std::function<void(Scene&)> act;
  } cases[] = {
      {"focus lost", [](Scene& s) { ::SendMessageW(s.Button(), WM_KILLFOCUS, 0, 0); }},
      {"mode cancelled", [](Scene& s) { ::SendMessageW(s.Button(), WM_CANCELMODE, 0, 0); }},
      {"disabled", [](Scene& s) { ::EnableWindow(s.Button(), FALSE); }},
      {"capture taken", [](Scene& s) { ::SetCapture(s.host.Item(IDC_PLAIN_BUTTON)); }},
      {"window deactivated",
       [](Scene& s) {
         const HWND other = ::CreateWindowExW(0, WC_STATICW, L"other", WS_POPUP | WS_VISIBLE, 400, 400, 80, 40,
                                              nullptr, nullptr, nullptr, nullptr);
         ::SetActiveWindow(other);
         ::DestroyWindow(other);
         ::SetActiveWindow(s.host.window());
       }},
  };
  for (const auto& c : cases) {
    Scene scene;
    ASSERT_TRUE(scene.ok) << c.what;
    // The focus elsewhere, so that each way out is tested on its own (losing the focus is one of them).
    ::SetFocus(scene.host.Item(IDC_PLAIN_BUTTON));
    scene.Hover();
    ASSERT_TRUE(scene.button.IsHovered()) << c.what;
    c.act(scene);
    EXPECT_FALSE(scene.button.IsHovered()) << c.what;
    EXPECT_NE(::GetCapture(), scene.Button()) << c.what;
    EXPECT_NE(Hex(scene.Printed().At(2, 2)), Hex(CButtonST::kHoverFill)) << c.what;
    ::ReleaseCapture();
  }
}

TEST(GlyphButton, TransparentFaceShowsTheParentUntilColoursChange) {
  Scene scene;
  ASSERT_TRUE(scene.ok);
  const COLORREF first = scene.host.Background();
  scene.button.SetTransparent(true);
  EXPECT_TRUE(scene.button.IsTransparent());
  Pixels pixels = scene.Printed();
  EXPECT_EQ(Hex(pixels.At(2, 2)), Hex(first));
  EXPECT_GT(pixels.Count(kTextNormal), kGlyphPixels);

  // The copy is kept: a new parent background shows only once the copy is dropped.
  const COLORREF second = RGB(128, 0, 64);
  scene.host.SetBackground(second);
  EXPECT_EQ(Hex(scene.Printed().At(2, 2)), Hex(first));
  ::SendMessageW(scene.Button(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(Hex(scene.Printed().At(2, 2)), Hex(second));
  scene.host.SetBackground(first);
  scene.button.SetTransparent(true);
  EXPECT_EQ(Hex(scene.Printed().At(2, 2)), Hex(first));
}

TEST(GlyphButton, ScreenShowsWhatThePaintingDraws) {
  Scene scene;
  ASSERT_TRUE(scene.ok);
  scene.button.SetTransparent(true);
  const Pixels printed = scene.Printed();
  const Pixels screen = Pixels::OnScreen(scene.Button());
  ASSERT_EQ(screen.width(), printed.width());
  EXPECT_EQ(Hex(screen.At(2, 2)), Hex(scene.host.Background()));
  EXPECT_EQ(screen.Count(kTextNormal), printed.Count(kTextNormal));
}

std::wstring TipText(HWND tooltip, HWND button) {
  wchar_t text[128] = {};
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.hwnd = button;
  info.uId = 1;
  info.lpszText = text;
  ::SendMessageW(tooltip, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&info));
  return text;
}

TEST(GlyphButton, TooltipTextAndActivation) {
  CButtonST detached;
  EXPECT_FALSE(detached.SetTooltip(L"Start", true));
  EXPECT_EQ(detached.TooltipWindow(), nullptr);

  Scene scene;
  ASSERT_TRUE(scene.ok);
  EXPECT_FALSE(scene.button.SetTooltip(nullptr, true));
  ASSERT_TRUE(scene.button.SetTooltip(L"Start the camera", false));
  const HWND tip = scene.button.TooltipWindow();
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(::GetWindow(tip, GW_OWNER), scene.host.window());
  EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  EXPECT_EQ(TipText(tip, scene.Button()), L"Start the camera");
  EXPECT_EQ(::SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0), 400);

  // Shown only when active: the pointer rests on the button and its moves are relayed.
  ::SendMessageW(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 1);
  ASSERT_TRUE(PointerAt(scene.Button(), Centre(scene.Button())));
  scene.Hover();
  EXPECT_FALSE(PumpUntil([&] { return ::IsWindowVisible(tip) != FALSE; }, 400)) << "inactive tooltip shown";

  ASSERT_TRUE(scene.button.SetTooltip(L"Stop the camera", true));
  EXPECT_EQ(scene.button.TooltipWindow(), tip);
  EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  EXPECT_EQ(TipText(tip, scene.Button()), L"Stop the camera");
  MouseMove(scene.Button(), {-5, -5});
  scene.Hover();
  EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(tip) != FALSE; }, 3000)) << "active tooltip not shown";

  ::DestroyWindow(scene.Button());
  EXPECT_FALSE(::IsWindow(tip)) << "the tooltip goes with its button";
  EXPECT_EQ(scene.button.TooltipWindow(), nullptr);
}

TEST(GlyphButton, HoverCursor) {
  Scene scene;
  ASSERT_TRUE(scene.ok);
  const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
  const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  ASSERT_TRUE(scene.button.SetHoverCursor(IDC_HAND));
  EXPECT_EQ(scene.button.HoverCursor(), hand);
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(::SendMessageW(scene.Button(), WM_SETCURSOR, reinterpret_cast<WPARAM>(scene.Button()), overClient), TRUE);
  EXPECT_EQ(::GetCursor(), hand);

  EXPECT_FALSE(scene.button.SetHoverCursor(MAKEINTRESOURCEW(4242))) << "no such cursor anywhere";
  EXPECT_EQ(scene.button.HoverCursor(), hand);

  ASSERT_TRUE(scene.button.SetHoverCursor(nullptr));
  ::SendMessageW(scene.Button(), WM_SETCURSOR, reinterpret_cast<WPARAM>(scene.Button()), overClient);
  EXPECT_NE(::GetCursor(), hand);
}

}  // namespace
}  // namespace orvane::testing
