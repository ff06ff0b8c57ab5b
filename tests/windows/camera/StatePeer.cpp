// A second (or third) process for the shared state tests, started by them:
//   camera_state_peer produce <device> <frames>     publishes frames of varying sizes, each filled with
//                                                   one byte, then the end marker (a 2 x 2 frame)
//   camera_state_peer read <device> <ready-event>   registers, signals ready, copies frames until the
//                                                   end marker; exit 0 = every copy whole, 1 = a torn
//                                                   copy, 2 = no frame for 10 s, 3 = setup failed
//   camera_state_peer client <device> <ready-event> <quit-event>
//                                                   registers a client, signals ready, waits for quit
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 3;
  const std::wstring mode = argv[1];
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
