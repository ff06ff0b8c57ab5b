// A virtual camera device's shared state as a call app's process meets it: its own writes and reads
// interleaved with arbitrary writes of another process into any byte of the section. The input is a
// sequence of operations, each a byte that picks it and the bytes of its arguments. The section is a
// small one allocated at exactly its size, so AddressSanitizer reports any access past it; after every
// operation the results must keep the layout's promises (a copied frame is a valid record within the
// view's capacity, settings handed out pass their checks after a few copies at most, a full client
// table is one of live entries only, a frame just published is the one a copy returns).
//
//   build/fuzz/fuzz/shared_section_fuzzer -max_total_time=300 -timeout=5
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "device/camera/state/SharedLayout.h"
#include "fuzz/FuzzInput.h"

namespace {

using namespace orvane;
using namespace orvane::state;

constexpr uint32_t kCapacity = 16 + 8 * 8 * 4;  // an 8 x 8 RGB32 frame; larger ones are refused

void Check(bool promise) {
  if (!promise) abort();
}

using Input = fuzzing::FuzzInput;

// Fields that decide what the layer does, so that writes reach them more often than by chance.
const size_t kFieldOffsets[] = {
    offsetof(StateHeader, magic),
    offsetof(StateHeader, frameCapacity),
    offsetof(StateHeader, sectionSize),
    offsetof(StateHeader, settingsSequence),
    offsetof(StateHeader, settings) + offsetof(StateSettings, outputFormat),
    offsetof(StateHeader, settings) + offsetof(StateSettings, fillMode),
    offsetof(StateHeader, settings) + offsetof(StateSettings, mirror),
    offsetof(StateHeader, settings) + offsetof(StateSettings, idlePicturePath) + 2 * 250,
    offsetof(StateHeader, frameCounter),
    offsetof(StateHeader, latestSlot),
    offsetof(StateHeader, slots) + offsetof(FrameSlot, sequence),
    offsetof(StateHeader, slots) + offsetof(FrameSlot, publishedTime),
    offsetof(StateHeader, slots) + offsetof(FrameSlot, recordSize),
    offsetof(StateHeader, slots) + sizeof(FrameSlot) + offsetof(FrameSlot, sequence),
    offsetof(StateHeader, slots) + sizeof(FrameSlot) + offsetof(FrameSlot, recordSize),
    offsetof(StateHeader, clients) + offsetof(ClientEntry, state),
    offsetof(StateHeader, clients) + 5 * sizeof(ClientEntry) + offsetof(ClientEntry, state),
    offsetof(StateHeader, clients) + 63 * sizeof(ClientEntry) + offsetof(ClientEntry, state),
    sizeof(StateHeader) + 8,  // the first slot's frame header
};

bool IsValidRecord(const std::vector<uint8_t>& record) {
  if (record.size() < sizeof(FrameHeader)) return false;
  FrameHeader header;
  std::memcpy(&header, record.data(), sizeof header);
  const CheckedFrame checked = CheckFrameGeometry(header);
  return checked.ok() && record.size() == checked.recordSize();
}

std::vector<uint8_t> MakeRecord(Input& in) {
  const auto type = static_cast<FramePixelType>(in.Int(0, 4));
  const int32_t width = in.Int(-1, 12);
  const int32_t height = in.Int(-12, 12);
  const int32_t stride = in.Int(-1, 60);
  const FrameHeader header{type, width, height, stride};
  const CheckedFrame checked = CheckFrameGeometry(header);
  size_t size = checked.ok() ? checked.recordSize() : sizeof header;
  size += in.Int(-1, 1) * (in.Byte() % 4 == 0);  // now and then a length that does not match
  std::vector<uint8_t> record(size < sizeof header ? sizeof header : size, in.Byte());
  std::memcpy(record.data(), &header, sizeof header);
  return record;
}

void MakeChange(Input& in, StateSettings& settings) {
  switch (in.Byte() % 6) {
    case 0: settings.outputFormat = OutputFormat{in.Int(-1, 9), in.Int(0, 9), in.Int(0, 2), in.Int(0, 1), in.Int(-1, 5)}; break;
    case 1: settings.fillMode = in.Int(-1, 3); break;
    case 2: settings.mirror = in.Int(-1, 2); break;
    case 3: settings.flip = in.Int(-1, 2); break;
    case 4: settings.idlePicturePath[in.Byte()] = static_cast<char16_t>(in.Byte()); break;
    default: settings.driverValue64 = static_cast<int64_t>(in.U64()); break;
  }
}

// Another process writes a few bytes, at a field that matters or anywhere.
void Scribble(Input& in, uint8_t* memory, size_t size) {
  const uint8_t where = in.Byte();
  size_t offset = where < 2 * std::size(kFieldOffsets) ? kFieldOffsets[where % std::size(kFieldOffsets)]
                                                       : in.U32() % size;
  const size_t length = 1 + in.Byte() % 8;
  for (size_t i = 0; i < length && offset < size; ++i, ++offset) memory[offset] = in.Byte();
}

struct Client {
  int32_t slot;
  uint32_t generation;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  const size_t sectionSize = SectionSize(kCapacity);
  const std::unique_ptr<uint64_t[]> bytes(new uint64_t[sectionSize / 8]());
  uint8_t* const memory = reinterpret_cast<uint8_t*>(bytes.get());
  auto* const header = reinterpret_cast<StateHeader*>(memory);
  InitialiseState(memory, kCapacity);
  // Two views, as two processes hold them: each keeps the capacity it validated.
  std::unique_ptr<StateView> views[2] = {std::make_unique<StateView>(memory, sectionSize, kCapacity),
                                         std::make_unique<StateView>(memory, sectionSize, kCapacity)};
  std::vector<Client> clients;
  std::vector<uint8_t> copy;

