#include "device/camera/state/DeviceState.h"

#include <cstring>
#include <utility>

#include "platform/win/PerformanceCounter.h"
#include "platform/win/SecurityDescriptor.h"
#include "platform/win/WindowsError.h"

namespace orvane::state {
namespace {

// Long enough for any other writer's copy of a 4K frame on a loaded machine; a holder that hangs
// longer makes calls fail with ERROR_TIMEOUT instead of stalling the caller for ever.
constexpr DWORD kLockTimeoutMs = 5000;

// Everyone may open the objects, also processes at low integrity (sandboxed browsers, packaged apps):
// a call app's filter must be able to register itself and read frames.
constexpr wchar_t kSharedObjectAccess[] = L"D:(A;;GA;;;WD)S:(ML;;NW;;;LW)";

uint64_t FileTimeValue(const FILETIME& time) {
  return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

}  // namespace

// Holds the device's mutex. A previous holder that died leaves it abandoned: the wait still gives us
// ownership, and the layout's protocols repair what it left half written.
class DeviceState::WriterLock {
 public:
  explicit WriterLock(HANDLE mutex) : mutex_(mutex) {
    const DWORD wait = WaitForSingleObject(mutex, kLockTimeoutMs);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
      held_ = true;
    } else {
      result_ = wait == WAIT_TIMEOUT ? HRESULT_FROM_WIN32(ERROR_TIMEOUT) : LastErrorResult();
    }
  }
  ~WriterLock() {
    if (held_) ReleaseMutex(mutex_);
  }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;
  HRESULT result() const { return result_; }

 private:
  HANDLE mutex_;
  bool held_ = false;
  HRESULT result_ = S_OK;
};

std::wstring StateSectionName(int32_t deviceNumber) {
  return L"Local\\NimbCamera.State." + std::to_wstring(deviceNumber);
}
std::wstring StateLockName(int32_t deviceNumber) {
  return L"Local\\NimbCamera.Lock." + std::to_wstring(deviceNumber);
}
std::wstring ClientEventName(int32_t deviceNumber, int32_t slot, uint32_t generation) {
  return L"Local\\NimbCamera.Frame." + std::to_wstring(deviceNumber) + L"." + std::to_wstring(slot) + L"." +
         std::to_wstring(generation);
}

HRESULT StateErrorToHresult(StateError error) {
  switch (error) {
    case StateError::None: return S_OK;
    case StateError::BadVersion: return HRESULT_FROM_WIN32(ERROR_REVISION_MISMATCH);
    case StateError::BadMagic: return HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);
    case StateError::TooSmall:
    case StateError::BadHeaderSize:
    case StateError::BadCapacity: return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    case StateError::BadRecord:
    case StateError::BadValue: return E_INVALIDARG;
    case StateError::FrameTooLarge: return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    case StateError::NoFrame: return HRESULT_FROM_WIN32(ERROR_NO_DATA);
    case StateError::TableFull: return HRESULT_FROM_WIN32(ERROR_TOO_MANY_OPEN_FILES);
  }
  return E_FAIL;
}

uint64_t CurrentProcessStartTime() {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  return FileTimeValue(created);
}

bool IsProcessAlive(uint32_t processId, uint64_t startTime) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) {
    // No such process. Any other failure (access denied to a process of another user or a higher
    // integrity) says nothing about its death: keep counting it.
    return GetLastError() != ERROR_INVALID_PARAMETER;
  }
  DWORD exitCode = 0;
  if (GetExitCodeProcess(process.get(), &exitCode) && exitCode != STILL_ACTIVE) return false;
  FILETIME created{}, exited{}, kernel{}, user{};
  if (GetProcessTimes(process.get(), &created, &exited, &kernel, &user) && startTime != 0) {
    return FileTimeValue(created) == startTime;  // a different time: the id was reused
  }
  return true;
}

