// IEnumPins over the pins a filter had when the enumerator was created. Holds a reference to each pin
// (and so to the filter). One enumerator belongs to one caller's thread at a time.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <vector>

#include "platform/com/ComObject.h"

namespace orvane {

class EnumPins : public ComObjectRoot, public IEnumPins {
 public:
  using Interfaces = InterfaceList<IEnumPins>;

  static HRESULT Create(std::vector<ComPtr<IPin>> pins, size_t position, IEnumPins** out);

  EnumPins(std::vector<ComPtr<IPin>> pins, size_t position);

  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumPins** out) override;

 private:
  std::vector<ComPtr<IPin>> pins_;
  size_t position_;
};

}  // namespace orvane
