// Helpers of the Windows graph tests: graphs, pins, events, helper threads and the watchdog. Every
// wait takes a time-out; the watchdog ends a test process whose test runs far beyond any of them.
// Test threads only.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <functional>
#include <future>

#include "platform/com/ComPtr.h"
#include "platform/dshow/ControlInterfaces.h"

namespace orvane::testing {

// Generous waits: the machine is shared with parallel builds.
inline constexpr DWORD kWaitMilliseconds = 20000;

ComPtr<IGraphBuilder> CreateGraph();
// The filter's first pin of `direction`, or null.
ComPtr<IPin> FindPin(IBaseFilter* filter, PIN_DIRECTION direction);
// Adds both filters and connects the first output pin of `from` to the first input pin of `to`
// directly (no intermediate filters), optionally with `type`.
HRESULT AddAndConnect(IGraphBuilder* graph, IBaseFilter* from, const wchar_t* fromName, IBaseFilter* to,
                      const wchar_t* toName, const AM_MEDIA_TYPE* type = nullptr);
// Waits for graph event `code`, discarding others; false on time-out.
bool WaitForGraphEvent(IGraphBuilder* graph, long code, DWORD milliseconds, LONG_PTR* param1 = nullptr);
// True when no event `code` is queued now.
bool NoGraphEvent(IGraphBuilder* graph, long code);

// Runs `body` on a new thread with COM initialised (multithreaded apartment).
std::future<HRESULT> RunOnThread(std::function<HRESULT()> body);
// The future's result, or E_ABORT (and a test failure) when it is not ready in time.
HRESULT Join(std::future<HRESULT>& pending, DWORD milliseconds = kWaitMilliseconds);
// True while the future is not ready (without waiting).
bool StillRunning(std::future<HRESULT>& pending);

}  // namespace orvane::testing
