#include "device/camera/state/SharedLayout.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <mutex>
#include <set>
#include <utility>

#include "device/camera/formats/OutputOffer.h"

namespace orvane::state {
namespace {

constexpr uint64_t kSlotAlignment = 64;
constexpr int kReadAttempts = 16;
constexpr uint64_t kLatestPublishedTime = std::numeric_limits<int64_t>::max();

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

bool AreValidSettings(const StateSettings& settings) {
  bool terminated = false;
  for (char16_t unit : settings.idlePicturePath) terminated = terminated || unit == 0;
  return terminated && camera::CheckOutputFormat(settings.outputFormat) == camera::OutputFormatError::None &&
         IsFillMode(settings.fillMode) && (settings.mirror == 0 || settings.mirror == 1) &&
         (settings.flip == 0 || settings.flip == 1);
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

StateError ValidateState(const void* memory, size_t size, uint32_t& frameCapacity) {
  if (memory == nullptr || size < sizeof(StateHeader)) return StateError::TooSmall;
  // Every check below, and the capacity handed out, come from this one reading.
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
  frameCapacity = header.frameCapacity;
  return StateError::None;
}

StateError ValidateState(const void* memory, size_t size) {
  uint32_t frameCapacity = 0;
  return ValidateState(memory, size, frameCapacity);
}

struct StateView::LastGoodSettings {
  std::mutex lock;  // guards settings and known, for every copy of the view in this process
  StateSettings settings = DefaultSettings();
  bool known = false;
};

StateView::StateView(void* memory, size_t size, uint32_t frameCapacity)
    : header_(memory != nullptr && size >= sizeof(StateHeader) ? static_cast<StateHeader*>(memory) : nullptr),
      lastGood_(std::make_shared<LastGoodSettings>()) {
  if (header_ == nullptr) return;
  if (frameCapacity >= sizeof(FrameHeader) && frameCapacity <= kMaxFrameCapacity &&
      SectionSize(frameCapacity) <= size) {
    capacity_ = frameCapacity;
    for (uint32_t slot = 0; slot < 2; ++slot) {
      slotData_[slot] = static_cast<uint8_t*>(memory) + SlotOffset(capacity_, slot);
    }
  }
  StateSettings settings;
  if (TakeSettings(settings)) Remember(settings);
}

StateError StateView::PublishFrame(const uint8_t* record, size_t size, uint64_t time) {
  if (record == nullptr || !IsValidRecord(record, size)) return StateError::BadRecord;
  if (capacity_ == 0) return StateError::BadCapacity;
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
  // 0 means "nothing published": a counter that wraps (or was set to its end) skips it.
  uint64_t number = Atomic(header_->frameCounter).load(std::memory_order_relaxed) + 1;
  if (number == 0) number = 1;
  Atomic(target.recordSize).store(static_cast<uint32_t>(size), std::memory_order_relaxed);
  Atomic(target.frameNumber).store(number, std::memory_order_relaxed);
  Atomic(target.publishedTime).store(time, std::memory_order_relaxed);
  sequence.store(writing + 1, std::memory_order_release);
  Atomic(header_->latestSlot).store(slot, std::memory_order_release);
  Atomic(header_->frameCounter).store(number, std::memory_order_release);
  return StateError::None;
}

bool StateView::UpdateSettings(const std::function<bool(StateSettings&)>& change) {
  if (header_ == nullptr) return false;
  // The writer lock is held, so there is no one to wait for: one copy, or the last good settings.
  StateSettings settings;
  if (!TakeSettings(settings)) settings = FallBack(1).settings;
  if (!change(settings) || !AreValidSettings(settings)) return false;
  std::atomic_ref<uint64_t> sequence(header_->settingsSequence);
  // An odd sequence here was left by a writer that died mid-change: continue from it, so that the
  // store below makes it even again.
  const uint64_t writing = sequence.load(std::memory_order_relaxed) | 1;
  sequence.store(writing, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  std::memcpy(&header_->settings, &settings, sizeof settings);
  sequence.store(writing + 1, std::memory_order_release);
  Remember(settings);
  return true;
}

bool StateView::TakeSettings(StateSettings& settings) const {
  std::atomic_ref<uint64_t> sequence(header_->settingsSequence);
  const uint64_t before = sequence.load(std::memory_order_acquire);
  if ((before & 1) != 0) return false;
  std::memcpy(&settings, &header_->settings, sizeof settings);
  std::atomic_thread_fence(std::memory_order_acquire);
  return sequence.load(std::memory_order_relaxed) == before && AreValidSettings(settings);
}

void StateView::Remember(const StateSettings& settings) const {
  if (lastGood_ == nullptr) return;  // a view moved from
  std::lock_guard hold(lastGood_->lock);
  lastGood_->settings = settings;
  lastGood_->known = true;
}

SettingsCopy StateView::FallBack(int copies) const {
  SettingsCopy copy;
  copy.copies = copies;
  if (lastGood_ == nullptr) {
    copy.settings = DefaultSettings();
    return copy;
  }
  std::lock_guard hold(lastGood_->lock);
  copy.settings = lastGood_->settings;
  copy.source = lastGood_->known ? SettingsSource::LastGood : SettingsSource::Defaults;
  return copy;
}

SettingsCopy StateView::CopySettings() const {
  if (header_ == nullptr) return FallBack(0);
  SettingsCopy copy;
  for (copy.copies = 1; copy.copies <= kSettingsCopies; ++copy.copies) {
    if (TakeSettings(copy.settings)) {
      copy.source = SettingsSource::Section;
      Remember(copy.settings);
      return copy;
    }
  }
  return FallBack(kSettingsCopies);
}

uint64_t StateView::FrameCounter() const {
  return header_ == nullptr ? 0 : Atomic(header_->frameCounter).load(std::memory_order_acquire);
}

StateError StateView::CopyLatestFrame(std::vector<uint8_t>& record, FrameInfo& info, uint64_t now) const {
  if (capacity_ == 0) return StateError::BadCapacity;
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    if (Atomic(header_->frameCounter).load(std::memory_order_acquire) == 0) return StateError::NoFrame;
    const uint32_t slot = Atomic(header_->latestSlot).load(std::memory_order_acquire) & 1;
    FrameSlot& source = header_->slots[slot];
    std::atomic_ref<uint64_t> sequence(source.sequence);
    const uint64_t before = sequence.load(std::memory_order_acquire);
    if ((before & 1) != 0) continue;
    // Read once: this value bounds the copy below and is the one checked.
    const uint32_t size = Atomic(source.recordSize).load(std::memory_order_relaxed);
    if (size < sizeof(FrameHeader) || size > capacity_) {
      if (sequence.load(std::memory_order_acquire) == before) return StateError::BadRecord;
      continue;
    }
    record.resize(size);
    std::memcpy(record.data(), slotData_[slot], size);
    FrameInfo copied{Atomic(source.frameNumber).load(std::memory_order_relaxed),
                     Atomic(source.publishedTime).load(std::memory_order_relaxed)};
    std::atomic_thread_fence(std::memory_order_acquire);
    if (sequence.load(std::memory_order_relaxed) != before) continue;
    // The copy is ours now; check it as the untrusted record it is.
    if (!IsValidRecord(record.data(), record.size())) return StateError::BadRecord;
    copied.publishedTime = std::min({copied.publishedTime, now, kLatestPublishedTime});
    info = copied;
    return StateError::None;
  }
  return StateError::NoFrame;
}

int32_t StateView::ClaimClient(uint32_t processId, uint64_t processStartTime, uint32_t& generation) {
  if (header_ == nullptr) return -1;
  for (uint32_t slot = 0; slot < kClientSlots; ++slot) {
    ClientEntry& entry = header_->clients[slot];
    if (Atomic(entry.state).load(std::memory_order_relaxed) == kClientActive) continue;
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
  if (header_ == nullptr || slot < 0 || slot >= static_cast<int32_t>(kClientSlots)) return;
  ClientEntry& entry = header_->clients[slot];
  // A generation that moved on means the entry was reclaimed and given to someone else.
  if (entry.state == kClientActive && entry.generation == generation) {
    Atomic(entry.state).store(kClientFree, std::memory_order_release);
  }
}

int32_t StateView::CountClients(const std::function<bool(uint32_t, uint64_t)>& isAlive) {
  if (header_ == nullptr) return 0;
  std::set<std::pair<uint32_t, uint64_t>> processes;
  for (ClientEntry& entry : header_->clients) {
    const uint32_t state = Atomic(entry.state).load(std::memory_order_relaxed);
    if (state == kClientFree) continue;
    const uint32_t processId = entry.processId;
    const uint64_t startTime = entry.processStartTime;
    if (state != kClientActive || !isAlive(processId, startTime)) {
      Atomic(entry.state).store(kClientFree, std::memory_order_release);
      continue;
    }
    processes.emplace(processId, startTime);
  }
  return static_cast<int32_t>(processes.size());
}

void StateView::ForEachClient(const std::function<void(int32_t, uint32_t)>& visit) const {
  if (header_ == nullptr) return;
  for (uint32_t slot = 0; slot < kClientSlots; ++slot) {
    const ClientEntry& entry = header_->clients[slot];
    if (Atomic(entry.state).load(std::memory_order_acquire) == kClientActive) {
      visit(static_cast<int32_t>(slot), entry.generation);
    }
  }
}

}  // namespace orvane::state
