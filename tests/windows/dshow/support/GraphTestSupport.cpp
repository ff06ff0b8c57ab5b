#include "tests/windows/dshow/support/GraphTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/com/ComInitialization.h"

namespace orvane::testing {

ComPtr<IGraphBuilder> CreateGraph() {
  ComPtr<IGraphBuilder> graph;
  const HRESULT hr =
      ::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
  EXPECT_EQ(hr, S_OK) << "creating the filter graph";
  return graph;
}

ComPtr<IPin> FindPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins))) return nullptr;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_DIRECTION found;
    if (SUCCEEDED(pin->QueryDirection(&found)) && found == direction) return pin;
  }
  return nullptr;
}

HRESULT AddAndConnect(IGraphBuilder* graph, IBaseFilter* from, const wchar_t* fromName, IBaseFilter* to,
                      const wchar_t* toName, const AM_MEDIA_TYPE* type) {
  HRESULT hr = graph->AddFilter(from, fromName);
  if (FAILED(hr)) return hr;
  hr = graph->AddFilter(to, toName);
  if (FAILED(hr)) return hr;
  const ComPtr<IPin> out = FindPin(from, PINDIR_OUTPUT);
  const ComPtr<IPin> in = FindPin(to, PINDIR_INPUT);
  if (!out || !in) return VFW_E_NOT_FOUND;
  return graph->ConnectDirect(out.Get(), in.Get(), type);
}

bool WaitForGraphEvent(IGraphBuilder* graph, long code, DWORD milliseconds, LONG_PTR* param1) {
  ComPtr<IMediaEvent> events;
  if (FAILED(graph->QueryInterface(IID_PPV_ARGS(&events)))) return false;
  const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    long event = 0;
    LONG_PTR first = 0;
    LONG_PTR second = 0;
    // E_ABORT also comes early when the queue's event was left set with nothing queued (Wine); the
    // call has then reset it, so the next one waits properly.
    if (events->GetEvent(&event, &first, &second, static_cast<long>(deadline - now)) != S_OK) continue;
    events->FreeEventParams(event, first, second);
    if (event == code) {
      if (param1 != nullptr) *param1 = first;
      return true;
    }
  }
}

bool NoGraphEvent(IGraphBuilder* graph, long code) {
  ComPtr<IMediaEvent> events;
  if (FAILED(graph->QueryInterface(IID_PPV_ARGS(&events)))) return false;
  long event = 0;
  LONG_PTR first = 0;
  LONG_PTR second = 0;
  while (events->GetEvent(&event, &first, &second, 0) == S_OK) {
    events->FreeEventParams(event, first, second);
    if (event == code) return false;
  }
  return true;
}

std::future<HRESULT> RunOnThread(std::function<HRESULT()> body) {
  return std::async(std::launch::async, [body = std::move(body)] {
    const ComInitialization com(COINIT_MULTITHREADED);
    return body();
  });
}

HRESULT Join(std::future<HRESULT>& pending, DWORD milliseconds) {
  if (pending.wait_for(std::chrono::milliseconds(milliseconds)) != std::future_status::ready) {
    ADD_FAILURE() << "a helper thread did not finish within " << milliseconds << " ms";
    return E_ABORT;
  }
  return pending.get();
}

bool StillRunning(std::future<HRESULT>& pending) {
  return pending.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

namespace {

// Ends the process when one test runs for minutes: a hang then fails the test run instead of
// stalling it. Armed at each test's start, disarmed at its end. Its state is shared with its thread,
// which outlives the listener (gtest deletes listeners before the process ends).
class Watchdog : public ::testing::EmptyTestEventListener {
 public:
  Watchdog() : state_(std::make_shared<State>()) {
    std::thread([state = state_] { Watch(*state); }).detach();
  }
  void OnTestStart(const ::testing::TestInfo& test) override {
    Change(std::string(test.test_suite_name()) + "." + test.name());
  }
  void OnTestEnd(const ::testing::TestInfo&) override { Change(std::string()); }

 private:
  static constexpr auto kLimit = std::chrono::minutes(4);

  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    std::string running;
    unsigned long long generation = 0;
  };

  void Change(std::string running) {
    std::lock_guard lock(state_->mutex);
    state_->running = std::move(running);
    ++state_->generation;
    state_->changed.notify_all();
  }

  static void Watch(State& state) {
    std::unique_lock lock(state.mutex);
    for (;;) {
      state.changed.wait(lock, [&] { return !state.running.empty(); });
      const unsigned long long generation = state.generation;
      if (state.changed.wait_for(lock, kLimit, [&] { return state.generation != generation; })) continue;
      std::fprintf(stderr, "watchdog: %s still running after 4 minutes, ending the process\n",
                   state.running.c_str());
      std::fflush(stderr);
      ::TerminateProcess(::GetCurrentProcess(), 3);
    }
  }

  std::shared_ptr<State> state_;
};

class WatchdogInstaller : public ::testing::Environment {
 public:
  void SetUp() override { ::testing::UnitTest::GetInstance()->listeners().Append(new Watchdog); }
};

[[maybe_unused]] ::testing::Environment* const watchdogInstaller =
    ::testing::AddGlobalTestEnvironment(new WatchdogInstaller);

}  // namespace

}  // namespace orvane::testing