HRESULT DeviceState::Open(int32_t deviceNumber, std::unique_ptr<DeviceState>& state, std::string* why,
                          uint32_t frameCapacity) {
  state.reset();
  const auto explain = [&](const char* text) {
    if (why != nullptr) *why = text;
  };
  if (deviceNumber < 0 || deviceNumber > 65535 || frameCapacity < sizeof(FrameHeader) ||
      frameCapacity > kMaxFrameCapacity) {
    explain("device number or frame capacity out of range");
    return E_INVALIDARG;
  }
  SecurityDescriptor security(kSharedObjectAccess);
  UniqueHandle lock(CreateMutexW(security.attributes(), FALSE, StateLockName(deviceNumber).c_str()));
  if (!lock) {
    explain("cannot create the device's lock");
    return LastErrorResult();
  }
  // Creation and initialisation happen under the lock, so no process sees a half-made header.
  WriterLock held(lock.get());
  if (FAILED(held.result())) {
    explain("the device's lock is held by a process that does not let go");
    return held.result();
  }
  const uint64_t size = SectionSize(frameCapacity);
  UniqueHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, security.attributes(), PAGE_READWRITE | SEC_COMMIT,
                                          static_cast<DWORD>(size >> 32), static_cast<DWORD>(size),
                                          StateSectionName(deviceNumber).c_str()));
  if (!mapping) {
    explain("cannot create or open the device's shared memory");
    return LastErrorResult();
  }
  const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
  UniqueMappedView memory(MapViewOfFile(mapping.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
  void* const view = memory.get();
  if (!memory) {
    explain("cannot map the device's shared memory");
    return LastErrorResult();
  }
  MEMORY_BASIC_INFORMATION region{};
  const size_t mapped = VirtualQuery(view, &region, sizeof region) != 0 ? region.RegionSize : 0;
  // A section whose creator died before writing its header is as good as new.
  uint32_t magic = 0;
  if (mapped >= sizeof magic) std::memcpy(&magic, view, sizeof magic);
  // The view gets the capacity this process checked; any process may change the header's copy after.
  uint32_t capacity = frameCapacity;
  if ((created || magic == 0) && mapped >= size) {
    InitialiseState(view, frameCapacity);
  } else {
    const StateError error = ValidateState(view, mapped, capacity);
    if (error != StateError::None) {
      explain(DescribeStateError(error));
      return StateErrorToHresult(error);
    }
  }
  state.reset(
      new DeviceState(deviceNumber, std::move(lock), std::move(mapping), std::move(memory), mapped, capacity));
  return S_OK;
}

DeviceState::DeviceState(int32_t deviceNumber, UniqueHandle lock, UniqueHandle mapping, UniqueMappedView memory,
                         size_t mappedSize, uint32_t frameCapacity)
    : deviceNumber_(deviceNumber),
      lock_(std::move(lock)),
      mapping_(std::move(mapping)),
      memory_(std::move(memory)),
      view_(memory_.get(), mappedSize, frameCapacity),
      clientEvents_(kClientSlots) {}

DeviceState::~DeviceState() = default;

HRESULT DeviceState::SetFrame(const uint8_t* record, size_t size) {
  WriterLock held(lock_.get());
  if (FAILED(held.result())) return held.result();
  const StateError error = view_.PublishFrame(record, size, static_cast<uint64_t>(PerformanceCounterTime()));
  if (error != StateError::None) return StateErrorToHresult(error);
  WakeClients();
  return S_OK;
}

void DeviceState::WakeClients() {
  view_.ForEachClient([&](int32_t slot, uint32_t generation) {
    ClientEvent& cached = clientEvents_[static_cast<size_t>(slot)];
    if (!cached.event || cached.generation != generation) {
      cached.event.reset(OpenEventW(EVENT_MODIFY_STATE, FALSE, ClientEventName(deviceNumber_, slot, generation).c_str()));
      cached.generation = generation;
    }
    // A client that died has no event left to open; counting reclaims its entry.
    if (cached.event) SetEvent(cached.event.get());
  });
}

StateError DeviceState::CopyLatestFrame(std::vector<uint8_t>& record, FrameInfo& info) const {
  return view_.CopyLatestFrame(record, info, static_cast<uint64_t>(PerformanceCounterTime()));
}

HRESULT DeviceState::UpdateSettings(const std::function<bool(StateSettings&)>& change) {
  WriterLock held(lock_.get());
  if (FAILED(held.result())) return held.result();
  return view_.UpdateSettings(change) ? S_OK : E_INVALIDARG;
}

HRESULT DeviceState::SetOutputFormat(const OutputFormat& format) {
  return UpdateSettings([&](StateSettings& settings) {
    settings.outputFormat = format;
    return true;
  });
}

HRESULT DeviceState::SetIdlePicture(const IdlePicturePayload& payload) {
  // The path must end inside its buffer; the last position is always NUL.
  bool terminated = false;
  for (char16_t unit : payload.path) terminated = terminated || unit == 0;
  if (!terminated) return E_INVALIDARG;
  return UpdateSettings([&](StateSettings& settings) {
    std::memcpy(settings.idlePicturePath, payload.path, sizeof payload.path);
    return true;
  });
}

HRESULT DeviceState::SetFillMode(int32_t mode) {
  if (!IsFillMode(mode)) return E_INVALIDARG;
  return UpdateSettings([&](StateSettings& settings) {
    settings.fillMode = mode;
    return true;
  });
}

HRESULT DeviceState::SetMirror(int32_t mirror) {
  if (mirror != 0 && mirror != 1) return E_INVALIDARG;
  return UpdateSettings([&](StateSettings& settings) {
    settings.mirror = mirror;
    return true;
  });
}

HRESULT DeviceState::SetFlip(int32_t flip) {
  if (flip != 0 && flip != 1) return E_INVALIDARG;
  return UpdateSettings([&](StateSettings& settings) {
    settings.flip = flip;
    return true;
  });
}

HRESULT DeviceState::SetDriverValue64(int64_t value) {
  return UpdateSettings([&](StateSettings& settings) {
    settings.driverValue64 = value;
    return true;
  });
}

HRESULT DeviceState::SetDriverParameter(int32_t key, int32_t value) {
  WriterLock held(lock_.get());
  if (FAILED(held.result())) return held.result();
  bool full = false;
  const bool changed = view_.UpdateSettings([&](StateSettings& settings) {
    DriverParameterEntry* free = nullptr;
    for (DriverParameterEntry& entry : settings.parameters) {
      if (entry.used != 0 && entry.key == key) {
        entry.value = value;
        return true;
      }
      if (entry.used == 0 && free == nullptr) free = &entry;
    }
    if (free == nullptr) {
      full = true;
      return false;
    }
    *free = DriverParameterEntry{key, value, 1, 0};
    return true;
  });
  if (full) return StateErrorToHresult(StateError::TableFull);
  return changed ? S_OK : E_INVALIDARG;
}

int32_t DeviceState::GetDriverParameter(int32_t key) const {
  const StateSettings settings = view_.ReadSettings();
  for (const DriverParameterEntry& entry : settings.parameters) {
    if (entry.used != 0 && entry.key == key) return entry.value;
  }
  return 0;
}

StateSettings DeviceState::Settings() const { return view_.ReadSettings(); }

HRESULT DeviceState::CountClients(int32_t& count) {
  count = 0;
  WriterLock held(lock_.get());
  if (FAILED(held.result())) return held.result();
  count = view_.CountClients(IsProcessAlive);
  return S_OK;
}

HRESULT DeviceState::RegisterClient(std::unique_ptr<ClientRegistration>& registration) {
  registration.reset();
  WriterLock held(lock_.get());
  if (FAILED(held.result())) return held.result();
  uint32_t generation = 0;
  int32_t slot = view_.ClaimClient(GetCurrentProcessId(), CurrentProcessStartTime(), generation);
  if (slot < 0) {
    // Entries of crashed clients may be all that fills the table.
    view_.CountClients(IsProcessAlive);
    slot = view_.ClaimClient(GetCurrentProcessId(), CurrentProcessStartTime(), generation);
    if (slot < 0) return StateErrorToHresult(StateError::TableFull);
  }
  SecurityDescriptor security(kSharedObjectAccess);
  UniqueHandle event(
      CreateEventW(security.attributes(), FALSE, FALSE, ClientEventName(deviceNumber_, slot, generation).c_str()));
  if (!event) {
    const HRESULT result = LastErrorResult();
    view_.ReleaseClient(slot, generation);
    return result;
  }
  registration.reset(new ClientRegistration(*this, slot, generation, std::move(event)));
  return S_OK;
}

void DeviceState::Unregister(int32_t slot, uint32_t generation) {
  WriterLock held(lock_.get());
  // Without the lock the entry stays until a count finds this process gone or it exits.
  if (SUCCEEDED(held.result())) view_.ReleaseClient(slot, generation);
}

ClientRegistration::~ClientRegistration() { state_.Unregister(slot_, generation_); }

uint64_t ClientRegistration::WaitForFrame(uint64_t seen, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    const uint64_t counter = state_.FrameCounter();
    if (counter != seen) return counter;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return counter;
    // The event may still be set for a frame already seen: the loop checks the counter again.
    WaitForSingleObject(event_.get(), static_cast<DWORD>(deadline - now));
  }
}

}  // namespace orvane::state