  for (int operation = 0; operation < 256 && !in.empty(); ++operation) {
    const uint8_t choice = in.Byte();
    StateView& view = *views[choice >> 7];
    switch (choice % 10) {
      case 0: {  // publish, then the copy must give back exactly that frame
        const std::vector<uint8_t> record = MakeRecord(in);
        const uint64_t time = in.U64();
        const StateError published = view.PublishFrame(record.data(), record.size(), time);
        Check(published != StateError::None || (IsValidRecord(record) && record.size() <= view.frameCapacity()));
        if (published != StateError::None) break;
        FrameInfo info;
        Check(view.CopyLatestFrame(copy, info) == StateError::None && copy == record);
        Check(info.frameNumber == view.FrameCounter() && info.frameNumber != 0);
        Check(info.publishedTime == (time > uint64_t(INT64_MAX) ? uint64_t(INT64_MAX) : time));
        break;
      }
      case 1: {  // copy whatever the slots hold now
        const uint64_t now = in.U64();
        FrameInfo info;
        const StateError copied = view.CopyLatestFrame(copy, info, now);
        Check(copied == StateError::None || copied == StateError::NoFrame || copied == StateError::BadRecord);
        if (copied != StateError::None) break;
        Check(IsValidRecord(copy) && copy.size() <= view.frameCapacity());
        Check(info.publishedTime <= now && info.publishedTime <= uint64_t(INT64_MAX));
        break;
      }
      case 2: {
        const SettingsCopy read = view.CopySettings();
        Check(AreValidSettings(read.settings));
        Check(read.copies <= kSettingsCopies);
        break;
      }
      case 3: {  // a change, accepted exactly when its result passes the checks, then read back whole
        const bool accept = (in.Byte() & 7) != 0;
        StateSettings written;
        bool valid = false;
        const bool changed = view.UpdateSettings([&](StateSettings& settings) {
          MakeChange(in, settings);
          written = settings;
          valid = AreValidSettings(settings);
          return accept;
        });
        Check(changed == (accept && valid));
        if (!changed) break;
        Check(header->settingsSequence % 2 == 0);
        for (const auto& reader : views) {
          const SettingsCopy read = reader->CopySettings();
          Check(read.source == SettingsSource::Section && read.copies == 1);
          Check(std::memcmp(&read.settings, &written, sizeof written) == 0);
        }
        break;
      }
      case 4: {  // a refused claim means every entry holds an active client
        uint32_t generation = 0;
        const int32_t slot = view.ClaimClient(in.U32(), in.U64(), generation);
        if (slot >= 0) {
          Check(slot < int32_t(kClientSlots) && header->clients[slot].state == kClientActive);
          clients.push_back({slot, generation});
          break;
        }
        for (const ClientEntry& entry : header->clients) Check(entry.state == kClientActive);
        break;
      }
      case 5: {
        if (clients.empty() || (in.Byte() & 3) == 0) {
          view.ReleaseClient(static_cast<int32_t>(in.U32()), in.U32());
        } else {
          const size_t which = in.Byte() % clients.size();
          view.ReleaseClient(clients[which].slot, clients[which].generation);
          clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(which));
        }
        break;
      }
      case 6: {  // counting leaves only free and active entries
        const uint32_t deadMask = in.U32();
        const int32_t count = view.CountClients([&](uint32_t processId, uint64_t) {
          return ((deadMask >> (processId % 32)) & 1) == 0;
        });
        Check(count >= 0 && count <= int32_t(kClientSlots));
        for (const ClientEntry& entry : header->clients) {
          Check(entry.state == kClientFree || entry.state == kClientActive);
        }
        view.ForEachClient([&](int32_t slot, uint32_t) {
          Check(slot >= 0 && slot < int32_t(kClientSlots));
        });
        break;
      }
      case 7: {  // another process reopens the section while it is written: the view it makes has
                 // the capacity it checked, whatever the header says by then
        uint32_t capacity = 0;
        const bool valid = ValidateState(memory, sectionSize, capacity) == StateError::None;
        Scribble(in, memory, sectionSize);
        if (valid) {
          Check(SectionSize(capacity) <= sectionSize);
          views[choice >> 7] = std::make_unique<StateView>(memory, sectionSize, capacity);
          Check(views[choice >> 7]->frameCapacity() == capacity);
        }
        break;
      }
      default:
        Scribble(in, memory, sectionSize);
        break;
    }
  }
  return 0;
}
