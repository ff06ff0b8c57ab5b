#include "platform/dshow/EnumMediaTypes.h"

#include "platform/com/ComBoundary.h"

namespace orvane {

HRESULT EnumMediaTypes::Create(ComPtr<IUnknown> owner, Snapshot snapshot, IEnumMediaTypes** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  ComPtr<ComObject<EnumMediaTypes>> created;
  const HRESULT hr = ComObject<EnumMediaTypes>::Create(created, std::move(owner), std::move(snapshot));
  if (FAILED(hr)) return hr;
  *out = created.Detach();
  return S_OK;
}

EnumMediaTypes::EnumMediaTypes(ComPtr<IUnknown> owner, Snapshot snapshot)
    : owner_(std::move(owner)), snapshot_(std::move(snapshot)) {}

HRESULT EnumMediaTypes::FinalConstruct() { return snapshot_(types_); }

STDMETHODIMP EnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (types == nullptr) return E_POINTER;
  if (fetched == nullptr && count != 1) return E_INVALIDARG;
  ULONG handed = 0;
  while (handed < count && position_ < types_.size()) {
    AM_MEDIA_TYPE* copy = CreateMediaTypeCopy(types_[position_].get());
    if (copy == nullptr) {
      // Give back what this call handed out: a failed Next leaves the caller owning nothing.
      for (ULONG i = 0; i < handed; ++i) {
        MediaTypeDeleter{}(types[i]);
        types[i] = nullptr;
      }
      position_ -= handed;
      if (fetched != nullptr) *fetched = 0;
      return E_OUTOFMEMORY;
    }
    types[handed++] = copy;
    ++position_;
  }
  if (fetched != nullptr) *fetched = handed;
  return handed == count ? S_OK : S_FALSE;
}

STDMETHODIMP EnumMediaTypes::Skip(ULONG count) {
  const size_t left = types_.size() - position_;
  if (count > left) {
    position_ = types_.size();
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

STDMETHODIMP EnumMediaTypes::Reset() {
  return GuardComCall([&] {
    std::vector<MediaType> fresh;
    const HRESULT hr = snapshot_(fresh);
    if (FAILED(hr)) return hr;
    types_ = std::move(fresh);
    position_ = 0;
    return S_OK;
  });
}

STDMETHODIMP EnumMediaTypes::Clone(IEnumMediaTypes** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  ComPtr<IEnumMediaTypes> clone;
  const HRESULT hr = GuardComCall([&] { return Create(owner_, snapshot_, &clone); });
  if (FAILED(hr)) return hr;
  // The clone starts where this one stands.
  if (position_ > 0) clone->Skip(static_cast<ULONG>(position_));
  *out = clone.Detach();
  return S_OK;
}

}  // namespace orvane
