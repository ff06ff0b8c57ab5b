// The base of our DirectShow filters: IBaseFilter (answering IMediaFilter and IPersist too) and
// IAMovieSetup, the state machine (stopped, paused, running), the reference clock, membership of a
// graph and pin enumeration. A concrete filter supplies its pins and reacts to state changes through
// the On... hooks.
// Threading: the IBaseFilter methods come from the graph's thread (usually the application's user
// interface thread); they and the pins' connection methods are serialised by FilterLock(). Streaming
// threads never take FilterLock: they read State() (atomic) and use locks of their own.
// Owns: its name and its reference to the clock. The graph pointer is not counted: the graph owns
// the filter, and tells it when it leaves (JoinFilterGraph with null).
#pragma once

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>

#include <atomic>
#include <string>

#include "platform/com/ComObject.h"
#include "platform/dshow/ClassFactory.h"
#include "platform/win/CriticalSection.h"

namespace orvane {

class BasePin;

class BaseFilter : public ComObjectRoot, public IBaseFilter, public IAMovieSetup {
 public:
  using Interfaces = InterfaceList<ComInterface<IBaseFilter, IMediaFilter, IPersist>, IAMovieSetup>;

  // IPersist
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  // IMediaFilter
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeout, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;
  // IAMovieSetup: registration with the filter mapper from RegistrationData().
  STDMETHODIMP Register() override;
  STDMETHODIMP Unregister() override;

  // Serialises state changes and connections; recursive.
  CriticalSection& FilterLock() const noexcept { return filterLock_; }
  // Readable from any thread; changes only under FilterLock.
  FILTER_STATE State() const noexcept { return state_.load(); }
  bool IsStopped() const noexcept { return State() == State_Stopped; }
  // The graph's clock and the stream start of the last Run; they take FilterLock, so streaming
  // threads keep copies instead.
  ComPtr<IReferenceClock> Clock() const;
  REFERENCE_TIME StreamStart() const;
  // Passes an event to the graph (IMediaEventSink::Notify). Any thread; the caller holds no lock of
  // the filter's, because the graph may call back into it. E_UNEXPECTED when not in a graph.
  HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);
  // The graph the filter belongs to (not counted), or null.
  IFilterGraph* Graph() const noexcept { return graph_.load(); }
  const CLSID& ClassId() const noexcept { return clsid_; }
  const std::wstring& ClassName() const noexcept { return className_; }
  IBaseFilter* AsBaseFilter() noexcept { return this; }

 protected:
  BaseFilter(const CLSID& clsid, std::wstring className);

  // The filter's pins in enumeration order; they live as long as the filter.
  virtual int PinCount() = 0;
  virtual BasePin* PinAt(int index) = 0;

  // Hooks, called under FilterLock with State() already set to the new state. OnPause runs after the
  // connected pins were activated (when leaving Stopped); a failure returns the filter to the previous
  // state. OnStop runs before the pins are deactivated; it must release any waiting streaming call.
  virtual HRESULT OnPause(FILTER_STATE previous);
  virtual HRESULT OnRun(REFERENCE_TIME start);
  virtual void OnStop() {}
  // Whether `state` is complete, waiting up to `timeout` ms; called without FilterLock. S_OK,
  // VFW_S_STATE_INTERMEDIATE (a renderer still waiting for data) or VFW_S_CANT_CUE (a live source).
  virtual HRESULT StateCompletion(FILTER_STATE state, DWORD timeout);
  // What IAMovieSetup registers; null means nothing (Register answers S_FALSE).
  virtual const FilterRegistration* RegistrationData() const { return nullptr; }

 private:
  HRESULT ActivatePins();
  void DeactivatePins();

  const CLSID clsid_;
  const std::wstring className_;
  mutable CriticalSection filterLock_;
  std::atomic<FILTER_STATE> state_{State_Stopped};
  std::atomic<IFilterGraph*> graph_{nullptr};
  // Under filterLock_:
  std::wstring name_;
  ComPtr<IReferenceClock> clock_;
  REFERENCE_TIME streamStart_ = 0;
};

}  // namespace orvane
