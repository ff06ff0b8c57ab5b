// A second (or third) process for the shared state tests, started by them:
//   camera_state_peer produce <device> <frames>     publishes frames of varying sizes, each filled with
//                                                   one byte, then the end marker (a 2 x 2 frame)
//   camera_state_peer read <device> <ready-event>   registers, signals ready, copies frames until the
//                                                   end marker; exit 0 = every copy whole, 1 = a torn
//                                                   copy, 2 = no frame for 10 s, 3 = setup failed
//   camera_state_peer client <device> <ready-event> <quit-event>
//                                                   registers a client, signals ready, waits for quit
//   camera_state_peer corrupt <device> <ready-event> <stop-event> <test-process-id>
//                                                   a hostile process: without the lock, writes garbage
//                                                   into the capacity, the sequences, the settings, the
//                                                   client table and the frame slots, round after round,
//                                                   signals ready after the first round, exits 0 on stop
//   camera_state_peer abandon-settings <device> <ready-event> <test-process-id>
//                                                   a settings writer that dies mid-change: takes the
//                                                   lock, makes the sequence odd, writes half a change,
//                                                   signals ready and waits to be terminated
// The last two also end when the test process does, so that a test that crashes leaves no peer behind.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "device/camera/state/DeviceState.h"
#include "platform/win/UniqueResource.h"

using namespace orvane;
using namespace orvane::state;

namespace {

std::vector<uint8_t> Record(int width, int height, uint8_t fill) {
  const FrameHeader header{FramePixelType::YUY2, width, height, 2 * width};
  std::vector<uint8_t> record(16 + size_t(2 * width) * height, fill);
  std::memcpy(record.data(), &header, sizeof header);
  return record;
}

bool Signal(const wchar_t* name) {
  UniqueHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, name));
  return event && SetEvent(event.get());
}

