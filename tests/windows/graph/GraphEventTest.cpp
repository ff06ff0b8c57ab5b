// The graph event window and CDSRender's forwarding: the window's class, messages and procedure rules,
// and graph events queued on a real camera graph (through the graph manager's own event sink, as a
// filter reports them) arriving at an owner window with the documented codes, or dropped.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <vector>

#include "app/graph/CDSMsgWnd.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/graph/GraphTestSupport.h"
#include "tests/windows/testcam/CameraTestSupport.h"

namespace orvane::testing {
namespace {

// Records what the window hands over; claims the messages it is told to.
class RecordingDispatcher : public CDSMsgWnd::Dispatcher {
 public:
  LRESULT MessageHook(UINT message, WPARAM, LPARAM, bool& handled) override {
    hooked.push_back(message);
    if (message == claimed) handled = true;
    return 77;  // never what the window answers: a handled message answers 0
  }
  LRESULT OnGraphNotify() override {
    ++notifications;
    return 42;
  }
  std::vector<UINT> hooked;
  UINT claimed = 0;
  int notifications = 0;
};

TEST(GraphEventWindow, IsAMessageOnlyWindowOfItsClassWithTheRegisteredMessages) {
  CDSMsgWnd window;
  EXPECT_EQ(window.graphNotifyMessage(), ::RegisterWindowMessageW(L"AADF1ACF-9550-46FA-A831-98DF73C4A86A"));
  EXPECT_EQ(window.graphForwardMessage(), ::RegisterWindowMessageW(L"63890A38-7BF6-4F4A-A00D-33F38DE7DDCC"));
  EXPECT_EQ(window.window(), nullptr);
  ASSERT_TRUE(window.Create(::GetModuleHandleW(nullptr)));
  const HWND handle = window.window();
  ASSERT_NE(handle, nullptr);
  wchar_t className[64] = {};
  ::GetClassNameW(handle, className, 64);
  EXPECT_STREQ(className, L"79CF929F-AF92-429B-83DE-BA6F7668C855");
  EXPECT_EQ(::GetWindowLongPtrW(handle, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&window));
  EXPECT_EQ(::GetWindowLongPtrW(handle, GWL_EXSTYLE) & WS_EX_NOACTIVATE, WS_EX_NOACTIVATE);
  EXPECT_EQ(::FindWindowExW(HWND_MESSAGE, nullptr, className, nullptr), handle) << "a message-only window";

  CDSMsgWnd second;
  EXPECT_TRUE(second.Create(::GetModuleHandleW(nullptr))) << "the class registered again is no failure";
  second.Destroy();
  window.Destroy();
  EXPECT_EQ(window.window(), nullptr);
  EXPECT_FALSE(::IsWindow(handle));
}

TEST(GraphEventWindow, HandsMessagesToItsDispatcher) {
  CDSMsgWnd window;
  RecordingDispatcher dispatcher;
  ASSERT_TRUE(window.Create(::GetModuleHandleW(nullptr)));
  const HWND handle = window.window();
  const UINT custom = WM_APP + 5;
  EXPECT_EQ(::SendMessageW(handle, window.graphNotifyMessage(), 0, 0), 0) << "without a dispatcher";
  EXPECT_EQ(::SendMessageW(handle, custom, 0, 0), 0);

  window.SetDispatcher(&dispatcher);
  EXPECT_EQ(::SendMessageW(handle, window.graphNotifyMessage(), 0, 0), 42);
  EXPECT_EQ(dispatcher.notifications, 1);
  EXPECT_TRUE(dispatcher.hooked.empty()) << "the notify message goes to the handler only";

  dispatcher.claimed = custom;
  EXPECT_EQ(::SendMessageW(handle, custom, 0, 0), 0);
  // An unclaimed message reaches the hook and then DefWindowProc (which answers WM_GETTEXTLENGTH).
  EXPECT_EQ(::SendMessageW(handle, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_EQ(dispatcher.hooked, (std::vector<UINT>{custom, WM_GETTEXTLENGTH}));

  window.Destroy();
  EXPECT_EQ(window.dispatcher(), nullptr);
}

// A camera graph opened by CDSRender, whose graph manager takes events as a filter would send them.
class GraphEvents : public GraphEngineTest {
 protected:
  void SetUp() override {
    GraphEngineTest::SetUp();
    ASSERT_EQ(RegisterWebcams({CameraConfig{L"", {L"YUY2 320x240@30"}}}), S_OK);
    ASSERT_TRUE(render_->OpenDevice(FirstTestCamera()));
    ASSERT_NE(render_->messageWindow(), nullptr);
    ASSERT_EQ(render_->graph()->QueryInterface(IID_PPV_ARGS(&sink_)), S_OK);
  }
  void TearDown() override {
    sink_.Reset();
    GraphEngineTest::TearDown();
  }
  void Send(long code) { ASSERT_EQ(sink_->Notify(code, code == EC_ERRORABORT ? E_FAIL : 0, 0), S_OK); }

  ComPtr<IMediaEventSink> sink_;
  OwnerWindow owner_;
};

TEST_F(GraphEvents, ForwardsAbortsAndDeviceLossWithTheirTags) {
  render_->SetOwner(owner_.handle(), owner_.message());
  Send(EC_ERRORABORT);
  EXPECT_EQ(owner_.Collect(2), (std::vector<OwnerPost>{{EC_ERRORABORT, 12}, {EC_ERRORABORT, 14}}));
  Send(EC_USERABORT);
  EXPECT_EQ(owner_.Collect(2), (std::vector<OwnerPost>{{EC_USERABORT, 12}, {EC_USERABORT, 14}}));
  // Once per device-lost event, whatever the event says about the device.
  Send(EC_DEVICE_LOST);
  Send(EC_DEVICE_LOST);
  EXPECT_EQ(owner_.Collect(2), (std::vector<OwnerPost>{{EC_DEVICE_LOST, 14}, {EC_DEVICE_LOST, 14}}));
}

// Other events are drained and not passed on; without an owner (or with message 0) the forwards are
// consumed and lost: the first post the owner sees is the one sent after it was set.
TEST_F(GraphEvents, DropsOtherEventsAndEventsWithoutAnOwner) {
  Send(EC_DEVICE_LOST);
  render_->SetOwner(owner_.handle(), 0);
  Send(EC_ERRORABORT);
  ASSERT_TRUE(PumpUntil([&] {
    MSG pending;
    return !::PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE);
  })) << "the forwards were consumed";
  render_->SetOwner(owner_.handle(), owner_.message());
  Send(EC_PAUSED);
  Send(EC_DEVICE_LOST);
  EXPECT_EQ(owner_.Collect(1), (std::vector<OwnerPost>{{EC_DEVICE_LOST, 14}}));
}

// After Cleanup no window is registered with any graph, and the owner receives nothing more.
TEST_F(GraphEvents, CleanupUnregistersTheWindow) {
  render_->SetOwner(owner_.handle(), owner_.message());
  const HWND window = render_->messageWindow();
  ComPtr<IMediaEventEx> events;
  ASSERT_EQ(render_->graph()->QueryInterface(IID_PPV_ARGS(&events)), S_OK);
  const ComPtr<IMediaEventSink> sink = sink_;
  render_->Cleanup();
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(sink->Notify(EC_DEVICE_LOST, 0, 0), S_OK);
  long code = 0;
  LONG_PTR first = 0, second = 0;
  ASSERT_EQ(events->GetEvent(&code, &first, &second, 0), S_OK) << "the event stays in the old graph";
  events->FreeEventParams(code, first, second);
  EXPECT_EQ(code, EC_DEVICE_LOST);
  MSG pending;
  EXPECT_FALSE(::PeekMessageW(&pending, owner_.handle(), 0, 0, PM_NOREMOVE));
}

}  // namespace
}  // namespace orvane::testing
