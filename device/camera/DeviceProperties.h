// The private property set (VirtualCameraPropertySet) as the virtual camera device answers it through
// its filter's IKsPropertySet: which property supports which operation, the exact payload sizes, the
// checks of every payload before it is used, and what each property does to the device's shared state.
//
// Results, in the order they are checked:
//   another property set                       E_PROP_SET_UNSUPPORTED
//   an id the set does not have, or an
//   operation the property does not support    E_PROP_ID_UNSUPPORTED (QuerySupported says which)
//   no data buffer (Set), no buffer and no
//   byte count (Get), no support pointer       E_POINTER
//   Set with a length other than the payload's E_INVALIDARG (property 0: a frame record whose length
//                                              is not 16 + its image size, or whose geometry is bad)
//   Get with a buffer shorter than the payload HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), the
//                                              needed size in the byte count
//   Get with a buffer longer than the payload  E_INVALIDARG
//   a value outside its range                  E_INVALIDARG (property 4: a path or file that clients
//                                              would not open, IdlePictureDecoder.h; a missing file is
//                                              taken, it may be copied into place later)
// A Get without a buffer but with a byte count answers the payload size with S_OK. A Get writes
// exactly the payload's bytes and reports that count. Instance data is not read, except by the Get of
// property 12, which takes the key from it when given (at least 4 bytes), else from bytes 0..3 of the
// data buffer. Errors of the shared state (a frame larger than the device's slots, a full parameter
// table, a lock that cannot be taken) and of renaming pass through unchanged. A refused call changes
// nothing.
//
// Any thread, concurrently: the producer's streaming thread sets frames while other threads and
// processes change settings; the shared state serialises the writers.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "device/camera/state/DeviceState.h"

namespace orvane::camera {

class DeviceProperties {
 public:
  // Gives the device's shared state, opening it at the first call that needs it.
  using OpenDevice = std::function<HRESULT(std::shared_ptr<state::DeviceState>& device)>;

  explicit DeviceProperties(OpenDevice open) : open_(std::move(open)) {}

  HRESULT Set(const GUID& set, DWORD id, const void* instance, DWORD instanceLength, const void* data,
              DWORD dataLength);
  HRESULT Get(const GUID& set, DWORD id, const void* instance, DWORD instanceLength, void* data, DWORD dataLength,
              DWORD* returned);
  // S_OK with the KSPROPERTY_SUPPORT_GET / KSPROPERTY_SUPPORT_SET bits of the property.
  static HRESULT QuerySupported(const GUID& set, DWORD id, DWORD* support);

 private:
  HRESULT SetFixed(state::DeviceState& device, DWORD id, const void* data);
  HRESULT GetFixed(state::DeviceState& device, DWORD id, const void* key, void* data);

  OpenDevice open_;
};

}  // namespace orvane::camera
