// The window framework's own rules on real windows under Wine: the message loop's idle passes, filters
// and exit code, the registry of loops by thread, pending child states, and notifications reflected to
// the control that sent them.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>
#include <vector>

#include "platform/ui/MessageLoop.h"
#include "platform/ui/Window.h"

namespace orvane::ui {
namespace {

// A top-level static window with one static child (id 7), destroyed at the end.
struct TestWindows {
  TestWindows() {
    parent = ::CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    child = ::CreateWindowExW(0, L"STATIC", L"before", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, parent,
                              reinterpret_cast<HMENU>(7), nullptr, nullptr);
  }
  ~TestWindows() { ::DestroyWindow(parent); }
  HWND parent;
  HWND child;
};

TEST(MessageLoop, WhichMessagesStartIdlingAgain) {
  const struct {
    UINT message;
    bool idle;
  } cases[] = {{WM_MOUSEMOVE, false}, {WM_NCMOUSEMOVE, false}, {WM_PAINT, false}, {0x0118, false},
               {WM_KEYDOWN, true},    {WM_LBUTTONDOWN, true}, {WM_TIMER, true},   {WM_COMMAND, true}};
  for (const auto& c : cases) {
    MSG message{};
    message.message = c.message;
    EXPECT_EQ(CMessageLoop::IsIdleMessage(message), c.idle) << c.message;
  }
}

// Counts idle passes; asks for `more` passes after each input message, then posts what comes next.
class ScriptedIdle : public CIdleHandler, public CMessageFilter {
 public:
  bool OnIdle() override {
    ++passes;
    if (more > 0) {
      --more;
      return true;
    }
    if (step == 0) {
      ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP, 0, 0);  // consumed by the filter
    } else if (step == 1) {
      ::PostQuitMessage(7);
    }
    ++step;
    return false;
  }
  bool PreTranslateMessage(MSG& message) override {
    if (message.message != WM_APP) return false;
    ++filtered;
    more = 2;
    return true;
  }
  int passes = 0;
  int more = 2;
  int step = 0;
  int filtered = 0;
};

TEST(MessageLoop, IdlesUntilSatisfiedFiltersAndReturnsTheQuitCode) {
  CMessageLoop loop;
  ScriptedIdle script;
  loop.AddIdleHandler(&script);
  loop.AddMessageFilter(&script);
  EXPECT_EQ(loop.Run(), 7);
  // 3 passes (2 asking for more, then the one that posts WM_APP); after the input message 3 more.
  EXPECT_EQ(script.passes, 6);
  EXPECT_EQ(script.filtered, 1);
  loop.RemoveIdleHandler(&script);
  loop.RemoveMessageFilter(&script);
}

TEST(AppModule, OneLoopPerThread) {
  CMessageLoop mine;
  CMessageLoop other;
  CAppModule& module = CAppModule::Instance();
  ASSERT_TRUE(module.AddMessageLoop(&mine));
  EXPECT_FALSE(module.AddMessageLoop(&other)) << "this thread has a loop";
  EXPECT_EQ(module.GetMessageLoop(), &mine);
  DWORD otherThread = 0;
  std::thread([&] {
    otherThread = ::GetCurrentThreadId();
    EXPECT_EQ(module.GetMessageLoop(), nullptr);
    EXPECT_TRUE(module.AddMessageLoop(&other));
    EXPECT_EQ(module.GetMessageLoop(), &other);
    module.RemoveMessageLoop();
  }).join();
  EXPECT_EQ(module.GetMessageLoop(otherThread), nullptr);
  module.RemoveMessageLoop();
  EXPECT_EQ(module.GetMessageLoop(), nullptr);
}

class States : public CUpdateUI {};

TEST(UpdateUI, PendingStatesApplyTogetherAndOnce) {
  TestWindows windows;
  States states;
  states.UIEnable(7, false);
  states.UIShow(7, false);
  states.UISetText(7, L"after");
  EXPECT_TRUE(::IsWindowEnabled(windows.child)) << "nothing before the update";
  states.UIUpdateChildWindows(windows.parent);
  EXPECT_FALSE(::IsWindowEnabled(windows.child));
  EXPECT_FALSE(::IsWindowVisible(windows.child));
  wchar_t text[16] = {};
  ::GetWindowTextW(windows.child, text, 16);
  EXPECT_STREQ(text, L"after");
  // Applied states are forgotten: a later change by someone else stays.
  ::EnableWindow(windows.child, TRUE);
  states.UIUpdateChildWindows(windows.parent);
  EXPECT_TRUE(::IsWindowEnabled(windows.child));
}

// Records what reaches the subclassed control.
class Recorder : public CWindowImpl {
 public:
  bool ProcessWindowMessage(HWND, UINT message, WPARAM, LPARAM, LRESULT& result) override {
    if (message < kReflectedBase) return false;
    received.push_back(message);
    result = 42;
    return true;
  }
  std::vector<UINT> received;
};

TEST(Reflection, NotificationsGoBackToTheirControl) {
  TestWindows windows;
  Recorder recorder;
  ASSERT_TRUE(recorder.SubclassWindow(windows.child));
  DRAWITEMSTRUCT draw{};
  draw.CtlType = ODT_BUTTON;
  draw.CtlID = 7;
  draw.hwndItem = windows.child;
  LRESULT result = 0;
  EXPECT_TRUE(ReflectNotifications(windows.parent, WM_DRAWITEM, 7, reinterpret_cast<LPARAM>(&draw), result));
  EXPECT_EQ(result, 42);
  EXPECT_TRUE(ReflectNotifications(windows.parent, WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(windows.child),
                                   result));
  EXPECT_EQ(recorder.received, (std::vector<UINT>{WM_DRAWITEM + 0x2000, WM_CTLCOLORSTATIC + 0x2000}));
  // Not a notification, or from no control: nothing is reflected.
  EXPECT_FALSE(ReflectNotifications(windows.parent, WM_PAINT, 0, 0, result));
  EXPECT_FALSE(ReflectNotifications(windows.parent, WM_COMMAND, 1, 0, result));
  EXPECT_EQ(recorder.UnsubclassWindow(), windows.child);
}

}  // namespace
}  // namespace orvane::ui
