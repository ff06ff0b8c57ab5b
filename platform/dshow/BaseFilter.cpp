#include "platform/dshow/BaseFilter.h"

#include <uuids.h>

#include <mutex>
#include <vector>

#include "platform/com/ComBoundary.h"
#include "platform/dshow/BasePin.h"
#include "platform/dshow/EnumPins.h"
#include "platform/dshow/ModuleRegistration.h"

namespace orvane {

BaseFilter::BaseFilter(const CLSID& clsid, std::wstring className)
    : clsid_(clsid), className_(std::move(className)) {}

STDMETHODIMP BaseFilter::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}

HRESULT BaseFilter::ActivatePins() {
  for (int i = 0; i < PinCount(); ++i) {
    BasePin* pin = PinAt(i);
    if (!pin->IsConnected()) continue;
    const HRESULT hr = pin->Active();
    if (FAILED(hr)) {
      DeactivatePins();
      return hr;
    }
  }
  return S_OK;
}

void BaseFilter::DeactivatePins() {
  for (int i = 0; i < PinCount(); ++i) {
    BasePin* pin = PinAt(i);
    if (pin->IsConnected()) pin->Inactive();
  }
}

STDMETHODIMP BaseFilter::Stop() {
  std::lock_guard lock(filterLock_);
  if (state_.load() == State_Stopped) return S_OK;
  // Stopped first, so that streaming calls arriving from now on are refused.
  state_.store(State_Stopped);
  OnStop();
  DeactivatePins();
  return S_OK;
}

STDMETHODIMP BaseFilter::Pause() {
  std::lock_guard lock(filterLock_);
  const FILTER_STATE previous = state_.load();
  if (previous == State_Paused) return S_OK;
  if (previous == State_Stopped) {
    const HRESULT hr = ActivatePins();
    if (FAILED(hr)) return hr;
  }
  state_.store(State_Paused);
  const HRESULT hr = GuardComCall([&] { return OnPause(previous); });
  if (FAILED(hr)) {
    state_.store(previous);
    if (previous == State_Stopped) DeactivatePins();
  }
  return hr;
}

STDMETHODIMP BaseFilter::Run(REFERENCE_TIME start) {
  std::lock_guard lock(filterLock_);
  if (state_.load() == State_Running) return S_OK;
  if (state_.load() == State_Stopped) {
    const HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  streamStart_ = start;
  state_.store(State_Running);
  const HRESULT hr = GuardComCall([&] { return OnRun(start); });
  if (FAILED(hr)) state_.store(State_Paused);
  return hr;
}

HRESULT BaseFilter::OnPause(FILTER_STATE) { return S_OK; }
HRESULT BaseFilter::OnRun(REFERENCE_TIME) { return S_OK; }
HRESULT BaseFilter::StateCompletion(FILTER_STATE, DWORD) { return S_OK; }

STDMETHODIMP BaseFilter::GetState(DWORD timeout, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  const FILTER_STATE current = state_.load();
  *state = current;
  return StateCompletion(current, timeout);
}

STDMETHODIMP BaseFilter::SetSyncSource(IReferenceClock* clock) {
  std::lock_guard lock(filterLock_);
  clock_ = clock;
  return S_OK;
}

STDMETHODIMP BaseFilter::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) return E_POINTER;
  std::lock_guard lock(filterLock_);
  ComPtr<IReferenceClock> copy = clock_;
  *clock = copy.Detach();
  return S_OK;
}

ComPtr<IReferenceClock> BaseFilter::Clock() const {
  std::lock_guard lock(filterLock_);
  return clock_;
}

REFERENCE_TIME BaseFilter::StreamStart() const {
  std::lock_guard lock(filterLock_);
  return streamStart_;
}

STDMETHODIMP BaseFilter::EnumPins(IEnumPins** pins) {
  if (pins == nullptr) return E_POINTER;
  *pins = nullptr;
  return GuardComCall([&] {
    std::vector<ComPtr<IPin>> list;
    {
      std::lock_guard lock(filterLock_);
      for (int i = 0; i < PinCount(); ++i) list.emplace_back(static_cast<IPin*>(PinAt(i)));
    }
    return orvane::EnumPins::Create(std::move(list), 0, pins);
  });
}

STDMETHODIMP BaseFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (id == nullptr || pin == nullptr) return E_POINTER;
  *pin = nullptr;
  std::lock_guard lock(filterLock_);
  for (int i = 0; i < PinCount(); ++i) {
    BasePin* candidate = PinAt(i);
    if (candidate->Name() == id) {
      ComPtr<IPin> found(static_cast<IPin*>(candidate));
      *pin = found.Detach();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP BaseFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) return E_POINTER;
  std::lock_guard lock(filterLock_);
  const size_t length = name_.size() < MAX_FILTER_NAME ? name_.size() : MAX_FILTER_NAME - 1;
  name_.copy(info->achName, length);
  info->achName[length] = L'\0';
  ComPtr<IFilterGraph> graph(graph_.load());
  info->pGraph = graph.Detach();
  return S_OK;
}

STDMETHODIMP BaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  return GuardComCall([&] {
    std::lock_guard lock(filterLock_);
    graph_.store(graph);
    name_ = name != nullptr ? name : L"";
    return S_OK;
  });
}

STDMETHODIMP BaseFilter::QueryVendorInfo(LPWSTR* info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  return E_NOTIMPL;
}

HRESULT BaseFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  IFilterGraph* graph = graph_.load();
  if (graph == nullptr) return E_UNEXPECTED;
  ComPtr<IMediaEventSink> sink;
  const HRESULT hr = graph->QueryInterface(IID_PPV_ARGS(&sink));
  if (FAILED(hr)) return hr;
  return sink->Notify(code, param1, param2);
}

STDMETHODIMP BaseFilter::Register() {
  const FilterRegistration* data = RegistrationData();
  if (data == nullptr) return S_FALSE;
  ComPtr<IFilterMapper2> mapper;
  const HRESULT hr =
      ::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper));
  if (FAILED(hr)) return hr;
  const ClassEntry entry{className_.c_str(), &clsid_, nullptr, data};
  return RegisterFilterInCategory(*mapper.Get(), entry, CLSID_LegacyAmFilterCategory, nullptr,
                                  className_.c_str());
}

STDMETHODIMP BaseFilter::Unregister() {
  if (RegistrationData() == nullptr) return S_FALSE;
  ComPtr<IFilterMapper2> mapper;
  const HRESULT hr =
      ::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper));
  if (FAILED(hr)) return hr;
  return UnregisterFilterFromCategory(*mapper.Get(), clsid_, CLSID_LegacyAmFilterCategory, nullptr);
}

}  // namespace orvane
