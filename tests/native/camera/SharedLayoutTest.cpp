#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "device/camera/state/SharedLayout.h"

namespace orvane::state {
namespace {

// Zeroed memory of exactly a whole section (AddressSanitizer sees any access past it), aligned like a
// mapped view.
struct Section {
  explicit Section(uint32_t capacity)
      : capacity(capacity), size(SectionSize(capacity)), bytes(new uint64_t[size / 8]()) {
    InitialiseState(bytes.get(), capacity);
  }
  void* memory() { return bytes.get(); }
  StateHeader& header() { return *static_cast<StateHeader*>(memory()); }
  StateView View() { return StateView(memory(), size, capacity); }
  // Where frame slot 0 or 1 begins: the slots split what follows the header.
  uint8_t* slotData(uint32_t slot) {
    return reinterpret_cast<uint8_t*>(memory()) + SectionSize(0) + slot * ((size - SectionSize(0)) / 2);
  }
  uint32_t capacity;
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
  StateView view = section.View();
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
TEST(SharedLayout, ReadersDoNotTrustTheFrameSlots) {
  struct Damage {
    const char* what;
    uint32_t recordSize;
    bool retype;  // the pixel type changes to RGB32: the geometry no longer matches the length
  };
  const std::vector<uint8_t> good = Record(8, 4, 7);
  const Damage damages[] = {
      {"size beyond the slot", 0xFFFFFFFF, false},
      {"size just beyond the slot", 16 + 256 + 1, false},
      {"empty record", 0, false},  // copied into an empty vector, whose data() may be null
      {"shorter than a frame header", 6, false},
      {"pixel type changed", static_cast<uint32_t>(good.size()), true},
  };
  for (const Damage& d : damages) {
    Section section(16 + 256);
    StateView view = section.View();
    ASSERT_EQ(view.PublishFrame(good.data(), good.size(), 0), StateError::None);
    const uint32_t slot = section.header().latestSlot;
    section.header().slots[slot].recordSize = d.recordSize;
    if (d.retype) {
      const int32_t rgb32 = static_cast<int32_t>(FramePixelType::RGB32);
      std::memcpy(section.slotData(slot), &rgb32, sizeof rgb32);
    }
    std::vector<uint8_t> copy;
    FrameInfo info{77, 88};
    EXPECT_EQ(view.CopyLatestFrame(copy, info), StateError::BadRecord) << d.what;
    EXPECT_EQ(info.frameNumber, 77u) << d.what << ": info is only set for a frame";
  }
}

// The capacity that validation read is the one the view uses: a capacity changed in the memory between
// the check and the view (by another process) is never followed, for writes or reads.
TEST(SharedLayout, ViewKeepsTheCapacityThatWasValidated) {
  Section section(16 + 256);
  uint32_t validated = 0;
  ASSERT_EQ(ValidateState(section.memory(), section.size, validated), StateError::None);
  EXPECT_EQ(validated, 16u + 256u);
  section.header().frameCapacity = 16 + 64 * 64 * 2;
  StateView view(section.memory(), section.size, validated);
  EXPECT_EQ(view.frameCapacity(), 16u + 256u);

  const std::vector<uint8_t> large = Record(64, 64, 5);  // fits the claimed capacity, not the section
  EXPECT_EQ(view.PublishFrame(large.data(), large.size(), 1), StateError::FrameTooLarge);
  const std::vector<uint8_t> good = Record(8, 4, 6);
  ASSERT_EQ(view.PublishFrame(good.data(), good.size(), 2), StateError::None);
  std::vector<uint8_t> copy;
  FrameInfo info;
  ASSERT_EQ(view.CopyLatestFrame(copy, info), StateError::None);
  EXPECT_EQ(copy, good);
  // A record size that only the changed capacity allows.
  section.header().slots[section.header().latestSlot].recordSize = static_cast<uint32_t>(large.size());
  EXPECT_EQ(view.CopyLatestFrame(copy, info), StateError::BadRecord);
  EXPECT_NE(ValidateState(section.memory(), section.size), StateError::None);

  // A capacity that the memory cannot hold leaves a view without frames, not one that overruns.
  StateView unfit(section.memory(), section.size, 16 + 64 * 64 * 2);
  EXPECT_EQ(unfit.frameCapacity(), 0u);
  EXPECT_EQ(unfit.PublishFrame(good.data(), good.size(), 3), StateError::BadCapacity);
  EXPECT_EQ(unfit.CopyLatestFrame(copy, info), StateError::BadCapacity);
  StateView tiny(section.memory(), sizeof(StateHeader) - 1, 16 + 256);
  EXPECT_EQ(tiny.ReadSettings().outputFormat, DefaultSettings().outputFormat);
  uint32_t generation = 0;
  EXPECT_EQ(tiny.ClaimClient(1, 1, generation), -1);
  EXPECT_EQ(tiny.FrameCounter(), 0u);
}

// What a copy reports about its frame is sane whatever the slot says: a frame counter at its end
// wraps past "nothing published", and a publication time is never later than the reader's clock nor
// beyond a signed 64-bit time.
TEST(SharedLayout, FrameInfoIsSane) {
  Section section(16 + 256);
  StateView view = section.View();
  const std::vector<uint8_t> frame = Record(8, 4, 1);
  std::vector<uint8_t> copy;
  FrameInfo info;
  ASSERT_EQ(view.PublishFrame(frame.data(), frame.size(), 5000), StateError::None);
  ASSERT_EQ(view.CopyLatestFrame(copy, info, 9000), StateError::None);
  EXPECT_EQ(info.publishedTime, 5000u);
  ASSERT_EQ(view.CopyLatestFrame(copy, info, 3000), StateError::None);
  EXPECT_EQ(info.publishedTime, 3000u) << "a time ahead of the reader's clock";
  section.header().slots[section.header().latestSlot].publishedTime = UINT64_MAX;
  ASSERT_EQ(view.CopyLatestFrame(copy, info), StateError::None);
  EXPECT_EQ(info.publishedTime, uint64_t(INT64_MAX));

  section.header().frameCounter = UINT64_MAX;
  ASSERT_EQ(view.PublishFrame(frame.data(), frame.size(), 6000), StateError::None);
  EXPECT_EQ(view.FrameCounter(), 1u);
  ASSERT_EQ(view.CopyLatestFrame(copy, info), StateError::None);
  EXPECT_EQ(info.frameNumber, 1u);
}

// A writer that died half way leaves an odd sequence: readers skip that slot and the next writer
// repairs it.
TEST(SharedLayout, RecoversFromAWriterThatDied) {
  Section section(16 + 256);
  StateView view = section.View();
  const std::vector<uint8_t> first = Record(8, 4, 1);
  ASSERT_EQ(view.PublishFrame(first.data(), first.size(), 0), StateError::None);
  StateHeader& header = section.header();
  header.slots[header.latestSlot].sequence |= 1;
  std::vector<uint8_t> copy;
  FrameInfo info;
  EXPECT_EQ(view.CopyLatestFrame(copy, info), StateError::NoFrame);
  for (uint8_t fill = 2; fill < 5; ++fill) {
    const std::vector<uint8_t> next = Record(8, 4, fill);
    ASSERT_EQ(view.PublishFrame(next.data(), next.size(), 0), StateError::None);
    ASSERT_EQ(view.CopyLatestFrame(copy, info), StateError::None);
    EXPECT_EQ(copy, next);
  }
}

TEST(SharedLayout, ReadersNeverKeepATornFrame) {
  Section section(16 + 2 * 512 * 64);
  StateView view = section.View();
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
  StateView view = section.View();
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
  EXPECT_FALSE(view.UpdateSettings([](StateSettings& s) {
    s.flip = 0;
    s.fillMode = 3;  // a result that readers would refuse is not written
    return true;
  }));
  const SettingsCopy read = section.View().CopySettings();
  EXPECT_EQ(read.source, SettingsSource::Section);
  EXPECT_EQ(read.copies, 1);
  EXPECT_EQ(read.settings.outputFormat, (OutputFormat{640, 480, 15, 1, 3}));
  EXPECT_EQ(read.settings.flip, 1);
  EXPECT_EQ(read.settings.fillMode, 0);
  EXPECT_EQ(section.header().settingsSequence % 2, 0u);
}

StateSettings GoodSettings() {
  StateSettings settings = DefaultSettings();
  settings.outputFormat = {640, 480, 15, 0, 2};
  settings.fillMode = 1;
  settings.flip = 1;
  std::u16string path = u"C:\\away.png";
  std::copy(path.begin(), path.end(), settings.idlePicturePath);
  return settings;
}

bool SameSettings(const StateSettings& a, const StateSettings& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Settings a writer left half changed (its process died between the two stores of the sequence), or
// that a stray write garbled, cost a reader a few copies: it then keeps its last good settings, or
// the defaults when it never read any, and nothing it hands out fails the checks. The next writer
// repairs the sequence.
TEST(SharedLayout, SettingsReadersDoNotWaitForBrokenWriters) {
  struct Damage {
    const char* what;
    void (*apply)(StateHeader&);
  };
  const Damage damages[] = {
      {"writer died mid-change",
       [](StateHeader& h) {
         h.settingsSequence |= 1;
         h.settings.outputFormat.width = 0;
       }},
      {"writer died before writing", [](StateHeader& h) { h.settingsSequence |= 1; }},
      {"fill mode", [](StateHeader& h) { h.settings.fillMode = 77; }},
      {"mirror", [](StateHeader& h) { h.settings.mirror = 5; }},
      {"flip", [](StateHeader& h) { h.settings.flip = -1; }},
      {"output size", [](StateHeader& h) { h.settings.outputFormat.height = 100000; }},
      {"output rate", [](StateHeader& h) { h.settings.outputFormat.fps = 0; }},
      {"output format code", [](StateHeader& h) { h.settings.outputFormat.format = 9; }},
      {"idle path without its end",
       [](StateHeader& h) {
         for (char16_t& unit : h.settings.idlePicturePath) unit = u'x';
       }},
  };
  const StateSettings good = GoodSettings();
  for (const Damage& d : damages) {
    Section section(4096);
    StateView reader = section.View();
    ASSERT_TRUE(reader.UpdateSettings([&](StateSettings& s) {
      s = good;
      return true;
    }));
    d.apply(section.header());

    const SettingsCopy kept = reader.CopySettings();
    EXPECT_LE(kept.copies, 8) << d.what << ": a few copies, never a spin";
    EXPECT_EQ(kept.source, SettingsSource::LastGood) << d.what;
    EXPECT_TRUE(SameSettings(kept.settings, good)) << d.what;
    EXPECT_TRUE(SameSettings(reader.ReadSettings(), good)) << d.what;
    const SettingsCopy fresh = section.View().CopySettings();  // a reader that never saw good settings
    EXPECT_EQ(fresh.source, SettingsSource::Defaults) << d.what;
    EXPECT_TRUE(SameSettings(fresh.settings, DefaultSettings())) << d.what;

    // The next writer starts from the last good settings and leaves an even sequence.
    ASSERT_TRUE(reader.UpdateSettings([](StateSettings& s) {
      s.mirror = 1;
      return true;
    })) << d.what;
    EXPECT_EQ(section.header().settingsSequence % 2, 0u) << d.what;
    const SettingsCopy repaired = section.View().CopySettings();
    EXPECT_EQ(repaired.source, SettingsSource::Section) << d.what;
    EXPECT_EQ(repaired.copies, 1) << d.what;
    StateSettings expected = good;
    expected.mirror = 1;
    EXPECT_TRUE(SameSettings(repaired.settings, expected)) << d.what;
  }
}

// Readers racing a writer get one whole set of settings or the other, never a mix, however few copies
// they take.
TEST(SharedLayout, ReadersNeverKeepTornSettings) {
  Section section(4096);
  StateView writerView = section.View();
  const StateSettings a = GoodSettings();
  StateSettings b = DefaultSettings();
  b.outputFormat = {1920, 1080, 60, 1, 4};
  b.mirror = 1;
  b.driverValue64 = -1;
  ASSERT_TRUE(writerView.UpdateSettings([&](StateSettings& s) {
    s = a;
    return true;
  }));
  // The readers' views see the first settings before the writer starts: a view that never saw whole
  // settings falls back to the defaults, which is neither set.
  std::vector<StateView> views;
  for (int r = 0; r < 2; ++r) views.push_back(section.View());
  std::atomic<bool> done{false};
  std::atomic<long> reads{0}, torn{0};
  std::thread writer([&] {
    for (int change = 0; change < 20000; ++change) {
      ASSERT_TRUE(writerView.UpdateSettings([&](StateSettings& s) {
        s = change % 2 ? a : b;
        return true;
      }));
    }
    done = true;
  });
  std::vector<std::thread> readers;
  for (const StateView& view : views) {
    readers.emplace_back([&] {
      while (!done) {
        const StateSettings seen = view.ReadSettings();
        ++reads;
        if (!SameSettings(seen, a) && !SameSettings(seen, b)) ++torn;
      }
    });
  }
  writer.join();
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_GT(reads.load(), 0);
}

TEST(SharedLayout, ClientTableCountsLiveProcessesOnce) {
  Section section(4096);
  StateView view = section.View();
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

// An entry in a state other than free or active (a stray write, another process's damage) is not a
// client: it is neither counted nor woken, and it is free to claim, so it cannot keep clients out.
TEST(SharedLayout, DamagedClientEntriesAreReclaimed) {
  Section section(4096);
  StateView view = section.View();
  const uint32_t damaged[] = {2, 7, 0x80000000u, 0xFFFFFFFFu};
  for (uint32_t i = 0; i < kClientSlots; ++i) section.header().clients[i].state = damaged[i % 4];
  int visited = 0;
  view.ForEachClient([&](int32_t, uint32_t) { ++visited; });
  EXPECT_EQ(visited, 0);
  for (uint32_t i = 0; i < kClientSlots; ++i) {
    uint32_t generation = 0;
    ASSERT_GE(view.ClaimClient(100 + i, 1, generation), 0) << "claim " << i;
  }

  for (uint32_t i = 0; i < kClientSlots; ++i) section.header().clients[i].state = damaged[i % 4];
  EXPECT_EQ(view.CountClients([](uint32_t, uint64_t) { return true; }), 0);
  for (const ClientEntry& entry : section.header().clients) EXPECT_EQ(entry.state, kClientFree);
}

}  // namespace
}  // namespace orvane::state