// The device's section mapped as any process of the session may map it, and the bytes it spans.
struct RawSection {
  explicit RawSection(int32_t device) {
    mapping.reset(OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, StateSectionName(device).c_str()));
    if (mapping) view.reset(MapViewOfFile(mapping.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
    MEMORY_BASIC_INFORMATION region{};
    if (view && VirtualQuery(view.get(), &region, sizeof region) != 0) size = region.RegionSize;
  }
  bool ok() const { return size > sizeof(StateHeader); }
  StateHeader& header() const { return *static_cast<StateHeader*>(view.get()); }
  uint8_t* bytes() const { return static_cast<uint8_t*>(view.get()); }
  UniqueHandle mapping;
  UniqueMappedView view;
  size_t size = 0;
};

// xorshift64: garbage that differs from round to round.
uint64_t Next(uint64_t& state) {
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return state;
}

void Corrupt(const RawSection& section, uint32_t realCapacity, uint64_t& random) {
  StateHeader& h = section.header();
  // The real capacity at one moment and another the next (with a matching section size), so that a
  // process that checked one reading and used a second would size its slots by garbage.
  const uint32_t capacity = (Next(random) & 1) ? realCapacity : static_cast<uint32_t>(Next(random) % (64u << 20));
  h.frameCapacity = capacity;
  h.sectionSize = SectionSize(capacity);
  h.settingsSequence = Next(random);
  const uint64_t garbage = Next(random);
  std::memcpy(reinterpret_cast<uint8_t*>(&h.settings) + Next(random) % (sizeof h.settings - 8), &garbage, 8);
  if (Next(random) & 1) h.settings.outputFormat.width = static_cast<int32_t>(Next(random));
  if (Next(random) & 1) h.settings.fillMode = static_cast<int32_t>(Next(random));
  h.frameCounter = (Next(random) & 1) ? h.frameCounter + 1 : Next(random);
  h.latestSlot = static_cast<uint32_t>(Next(random));
  for (FrameSlot& slot : h.slots) {
    slot.sequence = Next(random);
    slot.recordSize = static_cast<uint32_t>(Next(random) % (1u << (Next(random) % 32)));
    slot.publishedTime = Next(random);
  }
  // No entry left free or active: only a table that reclaims damaged entries takes new clients.
  for (ClientEntry& entry : h.clients) {
    entry.state = 2 + static_cast<uint32_t>(Next(random) % 0xFFFFFFFDu);
    entry.processId = static_cast<uint32_t>(Next(random));
  }
  for (int i = 0; i < 64; ++i) {
    section.bytes()[sizeof(StateHeader) + Next(random) % (section.size - sizeof(StateHeader))] =
        static_cast<uint8_t>(Next(random));
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 3;
  const std::wstring mode = argv[1];
  if (mode == L"corrupt" && argc == 6) {
    const RawSection section(_wtoi(argv[2]));
    UniqueHandle stop(OpenEventW(SYNCHRONIZE, FALSE, argv[4]));
    UniqueHandle test(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(_wtoi(argv[5]))));
    if (!section.ok() || !stop || !test) return 3;
    uint64_t random = 0x9E3779B97F4A7C15ull ^ GetCurrentProcessId();
    const uint32_t capacity = section.header().frameCapacity;
    Corrupt(section, capacity, random);
    if (!Signal(argv[3])) return 3;
    const HANDLE ends[] = {stop.get(), test.get()};
    while (WaitForMultipleObjects(2, ends, FALSE, 0) == WAIT_TIMEOUT) Corrupt(section, capacity, random);
    return 0;
  }
  if (mode == L"abandon-settings" && argc == 5) {
    const int32_t device = _wtoi(argv[2]);
    const RawSection section(device);
    UniqueHandle lock(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, StateLockName(device).c_str()));
    UniqueHandle test(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(_wtoi(argv[4]))));
    if (!section.ok() || !lock || !test || WaitForSingleObject(lock.get(), 60000) != WAIT_OBJECT_0) return 3;
    StateHeader& h = section.header();
    h.settingsSequence |= 1;
    h.settings.outputFormat.width = 0;  // the first half of a change; the second half never comes
    h.settings.fillMode = 1234;
    if (!Signal(argv[3])) return 3;
    WaitForSingleObject(test.get(), INFINITE);
    return 2;
  }
  std::unique_ptr<DeviceState> state;
  if (FAILED(DeviceState::Open(_wtoi(argv[2]), state))) return 3;

  if (mode == L"produce" && argc == 4) {
    const int frames = _wtoi(argv[3]);
    for (int frame = 1; frame <= frames; ++frame) {
      const std::vector<uint8_t> record = Record(320 + 16 * (frame % 8), 120 + frame % 32, uint8_t(frame));
      if (FAILED(state->SetFrame(record.data(), record.size()))) return 3;
    }
    const std::vector<uint8_t> end = Record(2, 2, 0);
    return SUCCEEDED(state->SetFrame(end.data(), end.size())) ? 0 : 3;
  }
  if (mode == L"read" && argc == 4) {
    std::unique_ptr<ClientRegistration> client;
    if (FAILED(state->RegisterClient(client)) || !Signal(argv[3])) return 3;
    std::vector<uint8_t> copy;
    FrameInfo info;
    uint64_t seen = state->FrameCounter();
    for (;;) {
      const uint64_t counter = client->WaitForFrame(seen, 10000);
      if (counter == seen) return 2;
      seen = counter;
      if (state->CopyLatestFrame(copy, info) != StateError::None) continue;
      for (size_t i = 17; i < copy.size(); ++i) {
        if (copy[i] != copy[16]) return 1;
      }
      FrameHeader header;
      std::memcpy(&header, copy.data(), sizeof header);
      if (header.width == 2) return 0;
    }
  }
  if (mode == L"client" && argc == 5) {
    std::unique_ptr<ClientRegistration> client;
    UniqueHandle quit(OpenEventW(SYNCHRONIZE, FALSE, argv[4]));
    if (!quit || FAILED(state->RegisterClient(client)) || !Signal(argv[3])) return 3;
    return WaitForSingleObject(quit.get(), 60000) == WAIT_OBJECT_0 ? 0 : 2;
  }
  return 3;
}
