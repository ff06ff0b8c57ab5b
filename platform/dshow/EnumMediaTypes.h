// IEnumMediaTypes over a snapshot of a pin's media types, taken when the enumerator is created (and
// again on Reset, through the pin's refresh function). Owns its copies of the types and a reference
// to the pin. One enumerator belongs to one caller's thread at a time.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/dshow/MediaType.h"

namespace orvane {

class EnumMediaTypes : public ComObjectRoot, public IEnumMediaTypes {
 public:
  using Interfaces = InterfaceList<IEnumMediaTypes>;
  // Fills the list with the pin's current media types.
  using Snapshot = std::function<HRESULT(std::vector<MediaType>& types)>;

  // Creates an enumerator positioned before the first type. `owner` keeps the pin alive.
  static HRESULT Create(ComPtr<IUnknown> owner, Snapshot snapshot, IEnumMediaTypes** out);

  EnumMediaTypes(ComPtr<IUnknown> owner, Snapshot snapshot);

  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumMediaTypes** out) override;

 protected:
  HRESULT FinalConstruct() override;

 private:
  ComPtr<IUnknown> owner_;
  Snapshot snapshot_;
  std::vector<MediaType> types_;
  size_t position_ = 0;
};

}  // namespace orvane
