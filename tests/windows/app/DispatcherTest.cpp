#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "app/core/UIDispatcher.h"
#include "platform/win/UniqueResource.h"

namespace orvane {
namespace {

constexpr DWORD kGenerousTimeoutMs = 30000;

// Pumps this thread's messages (sent messages are delivered while it does) until `done` is signalled.
bool PumpUntil(HANDLE done) {
  const ULONGLONG deadline = ::GetTickCount64() + kGenerousTimeoutMs;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    const DWORD wait = ::MsgWaitForMultipleObjects(1, &done, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) return true;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  }
}

// The test's thread plays the user-interface thread; a worker asks it to run tasks.
class Dispatcher : public ::testing::Test {
 protected:
  void TearDown() override { UIDispatcher::Instance().Destroy(); }

  // Runs `work` on a worker thread while this thread pumps messages; false on time-out.
  template <typename Work>
  bool OnWorker(Work work) {
    UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread worker([&] {
      work();
      ::SetEvent(done.get());
    });
    const bool finished = PumpUntil(done.get());
    if (!finished) worker.detach();  // a hung dispatcher: report it rather than hang the suite
    else worker.join();
    return finished;
  }

  // Whether a worker's task runs on the worker itself, as it must while no window exists.
  bool RunsOnTheCallersThread() {
    DWORD ranOn = 0;
    DWORD workerId = 0;
    const bool finished = OnWorker([&] {
      workerId = ::GetCurrentThreadId();
      UIDispatcher::Instance().RunOnUIThread([&] { ranOn = ::GetCurrentThreadId(); });
    });
    return finished && ranOn == workerId;
  }
};

TEST_F(Dispatcher, BeforeItsWindowExistsTasksRunOnTheCallersThread) {
  ASSERT_EQ(UIDispatcher::Instance().Window(), nullptr);
  EXPECT_TRUE(RunsOnTheCallersThread());
}

TEST_F(Dispatcher, AWorkersTaskRunsOnTheWindowsThreadAndIsDoneOnReturn) {
  ASSERT_TRUE(UIDispatcher::Instance().Create());
  const HWND window = UIDispatcher::Instance().Window();
  ASSERT_NE(window, nullptr);
  // A message-only window of its own class.
  EXPECT_EQ(::FindWindowExW(HWND_MESSAGE, nullptr, L"B57F1A1D-B1BC-42C0-B775-C7A5930FD667", nullptr), window);
  EXPECT_EQ(UIDispatcher::Message(), ::RegisterWindowMessageW(L"BA7D2E6F-2235-45A7-BD89-CAFD2442A02D"));

  std::atomic<DWORD> ranOn{0};
  bool doneOnReturn = false;
  ASSERT_TRUE(OnWorker([&] {
    for (int i = 0; i < 20; ++i) {
      bool ran = false;
      UIDispatcher::Instance().RunOnUIThread([&] {
        ranOn = ::GetCurrentThreadId();
        ran = true;
      });
      doneOnReturn = ran;
      if (!ran) break;
    }
  }));
  EXPECT_EQ(ranOn.load(), ::GetCurrentThreadId());
  EXPECT_TRUE(doneOnReturn);

  // On the window's own thread the task runs at once, even from inside another task.
  int depth = 0;
  UIDispatcher::Instance().RunOnUIThread([&] { UIDispatcher::Instance().RunOnUIThread([&] { depth = 2; }); });
  EXPECT_EQ(depth, 2);
}

TEST_F(Dispatcher, ATasksExceptionReachesTheCallerNotTheWindowProcedure) {
  ASSERT_TRUE(UIDispatcher::Instance().Create());
  std::string caught;
  ASSERT_TRUE(OnWorker([&] {
    try {
      UIDispatcher::Instance().RunOnUIThread([] { throw std::runtime_error("declined"); });
    } catch (const std::runtime_error& error) {
      caught = error.what();
    }
  }));
  EXPECT_EQ(caught, "declined");
}

TEST_F(Dispatcher, TheMessageWithoutATaskDoesNothing) {
  ASSERT_TRUE(UIDispatcher::Instance().Create());
  EXPECT_EQ(::SendMessageW(UIDispatcher::Instance().Window(), UIDispatcher::Message(), 0, 0), 0);
  EXPECT_EQ(::SendMessageW(UIDispatcher::Instance().Window(), UIDispatcher::Message(), 1, 0), 0);
}

TEST_F(Dispatcher, AfterDestroyTasksRunOnTheCallersThreadAgain) {
  ASSERT_TRUE(UIDispatcher::Instance().Create());
  const HWND window = UIDispatcher::Instance().Window();
  UIDispatcher::Instance().Destroy();
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_TRUE(RunsOnTheCallersThread());
  EXPECT_TRUE(UIDispatcher::Instance().Create());  // and it can be created again
}

}  // namespace
}  // namespace orvane
