// The layout of one virtual camera device's shared state and the protocols on it, independent of how
// the memory is shared (DeviceState maps it as a named section on Windows; tests use plain memory).
//
// Every process that opens the device maps the same bytes: a versioned header that states its own
// size, the settings the producer sets through the property set, two frame slots holding the latest
// frame record, and the table of client filter instances. Writers (frames, settings, client table)
// must hold the device's writer lock, which the owner of the memory provides; readers of frames and
// settings take no lock: sequence numbers (odd while a write is under way) let them detect a write
// that overlapped their copy and try again, so a reader never keeps a torn frame and never delays the
// producer. Nothing read from the memory is trusted, since any process of the session may write it:
// every shared value a decision depends on is read once into a local copy and checked there. Sizes are
// checked against the capacity that validation read (the header's copy is never read again), every
// frame copy is validated again as a frame record, and settings that fail their checks are replaced
// by the reader's last good ones. Waits on another writer are bounded: a writer that died half way,
// or a stray write, costs a reader a few attempts, never a stall.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "shared/FrameFormat.h"
#include "shared/VirtualCameraProperties.h"

namespace orvane::state {

inline constexpr uint32_t kStateMagic = 0x424D494E;  // "NIMB" in memory order
// Version 2: frame slots carry their publication time on the performance counter (version 1: in
// milliseconds), fine enough for clients to tell how old a frame is within a frame interval.
inline constexpr uint32_t kStateVersion = 2;
// Each frame slot holds a whole frame record: large enough for 4096 x 2304 RGB32 (4K at 16:9 and
// DCI 4K at 32 bits per pixel). The pages of a slot are only touched as frames fill them.
inline constexpr uint32_t kDefaultFrameCapacity = 16 + 4096u * 2304u * 4u;
inline constexpr uint32_t kMaxFrameCapacity = 0x40000000;  // what a section may claim, 1 GiB
inline constexpr uint32_t kClientSlots = 64;
inline constexpr uint32_t kDriverParameterSlots = 32;

struct DriverParameterEntry {
  int32_t key;
  int32_t value;
  uint32_t used;
  uint32_t reserved;
};

// The device's settings, copied as a whole under the settings sequence.
struct StateSettings {
  OutputFormat outputFormat;
  int32_t fillMode;  // FillMode
  int32_t mirror;    // 0 or 1
  int32_t flip;      // 0 or 1
  int64_t driverValue64;  // property 10
  char16_t idlePicturePath[256];  // property 4: NUL-terminated, empty for none
  DriverParameterEntry parameters[kDriverParameterSlots];  // property 12
};

static_assert(sizeof(StateSettings) == 1064 && offsetof(StateSettings, driverValue64) == 32);
static_assert(offsetof(StateSettings, parameters) == 552);

// What a new device starts with: 1280 x 720 at 30 fps, every layout and size, Aspect Fit.
StateSettings DefaultSettings();

// Whether settings can go to the picture code as they are: an output format the camera accepts
// (CheckOutputFormat), a fill mode, mirror and flip of 0 or 1, and an idle picture path that ends
// inside its buffer.
bool AreValidSettings(const StateSettings& settings);

struct FrameSlot {
  uint64_t sequence;       // odd while a writer fills the slot
  uint64_t frameNumber;    // the frame counter value this slot was published as
  uint64_t publishedTime;  // when published, in 100-ns units of a clock all processes share (the
                           // performance counter on Windows)
  uint32_t recordSize;     // bytes of the frame record in the slot
  uint32_t reserved;
};

// Any other value is a damaged entry, free to claim like kClientFree.
enum ClientState : uint32_t { kClientFree = 0, kClientActive = 1 };

struct ClientEntry {
  uint32_t state;  // ClientState
  uint32_t processId;
  uint64_t processStartTime;  // with the id, tells a live process from a later one with the same id
  uint32_t generation;        // changes at every claim of the entry; names the client's frame event
  uint32_t reserved;
};

struct StateHeader {
  uint32_t magic;
  uint32_t version;
  uint32_t headerSize;  // sizeof(StateHeader)
  uint32_t frameCapacity;
  uint64_t sectionSize;  // SectionSize(frameCapacity)
  uint64_t settingsSequence;
  StateSettings settings;
  uint64_t frameCounter;  // frames published so far; 0 = none yet
  uint32_t latestSlot;    // 0 or 1: the slot of the latest frame
  uint32_t clientCount;   // kClientSlots
  FrameSlot slots[2];
  ClientEntry clients[kClientSlots];
};

// The layout is shared between processes and builds: every offset is fixed.
static_assert(sizeof(FrameSlot) == 32 && sizeof(ClientEntry) == 24);
static_assert(offsetof(StateHeader, settings) == 32 && offsetof(StateHeader, frameCounter) == 1096);
static_assert(offsetof(StateHeader, slots) == 1112 && offsetof(StateHeader, clients) == 1176);
static_assert(sizeof(StateHeader) == 2712);

// Bytes of a section with slots of `frameCapacity` bytes: the header, then the two slots, each at a
// 64-byte boundary.
uint64_t SectionSize(uint32_t frameCapacity);

enum class StateError {
  None,
  TooSmall,         // the memory cannot hold even the header
  BadMagic,         // not a device state at all
  BadVersion,       // written by another version of the device
  BadHeaderSize,
  BadCapacity,      // a frame capacity that is too small, too large, or does not match the size
  BadRecord,        // a frame record that is not valid (see `picture`)
  FrameTooLarge,    // a valid frame record larger than a slot
  NoFrame,          // nothing published yet, or only torn copies were seen
  BadValue,         // a setting outside its range
  TableFull,        // no free client or parameter entry
};
const char* DescribeStateError(StateError error);

// Prepares fresh (zeroed) memory of at least SectionSize(frameCapacity) bytes. Caller holds the lock.
void InitialiseState(void* memory, uint32_t frameCapacity);

// Checks memory of `size` bytes that another process initialised: magic, version, header size, and a
// capacity whose section fits in `size`. The header is read once; on success `frameCapacity` is the
// capacity of that reading, the one to give StateView (the memory may say otherwise by then).
StateError ValidateState(const void* memory, size_t size, uint32_t& frameCapacity);
StateError ValidateState(const void* memory, size_t size);

struct FrameInfo {
  uint64_t frameNumber = 0;
  // Not later than the time the reader gave (see CopyLatestFrame), and never above INT64_MAX, so that
  // it converts to a signed clock value and an age computed from it is never negative.
  uint64_t publishedTime = 0;
};

enum class SettingsSource {
  Section,   // a whole, valid copy of what the memory holds now
  LastGood,  // the memory's copy was being changed, left half changed, or failed its checks
  Defaults,  // as LastGood, for a view that never read good settings
};

struct SettingsCopy {
  StateSettings settings;  // always passes AreValidSettings
  SettingsSource source = SettingsSource::Defaults;
  int copies = 0;  // copies taken of the memory's settings, at most kSettingsCopies
};

// How many times a settings reader copies the memory's settings before it settles for its last good
// ones. The copies follow each other without yielding: on a loaded machine one yield can cost
// milliseconds, more than a camera's frame can spare. A reader that overlaps a change keeps its last
// good settings for that read and sees the change at its next one.
inline constexpr int kSettingsCopies = 4;

// Access to validated memory. The capacity is the one validation read, fixed for the view's life; the
// memory must stay mapped for the view's life. Copyable; copies share the last good settings, which
// a lock of their own guards. Any thread.
class StateView {
 public:
  // `memory` of `size` bytes passed ValidateState, which gave `frameCapacity`, or InitialiseState with
  // it. Memory too small for that capacity's section leaves the view without frame slots: frames are
  // refused with BadCapacity (memory too small for the header leaves it without anything). The last
  // good settings start as what the memory holds now, when that passes its checks.
  StateView(void* memory, size_t size, uint32_t frameCapacity);

