// What every program that lists video input devices needs to read about one: a text property of the
// device's property bag, and whether its capture filter is one of Orvane's virtual cameras (it answers
// QuerySupported for property 0 of VirtualCameraPropertySet). Any thread with COM initialised; nothing
// is kept.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <string>

namespace orvane {

// The bag's value `name` as text; empty when it is missing or not a string.
std::wstring ReadPropertyBagText(IPropertyBag& bag, const wchar_t* name);

// QuerySupported of property 0 on the filter's IKsPropertySet: its result, with the support flags in
// `support`. E_NOINTERFACE (support 0) when the filter has no IKsPropertySet, E_POINTER for no filter.
HRESULT QueryVirtualCameraSupport(IBaseFilter* filter, DWORD& support);

// The application's test: the query answers exactly S_OK (a device that answers S_FALSE has not said
// it supports the set) and the support flags carry the Set bit.
bool IsVirtualCameraFilter(IBaseFilter* filter);

}  // namespace orvane
