// The shared state of virtual camera device n as every process that opens the device sees it: a named
// section laid out as SharedLayout.h says, a named mutex that serialises its writers, and one frame
// event per registered client, so that a client's streaming thread waits for new frames instead of
// polling. The producer (the renderer, through property 0) and the settings calls write; the client
// filter instances read frames and settings without locking.
//
// A DeviceState owns its handles and mapping and may be used by several threads of its process at
// once: every write takes the device's mutex, reads take none. A ClientRegistration belongs to the
// client filter instance that created it (one streaming thread waits on it at a time) and must not
// outlive its DeviceState.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/camera/state/SharedLayout.h"
#include "platform/win/UniqueResource.h"

namespace orvane::state {

// The objects' names for device n: "Local\NimbCamera.State.<n>", "Local\NimbCamera.Lock.<n>" and
// "Local\NimbCamera.Frame.<n>.<slot>.<generation>". Local to the logon session, like the apps using them.
std::wstring StateSectionName(int32_t deviceNumber);
std::wstring StateLockName(int32_t deviceNumber);
std::wstring ClientEventName(int32_t deviceNumber, int32_t slot, uint32_t generation);

// HRESULTs of the state's refusals: a section of another version gives ERROR_REVISION_MISMATCH, one
// that is not a device state ERROR_BAD_FORMAT, an inconsistent one ERROR_INVALID_DATA; a bad frame
// record or setting E_INVALIDARG; a frame larger than a slot ERROR_INSUFFICIENT_BUFFER; a full table
// ERROR_TOO_MANY_OPEN_FILES... (all as HRESULT_FROM_WIN32 except E_INVALIDARG).
HRESULT StateErrorToHresult(StateError error);

// A process as the client table records it: its id and its creation time.
uint64_t CurrentProcessStartTime();
// False only when the process is known to be gone (or its id now names a later process).
bool IsProcessAlive(uint32_t processId, uint64_t startTime);

class ClientRegistration;

class DeviceState {
 public:
  // Opens the state of device `deviceNumber` (0..65535), creating and initialising it when this is the
  // first process to open it. An existing section that fails ValidateState is refused: the HRESULT of
  // StateErrorToHresult, with `why` (optional) saying what is wrong. `frameCapacity` only applies to a
  // section this call creates.
  static HRESULT Open(int32_t deviceNumber, std::unique_ptr<DeviceState>& state, std::string* why = nullptr,
                      uint32_t frameCapacity = kDefaultFrameCapacity);
  ~DeviceState();
  DeviceState(const DeviceState&) = delete;
  DeviceState& operator=(const DeviceState&) = delete;

  int32_t deviceNumber() const { return deviceNumber_; }
  uint32_t frameCapacity() const { return view_.frameCapacity(); }

  // Property 0: validates the record (header geometry, length 16 + image size, slot capacity) and makes
  // it the latest frame, then wakes every registered client. A refused record changes nothing.
  HRESULT SetFrame(const uint8_t* record, size_t size);

  // Properties 1, 4, 5, 6, 7, 10 and 12. Out-of-range values (an output format CheckOutputFormat
  // refuses, fill mode above 2, mirror or flip other than 0 or 1, an idle path without its NUL) give
  // E_INVALIDARG and change nothing. A change left half done by a writer that died is completed.
  HRESULT SetOutputFormat(const OutputFormat& format);
  HRESULT SetIdlePicture(const IdlePicturePayload& payload);
  HRESULT SetFillMode(int32_t mode);
  HRESULT SetMirror(int32_t mirror);
  HRESULT SetFlip(int32_t flip);
  HRESULT SetDriverValue64(int64_t value);
  // Keeps up to kDriverParameterSlots keys; a new key beyond that gives ERROR_TOO_MANY_OPEN_FILES.
  HRESULT SetDriverParameter(int32_t key, int32_t value);
  // The value last set for `key`, 0 for a key never set.
  int32_t GetDriverParameter(int32_t key) const;
  // The current settings, or this process's last good ones while the section's are being changed or
  // are damaged (StateView::CopySettings); never waits on a writer.
  StateSettings Settings() const;

  // Property 9: the applications with a client registered, reclaiming entries of dead processes.
  // Negative (an HRESULT) when the lock cannot be taken.
  HRESULT CountClients(int32_t& count);

  uint64_t FrameCounter() const { return view_.FrameCounter(); }
  // StateView::CopyLatestFrame with the performance counter's time now: `info.publishedTime` is never
  // later than the clock (it may be arbitrarily old, when another process wrote it).
  StateError CopyLatestFrame(std::vector<uint8_t>& record, FrameInfo& info) const;

  // A client filter instance going to paused or running registers; destroying the registration
  // (when it stops) unregisters it. Until then it counts towards property 9 and gets frame events.
  HRESULT RegisterClient(std::unique_ptr<ClientRegistration>& registration);

 private:
  class WriterLock;
  friend class ClientRegistration;
  DeviceState(int32_t deviceNumber, UniqueHandle lock, UniqueHandle mapping, UniqueMappedView memory,
              size_t mappedSize, uint32_t frameCapacity);
  void WakeClients();
  HRESULT UpdateSettings(const std::function<bool(StateSettings&)>& change);
  void Unregister(int32_t slot, uint32_t generation);

  int32_t deviceNumber_;
  UniqueHandle lock_;
  UniqueHandle mapping_;
  UniqueMappedView memory_;  // before view_, which reads it
  StateView view_;
  // Frame events of the clients, opened as they appear; used under the writer lock only.
  struct ClientEvent {
    uint32_t generation = 0;
    UniqueHandle event;
  };
  std::vector<ClientEvent> clientEvents_;
};

class ClientRegistration {
 public:
  ~ClientRegistration();
  ClientRegistration(const ClientRegistration&) = delete;
  ClientRegistration& operator=(const ClientRegistration&) = delete;

  // Waits until the frame counter differs from `seen` or `timeoutMs` passes; returns the counter then.
  uint64_t WaitForFrame(uint64_t seen, DWORD timeoutMs);
  // Signalled when a frame is published (auto-reset), to wait on together with a stop event.
  HANDLE frameEvent() const { return event_.get(); }

 private:
  friend class DeviceState;
  ClientRegistration(DeviceState& state, int32_t slot, uint32_t generation, UniqueHandle event)
      : state_(state), slot_(slot), generation_(generation), event_(std::move(event)) {}
  DeviceState& state_;
  int32_t slot_;
  uint32_t generation_;
  UniqueHandle event_;
};

}  // namespace orvane::state
