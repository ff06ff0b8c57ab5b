#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "device/camera/state/SharedLayout.h"

namespace orvane::state {
namespace {

// Zeroed memory of a whole section, aligned like a mapped view.
struct Section {
  explicit Section(uint32_t capacity) : size(SectionSize(capacity)), bytes(new uint64_t[size / 8 + 1]()) {
    InitialiseState(bytes.get(), capacity);
  }
  void* memory() { return bytes.get(); }
  StateHeader& header() { return *static_cast<StateHeader*>(memory()); }
  size_t size;
  std::unique_ptr<uint64_t[]> bytes;
};

// A YUY2 record whose every pixel byte is `fill`, so that a torn copy shows as mixed bytes.
std::vector<uint8_t> Record(int width, int height, uint8_t fill) {
  const FrameHeader header{FramePixelType::YUY2, width, height, 2 * width};
  std::vector<uint8_t> record(16 + size_t(2 * width) * height, fill);
  std::memcpy(record.data(), &header, sizeof header);
  return record;
}

TEST(SharedLayout, ValidatesWhatAnotherProcessLeft) {
  Section section(4096);
  EXPECT_EQ(ValidateState(section.memory(), section.size), StateError::None);
  EXPECT_EQ(ValidateState(section.memory(), sizeof(StateHeader) - 1), StateError::TooSmall);
  EXPECT_EQ(ValidateState(section.memory(), section.size - 1), StateError::BadCapacity);
  EXPECT_EQ(ValidateState(nullptr, section.size), StateError::TooSmall);

  struct Corruption {
    const char* what;
    void (*apply)(StateHeader&);
    StateError error;
  };
  const Corruption corruptions[] = {
      {"magic", [](StateHeader& h) { h.magic ^= 1; }, StateError::BadMagic},
      {"version", [](StateHeader& h) { h.version = kStateVersion + 1; }, StateError::BadVersion},
      {"header size", [](StateHeader& h) { h.headerSize -= 8; }, StateError::BadHeaderSize},
      {"client table", [](StateHeader& h) { h.clientCount = 1000; }, StateError::BadHeaderSize},
      {"capacity beyond the size", [](StateHeader& h) { h.frameCapacity *= 2; }, StateError::BadCapacity},
      {"huge capacity", [](StateHeader& h) { h.frameCapacity = 0xFFFFFFF0u; }, StateError::BadCapacity},
      {"tiny capacity", [](StateHeader& h) { h.frameCapacity = 4; }, StateError::BadCapacity},
      {"section size", [](StateHeader& h) { h.sectionSize += 64; }, StateError::BadCapacity},
  };
  for (const Corruption& c : corruptions) {
    Section broken(4096);
    c.apply(broken.header());
    EXPECT_EQ(ValidateState(broken.memory(), broken.size), c.error) << c.what;
  }
}

TEST(SharedLayout, PublishesValidFramesOnly) {
  Section section(16 + 64 * 8);
  StateView view(section.memory());
  std::vector<uint8_t> copy;
  FrameInfo info;
  EXPECT_EQ(view.CopyLatestFrame(copy, info), StateError::NoFrame);

  const std::vector<uint8_t> good = Record(16, 4, 0x33);
  ASSERT_EQ(view.PublishFrame(good.data(), good.size(), 1234), StateError::None);
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  const std::vector<uint8_t> tooLarge = Record(64, 9, 1);
  std::vector<uint8_t> badGeometry = good;
  badGeometry[4] = 0;  // width 0
  EXPECT_EQ(view.PublishFrame(good.data(), good.size() - 1, 1), StateError::BadRecord);
  EXPECT_EQ(view.PublishFrame(longer.data(), longer.size(), 1), StateError::BadRecord);
  EXPECT_EQ(view.PublishFrame(badGeometry.data(), badGeometry.size(), 1), StateError::BadRecord);
  EXPECT_EQ(view.PublishFrame(nullptr, 0, 1), StateError::BadRecord);
  EXPECT_EQ(view.PublishFrame(tooLarge.data(), tooLarge.size(), 1), StateError::FrameTooLarge);

  // The refusals changed nothing.
  EXPECT_EQ(view.FrameCounter(), 1u);
  ASSERT_EQ(view.CopyLatestFrame(copy, info), StateError::None);
  EXPECT_EQ(copy, good);
  EXPECT_EQ(info.frameNumber, 1u);
  EXPECT_EQ(info.publishedTime, 1234u);
}

// Memory written by a faulty or hostile process is checked before it is used.
TEST(SharedLayout, ReadersDoNotTrustTheMemory) {
  Section section(16 + 256);
  StateView view(section.memory());
  const std::vector<uint8_t> good = Record(8, 4, 7);
  ASSERT_EQ(view.PublishFrame(good.data(), good.size(), 0), StateError::None);
  StateHeader& header = section.header();
  const uint32_t slot = header.latestSlot;
  std::vector<uint8_t> copy;
  FrameInfo info;

  header.slots[slot].recordSize = 0xFFFFFFFF;  // larger than the slot
  EXPECT_EQ(view.CopyLatestFrame(copy, info), StateError::BadRecord);
  header.slots[slot].recordSize = 6;  // shorter than a frame header
  EXPECT_EQ(view.CopyLatestFrame(copy, info), StateError::BadRecord);
  // A pixel type changed under the reader: the copy's geometry no longer matches its length.
  header.slots[slot].recordSize = static_cast<uint32_t>(good.size());
  const int32_t rgb32 = static_cast<int32_t>(FramePixelType::RGB32);
  std::memcpy(reinterpret_cast<uint8_t*>(section.memory()) + (SectionSize(16 + 256) - 2 * 320) + slot * 320,
              &rgb32, sizeof rgb32);
  EXPECT_EQ(view.CopyLatestFrame(copy, info), StateError::BadRecord);
  // The capacity was fixed when the view was made; a changed one is not followed.
  header.frameCapacity = 0xFFFFFFF0u;
  EXPECT_EQ(view.frameCapacity(), 16u + 256u);
  EXPECT_NE(ValidateState(section.memory(), section.size), StateError::None);

  header.settings.fillMode = 77;
  header.settings.mirror = 5;
  for (char16_t& unit : header.settings.idlePicturePath) unit = u'x';
  const StateSettings settings = view.ReadSettings();
  EXPECT_EQ(settings.fillMode, static_cast<int32_t>(FillMode::AspectFit));
  EXPECT_EQ(settings.mirror, 1);
  EXPECT_EQ(settings.idlePicturePath[255], 0);
}

// A writer that died half way leaves an odd sequence: readers skip that slot and the next writer
// repairs it.
TEST(SharedLayout, RecoversFromAWriterThatDied) {
  Section section(16 + 256);
  StateView view(section.memory());
  const std::vector<uint8_t> first = Record(8, 4, 1);
  ASSERT_EQ(view.PublishFrame(first.data(), first.size(), 0), StateError::None);
  StateHeader& header = section.header();
  header.slots[header.latestSlot].sequence |= 1;
  std::vector<uint8_t> copy;
  FrameInfo info;
  EXPECT_EQ(view.CopyLatestFrame(copy, info), StateError::NoFrame);
  header.settingsSequence |= 1;
  EXPECT_EQ(view.ReadSettings().outputFormat, DefaultSettings().outputFormat);  // does not hang
  for (uint8_t fill = 2; fill < 5; ++fill) {
    const std::vector<uint8_t> next = Record(8, 4, fill);
    ASSERT_EQ(view.PublishFrame(next.data(), next.size(), 0), StateError::None);
    ASSERT_EQ(view.CopyLatestFrame(copy, info), StateError::None);
    EXPECT_EQ(copy, next);
  }
}

TEST(SharedLayout, ReadersNeverKeepATornFrame) {
  Section section(16 + 2 * 512 * 64);
  StateView view(section.memory());
  std::atomic<bool> done{false};
  std::atomic<long> copies{0}, torn{0};
  std::thread writer([&] {
    // Frames of changing sizes, each filled with its own byte.
    for (int frame = 0; frame < 3000; ++frame) {
      const std::vector<uint8_t> record = Record(64 + 64 * (frame % 8), 16 + frame % 48, uint8_t(frame));
      ASSERT_EQ(view.PublishFrame(record.data(), record.size(), frame), StateError::None);
    }
    done = true;
  });
  std::vector<std::thread> readers;
  for (int r = 0; r < 2; ++r) {
    readers.emplace_back([&] {
      std::vector<uint8_t> copy;
      FrameInfo info;
      uint64_t last = 0;
      while (!done) {
        if (view.CopyLatestFrame(copy, info) != StateError::None) continue;
        ++copies;
        const uint8_t fill = copy[16];
        for (size_t i = 16; i < copy.size(); ++i) {
          if (copy[i] != fill) {
            ++torn;
            break;
          }
        }
        if (uint8_t(info.frameNumber - 1) != fill || info.frameNumber < last) ++torn;
        last = info.frameNumber;
      }
    });
  }
  writer.join();
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_GT(copies.load(), 0);
}

TEST(SharedLayout, SettingsRoundTrip) {
  Section section(4096);
  StateView view(section.memory());
  EXPECT_EQ(view.ReadSettings().outputFormat, (OutputFormat{1280, 720, 30, 0, 0}));
  ASSERT_TRUE(view.UpdateSettings([](StateSettings& s) {
    s.outputFormat = {640, 480, 15, 1, 3};
    s.flip = 1;
    return true;
  }));
  EXPECT_FALSE(view.UpdateSettings([](StateSettings& s) {
    s.flip = 0;
    return false;  // refused: nothing changes
  }));
  const StateSettings settings = view.ReadSettings();
  EXPECT_EQ(settings.outputFormat, (OutputFormat{640, 480, 15, 1, 3}));
  EXPECT_EQ(settings.flip, 1);
  EXPECT_EQ(section.header().settingsSequence % 2, 0u);
}

TEST(SharedLayout, ClientTableCountsLiveProcessesOnce) {
  Section section(4096);
  StateView view(section.memory());
  std::set<uint32_t> dead;
  const auto alive = [&](uint32_t id, uint64_t) { return dead.count(id) == 0; };
  uint32_t a1 = 0, a2 = 0, b = 0;
  const int32_t slotA1 = view.ClaimClient(100, 1, a1);
  const int32_t slotA2 = view.ClaimClient(100, 1, a2);  // a second filter instance of process 100
  const int32_t slotB = view.ClaimClient(200, 1, b);
  ASSERT_GE(slotA1, 0);
  ASSERT_GE(slotA2, 0);
  ASSERT_GE(slotB, 0);
  EXPECT_EQ(view.CountClients(alive), 2);
  // The same id with another start time is another process.
  uint32_t c = 0;
  const int32_t slotC = view.ClaimClient(200, 2, c);
  EXPECT_EQ(view.CountClients(alive), 3);
  view.ReleaseClient(slotC, c);
  view.ReleaseClient(slotA1, a1);
  EXPECT_EQ(view.CountClients(alive), 2);
  view.ReleaseClient(slotA2, a2);
  EXPECT_EQ(view.CountClients(alive), 1);

  // A dead process's entry is reclaimed when counting; its late release cannot free a new owner.
  dead.insert(200);
  EXPECT_EQ(view.CountClients(alive), 0);
  uint32_t d = 0;
  std::vector<std::pair<int32_t, uint32_t>> claimed;
  int32_t slotD = -1;
  while (slotD != slotB) {  // process 300 takes free entries until it holds the one 200 had
    slotD = view.ClaimClient(300, 1, d);
    ASSERT_GE(slotD, 0);
    claimed.emplace_back(slotD, d);
  }
  view.ReleaseClient(slotB, b);
  EXPECT_EQ(view.CountClients(alive), 1);
  for (const auto& [slot, generation] : claimed) view.ReleaseClient(slot, generation);
  EXPECT_EQ(view.CountClients(alive), 0);

  for (uint32_t i = 0; i < kClientSlots; ++i) {
    uint32_t g = 0;
    ASSERT_GE(view.ClaimClient(1000 + i, 1, g), 0);
  }
  uint32_t g = 0;
  EXPECT_EQ(view.ClaimClient(5000, 1, g), -1);
  EXPECT_EQ(view.CountClients(alive), int32_t(kClientSlots));
}

}  // namespace
}  // namespace orvane::state