  // -- writers: the caller holds the device's writer lock --
  // A frame record (FrameHeader + pixels) as property 0 carries it; refused unless valid and within
  // the slot capacity. `time` is the writer's clock as FrameSlot::publishedTime keeps it.
  StateError PublishFrame(const uint8_t* record, size_t size, uint64_t time);
  // Changes the settings: `change` edits a copy of the current ones (the last good ones when the
  // memory's fail their checks), which replaces them only if it returns true and the result passes
  // AreValidSettings. The writer lock means no other writer is under way: a change it finds half
  // done was abandoned, and this one completes the sequence number, so readers take settings again.
  bool UpdateSettings(const std::function<bool(StateSettings&)>& change);

  // -- readers: no lock --
  // The memory's settings when a whole copy passes AreValidSettings within kSettingsCopies attempts,
  // else the last good ones this view (or a copy of it) read, else the defaults.
  SettingsCopy CopySettings() const;
  StateSettings ReadSettings() const { return CopySettings().settings; }
  uint64_t FrameCounter() const;
  // Copies the latest frame record into `record` (resized; no allocation once its capacity suffices)
  // and checks it. NoFrame when nothing was published or every attempt overlapped writes; BadRecord
  // when the slot holds no valid record; BadCapacity for a view without frame slots. `info` is set on
  // success only, with a publication time capped at `now` (the reader's reading of the writers'
  // clock): no writer publishes in the future, so a later time is damage, and capping it keeps a
  // frame's age from going negative.
  StateError CopyLatestFrame(std::vector<uint8_t>& record, FrameInfo& info, uint64_t now = UINT64_MAX) const;

  // -- client table: the caller holds the writer lock --
  // Claims an entry that is not active (free, or damaged) for a client filter instance of process
  // (processId, startTime); -1 if every entry is active.
  int32_t ClaimClient(uint32_t processId, uint64_t processStartTime, uint32_t& generation);
  void ReleaseClient(int32_t slot, uint32_t generation);
  // Frees the entries of processes that `isAlive` says are gone, and damaged entries, then counts the
  // distinct live processes (an application with several filter instances counts once).
  int32_t CountClients(const std::function<bool(uint32_t processId, uint64_t startTime)>& isAlive);
  // The active entries (slot, generation), for waking each client when a frame is published.
  void ForEachClient(const std::function<void(int32_t slot, uint32_t generation)>& visit) const;

  // 0 for a view without frame slots.
  uint32_t frameCapacity() const { return capacity_; }

 private:
  struct LastGoodSettings;
  // One copy of the memory's settings: false when its sequence was odd or moved during the copy, or
  // the copy fails AreValidSettings.
  bool TakeSettings(StateSettings& settings) const;
  SettingsCopy FallBack(int copies) const;
  void Remember(const StateSettings& settings) const;

  StateHeader* header_;  // null when the memory cannot hold the header
  uint8_t* slotData_[2] = {nullptr, nullptr};
  uint32_t capacity_ = 0;
  std::shared_ptr<LastGoodSettings> lastGood_;
};

}  // namespace orvane::state
