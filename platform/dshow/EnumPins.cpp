#include "platform/dshow/EnumPins.h"

#include "platform/com/ComBoundary.h"

namespace orvane {

HRESULT EnumPins::Create(std::vector<ComPtr<IPin>> pins, size_t position, IEnumPins** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  ComPtr<ComObject<EnumPins>> created;
  const HRESULT hr = ComObject<EnumPins>::Create(created, std::move(pins), position);
  if (FAILED(hr)) return hr;
  *out = created.Detach();
  return S_OK;
}

EnumPins::EnumPins(std::vector<ComPtr<IPin>> pins, size_t position)
    : pins_(std::move(pins)), position_(position) {}

STDMETHODIMP EnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr) return E_POINTER;
  if (fetched == nullptr && count != 1) return E_INVALIDARG;
  ULONG handed = 0;
  while (handed < count && position_ < pins_.size()) {
    ComPtr<IPin> pin = pins_[position_++];
    pins[handed++] = pin.Detach();
  }
  if (fetched != nullptr) *fetched = handed;
  return handed == count ? S_OK : S_FALSE;
}

STDMETHODIMP EnumPins::Skip(ULONG count) {
  const size_t left = pins_.size() - position_;
  if (count > left) {
    position_ = pins_.size();
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

STDMETHODIMP EnumPins::Reset() {
  position_ = 0;
  return S_OK;
}

STDMETHODIMP EnumPins::Clone(IEnumPins** out) {
  return GuardComCall([&] { return Create(pins_, position_, out); });
}

}  // namespace orvane
