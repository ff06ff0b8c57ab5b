#include "device/camera/state/SharedLayout.h"

#include <atomic>
#include <cstring>
#include <set>
#include <thread>
#include <utility>

namespace orvane::state {
namespace {

constexpr uint64_t kSlotAlignment = 64;
constexpr int kReadAttempts = 16;
constexpr int kSettingsAttempts = 100000;

uint64_t AlignUp(uint64_t value) { return (value + kSlotAlignment - 1) & ~(kSlotAlignment - 1); }
uint64_t SlotOffset(uint32_t capacity, uint32_t slot) {
  return AlignUp(sizeof(StateHeader)) + slot * AlignUp(capacity);
}

template <typename T>
std::atomic_ref<T> Atomic(T& value) {
  return std::atomic_ref<T>(value);
}

// A frame record is a FrameHeader whose geometry is valid, followed by exactly its image size.
bool IsValidRecord(const uint8_t* record, size_t size) {
  if (size < sizeof(FrameHeader)) return false;
  FrameHeader header;
  std::memcpy(&header, record, sizeof header);
  const CheckedFrame checked = CheckFrameGeometry(header);
  return checked.ok() && size == checked.recordSize();
}

}  // namespace

StateSettings DefaultSettings() {
  StateSettings settings;
  std::memset(&settings, 0, sizeof settings);
  settings.outputFormat = OutputFormat{1280, 720, 30, 0, 0};
  settings.fillMode = static_cast<int32_t>(FillMode::AspectFit);
  return settings;
}

uint64_t SectionSize(uint32_t frameCapacity) { return SlotOffset(frameCapacity, 2); }

const char* DescribeStateError(StateError error) {
  switch (error) {
    case StateError::None: return "ok";
    case StateError::TooSmall: return "shared state is smaller than its header";
    case StateError::BadMagic: return "shared state has an unknown signature";
    case StateError::BadVersion: return "shared state was made by another version of the camera";
    case StateError::BadHeaderSize: return "shared state header has an unexpected size";
    case StateError::BadCapacity: return "shared state frame capacity does not match its size";
    case StateError::BadRecord: return "frame record is not valid";
    case StateError::FrameTooLarge: return "frame record is larger than the device's frame capacity";
    case StateError::NoFrame: return "no frame available";
    case StateError::BadValue: return "setting is out of range";
    case StateError::TableFull: return "table is full";
  }
  return "unknown error";
}

void InitialiseState(void* memory, uint32_t frameCapacity) {
  auto* header = static_cast<StateHeader*>(memory);
  std::memset(header, 0, sizeof *header);
  header->version = kStateVersion;
  header->headerSize = sizeof(StateHeader);
  header->frameCapacity = frameCapacity;
  header->sectionSize = SectionSize(frameCapacity);
  header->settings = DefaultSettings();
  header->clientCount = kClientSlots;
  // The signature goes last: a reader that sees it sees a finished header.
  Atomic(header->magic).store(kStateMagic, std::memory_order_release);
}

StateError ValidateState(const void* memory, size_t size) {
  if (memory == nullptr || size < sizeof(StateHeader)) return StateError::TooSmall;
  StateHeader header;
  std::memcpy(&header, memory, sizeof header);
  if (header.magic != kStateMagic) return StateError::BadMagic;
  if (header.version != kStateVersion) return StateError::BadVersion;
  if (header.headerSize != sizeof(StateHeader) || header.clientCount != kClientSlots) {
    return StateError::BadHeaderSize;
  }
  if (header.frameCapacity < sizeof(FrameHeader) || header.frameCapacity > kMaxFrameCapacity ||
      header.sectionSize != SectionSize(header.frameCapacity) || header.sectionSize > size) {
    return StateError::BadCapacity;
  }
  return StateError::None;
}

StateView::StateView(void* memory)
    : header_(static_cast<StateHeader*>(memory)), capacity_(header_->frameCapacity) {
  for (uint32_t slot = 0; slot < 2; ++slot) {
    slotData_[slot] = static_cast<uint8_t*>(memory) + SlotOffset(capacity_, slot);
  }
}

StateError StateView::PublishFrame(const uint8_t* record, size_t size, uint64_t time) {
  if (record == nullptr || !IsValidRecord(record, size)) return StateError::BadRecord;
  if (size > capacity_) return StateError::FrameTooLarge;
  // Fill the slot that readers are not directed to; a reader still copying it from an earlier
  // round sees its sequence change and tries again.
  const uint32_t slot = 1 - (Atomic(header_->latestSlot).load(std::memory_order_relaxed) & 1);
  FrameSlot& target = header_->slots[slot];
  std::atomic_ref<uint64_t> sequence(target.sequence);
  // A writer that died mid-write left the sequence odd: continue from there, never make it even.
  const uint64_t writing = sequence.load(std::memory_order_relaxed) | 1;
  sequence.store(writing, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  std::memcpy(slotData_[slot], record, size);
  const uint64_t number = Atomic(header_->frameCounter).load(std::memory_order_relaxed) + 1;
  Atomic(target.recordSize).store(static_cast<uint32_t>(size), std::memory_order_relaxed);
  Atomic(target.frameNumber).store(number, std::memory_order_relaxed);
  Atomic(target.publishedTime).store(time, std::memory_order_relaxed);
  sequence.store(writing + 1, std::memory_order_release);
  Atomic(header_->latestSlot).store(slot, std::memory_order_release);
  Atomic(header_->frameCounter).store(number, std::memory_order_release);
  return StateError::None;
}

bool StateView::UpdateSettings(const std::function<bool(StateSettings&)>& change) {
  StateSettings settings = ReadSettings();
  if (!change(settings)) return false;
  std::atomic_ref<uint64_t> sequence(header_->settingsSequence);
  const uint64_t writing = sequence.load(std::memory_order_relaxed) | 1;
  sequence.store(writing, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  std::memcpy(&header_->settings, &settings, sizeof settings);
  sequence.store(writing + 1, std::memory_order_release);
  return true;
}

StateSettings StateView::ReadSettings() const {
  StateSettings settings;
  std::atomic_ref<uint64_t> sequence(header_->settingsSequence);
  for (int attempt = 0;; ++attempt) {
    const uint64_t before = sequence.load(std::memory_order_acquire);
    std::memcpy(&settings, &header_->settings, sizeof settings);
    std::atomic_thread_fence(std::memory_order_acquire);
    if ((before & 1) == 0 && sequence.load(std::memory_order_relaxed) == before) break;
    // A change takes microseconds. A sequence that stays odd this long belongs to a writer that
    // died mid-change (the next change repairs it): take what it left rather than wait for ever.
    if (attempt == kSettingsAttempts) break;
    std::this_thread::yield();
  }
  // Whatever the memory holds, readers get values they can use.
  settings.idlePicturePath[255] = 0;
  if (!IsFillMode(settings.fillMode)) settings.fillMode = static_cast<int32_t>(FillMode::AspectFit);
  settings.mirror = settings.mirror != 0;
  settings.flip = settings.flip != 0;
  return settings;
}

uint64_t StateView::FrameCounter() const {
  return Atomic(header_->frameCounter).load(std::memory_order_acquire);
}

StateError StateView::CopyLatestFrame(std::vector<uint8_t>& record, FrameInfo& info) const {
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    if (Atomic(header_->frameCounter).load(std::memory_order_acquire) == 0) return StateError::NoFrame;
    const uint32_t slot = Atomic(header_->latestSlot).load(std::memory_order_acquire) & 1;
    FrameSlot& source = header_->slots[slot];
    std::atomic_ref<uint64_t> sequence(source.sequence);
    const uint64_t before = sequence.load(std::memory_order_acquire);
    if ((before & 1) != 0) continue;
    const uint32_t size = Atomic(source.recordSize).load(std::memory_order_relaxed);
    if (size > capacity_) {
      if (sequence.load(std::memory_order_acquire) == before) return StateError::BadRecord;
      continue;
    }
    record.resize(size);
    std::memcpy(record.data(), slotData_[slot], size);
    const FrameInfo copied{Atomic(source.frameNumber).load(std::memory_order_relaxed),
                           Atomic(source.publishedTime).load(std::memory_order_relaxed)};
    std::atomic_thread_fence(std::memory_order_acquire);
    if (sequence.load(std::memory_order_relaxed) != before) continue;
    // The copy is ours now; check it as the untrusted record it is.
    if (!IsValidRecord(record.data(), record.size())) return StateError::BadRecord;
    info = copied;
    return StateError::None;
  }
  return StateError::NoFrame;
}

int32_t StateView::ClaimClient(uint32_t processId, uint64_t processStartTime, uint32_t& generation) {
  for (uint32_t slot = 0; slot < kClientSlots; ++slot) {
    ClientEntry& entry = header_->clients[slot];
    if (entry.state != kClientFree) continue;
    entry.processId = processId;
    entry.processStartTime = processStartTime;
    entry.generation += 1;
    generation = entry.generation;
    Atomic(entry.state).store(kClientActive, std::memory_order_release);
    return static_cast<int32_t>(slot);
  }
  return -1;
}

void StateView::ReleaseClient(int32_t slot, uint32_t generation) {
  if (slot < 0 || slot >= static_cast<int32_t>(kClientSlots)) return;
  ClientEntry& entry = header_->clients[slot];
  // A generation that moved on means the entry was reclaimed and given to someone else.
  if (entry.state == kClientActive && entry.generation == generation) {
    Atomic(entry.state).store(kClientFree, std::memory_order_release);
  }
}

int32_t StateView::CountClients(const std::function<bool(uint32_t, uint64_t)>& isAlive) {
  std::set<std::pair<uint32_t, uint64_t>> processes;
  for (ClientEntry& entry : header_->clients) {
    if (entry.state != kClientActive) continue;
    if (!isAlive(entry.processId, entry.processStartTime)) {
      Atomic(entry.state).store(kClientFree, std::memory_order_release);
      continue;
    }
    processes.emplace(entry.processId, entry.processStartTime);
  }
  return static_cast<int32_t>(processes.size());
}

void StateView::ForEachClient(const std::function<void(int32_t, uint32_t)>& visit) const {
  for (uint32_t slot = 0; slot < kClientSlots; ++slot) {
    const ClientEntry& entry = header_->clients[slot];
    if (entry.state == kClientActive) visit(static_cast<int32_t>(slot), entry.generation);
  }
}

}  // namespace orvane::state
