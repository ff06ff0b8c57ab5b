// A call app's camera stream against a peer that writes the device's shared state as it likes (any
// process of the session can): idle picture paths that must not be opened, a frame event that was
// created first and is kept set, publication times from the future. The peer is this process writing
// the section by its name; the call app is a CameraSession here, whose filter's counters
// (INimbCameraStatistics) show what its stream did without measuring time.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincodec.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/camera/IdlePictureDecoder.h"
#include "device/camera/NimbCameraStatistics.h"
#include "device/camera/state/DeviceState.h"
#include "media/picture/IdlePicture.h"
#include "media/picture/PictureRenderer.h"
#include "platform/com/ComInitialization.h"
#include "platform/win/PerformanceCounter.h"
#include "tests/native/picture/PictureTestSupport.h"
#include "tests/windows/camera/PictureFiles.h"
#include "tests/windows/camera/VirtualCameraSupport.h"

namespace orvane::testing {
namespace {

using camera::StreamStatistics;

// Enough frames at the client's 30 fps for the idle time-out of about a second to pass twice.
constexpr int kFramesPastIdleTimeout = 60;

// The device's section as another process of the session maps it: by its name, written under the
// device's lock with whatever values that process likes.
class RawSection {
 public:
  explicit RawSection(int32_t number)
      : mapping_(OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, state::StateSectionName(number).c_str())),
        lock_(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, state::StateLockName(number).c_str())) {
    if (mapping_) memory_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
    MEMORY_BASIC_INFORMATION region{};
    uint32_t capacity = 0;
    if (memory_ && VirtualQuery(memory_.get(), &region, sizeof region) != 0 &&
        state::ValidateState(memory_.get(), region.RegionSize, capacity) == state::StateError::None) {
      view_ = std::make_unique<state::StateView>(memory_.get(), region.RegionSize, capacity);
    }
  }
  bool ok() const { return view_ != nullptr && lock_; }
  const state::StateHeader& header() const { return *static_cast<const state::StateHeader*>(memory_.get()); }
  void Write(const std::function<void(state::StateView&)>& write) {
    ASSERT_EQ(WaitForSingleObject(lock_.get(), kProcessTimeoutMs), WAIT_OBJECT_0);
    write(*view_);
    ReleaseMutex(lock_.get());
  }

 private:
  UniqueHandle mapping_;
  UniqueHandle lock_;
  UniqueMappedView memory_;
  std::unique_ptr<state::StateView> view_;
};

std::vector<uint8_t> SolidRgb32Record(int32_t width, int32_t height, uint8_t b, uint8_t g, uint8_t r) {
  const FrameHeader header{FramePixelType::RGB32, width, height, 0};
  std::vector<uint8_t> record(sizeof header + size_t(width) * height * 4);
  std::memcpy(record.data(), &header, sizeof header);
  for (size_t i = sizeof header; i < record.size(); i += 4) {
    record[i] = b;
    record[i + 1] = g;
    record[i + 2] = r;
  }
  return record;
}

class VirtualCameraHostilePeer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    cameras_ = std::make_unique<InstalledCameras>(1);
    ASSERT_EQ(cameras_->result(), S_OK);
    controller_ = PropertiesOf(BindDevice(0).Get());
    ASSERT_TRUE(controller_);
    ASSERT_EQ(state::DeviceState::Open(0, state_), S_OK);
    raw_ = std::make_unique<RawSection>(0);
    ASSERT_TRUE(raw_->ok());
  }
  void TearDown() override {
    raw_.reset();
    state_.reset();
    controller_.Reset();
    cameras_.reset();
  }
  static StreamStatistics Statistics(const CameraClient& client) {
    ComPtr<camera::INimbCameraStatistics> statistics;
    StreamStatistics counts{};
    EXPECT_EQ(client.source()->QueryInterface(IID_PPV_ARGS(&statistics)), S_OK);
    if (statistics) {
      EXPECT_EQ(statistics->GetStreamStatistics(&counts), S_OK);
    }
    return counts;
  }
  HRESULT PushFrame(std::vector<uint8_t> record) {
    return controller_->Set(VirtualCameraPropertySet, kPropertyFrame, nullptr, 0, record.data(),
                            static_cast<DWORD>(record.size()));
  }
  static std::vector<uint8_t> NeutralFrame(const FrameHeader& frame) {
    picture::Picture32 neutral;
    EXPECT_TRUE(picture::MakeNoSignalPicture(frame.width, std::abs(frame.height), neutral));
    std::vector<uint8_t> expected(picture::ClientFrameSize(frame));
    picture::PictureRenderer renderer;
    EXPECT_EQ(renderer.Render(neutral.View(), frame, expected.data(), expected.size(), {}),
              picture::PictureError::None);
    return expected;
  }

  ComInitialization com_{COINIT_MULTITHREADED};
  std::unique_ptr<InstalledCameras> cameras_;
  ComPtr<IKsPropertySet> controller_;  // the producer's property set
  std::unique_ptr<state::DeviceState> state_;
  std::unique_ptr<RawSection> raw_;
};

bool ShowsHalves(const FrameHeader& frame, const std::vector<uint8_t>& pixels) {
  // 2:1 into 4:3, letterboxed: red on the left, blue on the right.
  const test::Bgr left = test::ReadPixel(frame, pixels.data(), 80, 120);
  const test::Bgr right = test::ReadPixel(frame, pixels.data(), 240, 120);
  return left.r > 240 && left.b < 15 && right.b > 240 && right.r < 15;
}

// A drive letter that names no drive here.
std::wstring UnusedDrive() {
  for (wchar_t letter = L'Y'; letter > L'C'; --letter) {
    const wchar_t root[] = {letter, L':', L'\\', 0};
    if (GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR) return std::wstring(root);
  }
  return L"";
}

// Property 4 refuses what no client would open; the same paths written straight into the section are
// not decoded (those the path rules refuse are not even handed to the decoder): the client shows the
// neutral picture and keeps streaming. A plain local picture is still shown.
TEST_F(VirtualCameraHostilePeer, IdlePicturesOnlyFromPlainLocalFiles) {
  const TemporaryFile valid(L"idle.bmp"), oversized(L"oversized.bmp"), wide(L"wide.png");
  ASSERT_EQ(WriteHalvesPicture(valid.path(), GUID_ContainerFormatBmp, 64, 32), S_OK);
  ASSERT_EQ(WriteHalvesPicture(oversized.path(), GUID_ContainerFormatBmp, 64, 32, kMaxIdlePictureFileBytes + 1), S_OK);
  // Beyond the side limit; a PNG of two colours stays small.
  ASSERT_EQ(WriteHalvesPicture(wide.path(), GUID_ContainerFormatPng, kMaxIdlePictureSourceSide + 8,
                               (kMaxIdlePictureSourceSide + 8) / 4),
            S_OK);
  const std::wstring noDrive = UnusedDrive();
  ASSERT_FALSE(noDrive.empty());

  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::RGB32, 320, 240), S_OK);
  const FrameHeader frame = client.geometry();
  const std::vector<uint8_t> neutral = NeutralFrame(frame);
  std::vector<uint8_t> pixels;

  const auto setDirectly = [&](const std::wstring& path) {
    IdlePicturePayload payload;
    ASSERT_TRUE(MakeIdlePicturePayload(payload, path.c_str()));
    ASSERT_EQ(state_->SetIdlePicture(payload), S_OK);
  };
  // Frames until the stream has seen the path and taken the result of every decode it started, then
  // one more.
  const auto settle = [&] {
    ASSERT_TRUE(client.Next(pixels, 2)) << "the stream stopped";
    for (int frames = 0; frames < 600; ++frames) {
      const StreamStatistics counts = Statistics(client);
      if (counts.idleDecodes == counts.idleDecodesEnded) break;
      ASSERT_TRUE(client.Next(pixels, 1)) << "the stream stopped";
    }
    ASSERT_TRUE(client.Next(pixels, 2)) << "the stream stopped";
  };

  setDirectly(valid.path());
  settle();
  ASSERT_TRUE(ShowsHalves(frame, pixels)) << "the valid picture is not shown";
  IdlePicturePayload payload;
  ASSERT_TRUE(MakeIdlePicturePayload(payload, valid.path().c_str()));
  EXPECT_EQ(SetProperty(controller_.Get(), kPropertyIdlePicture, payload), S_OK);

  struct Case {
    const char* what;
    std::wstring path;
    HRESULT setResult;
    bool decoded;  // handed to the decoder, which refuses it
  };
  const Case cases[] = {
      {"UNC", L"\\\\127.0.0.1\\share\\x.bmp", E_INVALIDARG, false},
      {"UNC with slashes", L"//127.0.0.1/share/x.bmp", E_INVALIDARG, false},
      {"UNC in the namespace", L"\\\\?\\UNC\\127.0.0.1\\share\\x.bmp", E_INVALIDARG, false},
      {"local file in the namespace", L"\\\\?\\" + valid.path(), E_INVALIDARG, false},
      {"pipe", L"\\\\.\\pipe\\orvane-idle-picture", E_INVALIDARG, false},
      {"volume", L"\\\\.\\C:", E_INVALIDARG, false},
      {"device name", L"C:\\users\\NUL.bmp", E_INVALIDARG, false},
      {"relative", L"orvane-idle.bmp", E_INVALIDARG, false},
      {"alternate stream", valid.path() + L":hidden", E_INVALIDARG, false},
      {"no such drive", noDrive + L"x.bmp", E_INVALIDARG, true},
      {"a folder", valid.path().substr(0, valid.path().find_last_of(L'\\')), E_INVALIDARG, true},
      {"file beyond the size limit", oversized.path(), E_INVALIDARG, true},
      {"picture beyond the side limit", wide.path(), S_OK, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(MakeIdlePicturePayload(payload, c.path.c_str()));
    EXPECT_EQ(SetProperty(controller_.Get(), kPropertyIdlePicture, payload), c.setResult);

    const StreamStatistics before = Statistics(client);
    setDirectly(c.path);
    settle();
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(client.Next(pixels, 1)) << "the stream stopped";
      EXPECT_TRUE(pixels == neutral) << "not the neutral picture";
    }
    EXPECT_EQ(Statistics(client).idleDecodes > before.idleDecodes, c.decoded);
  }

  // A refused Set changed nothing: the section still names what was written last.
  ASSERT_TRUE(MakeIdlePicturePayload(payload, L"\\\\127.0.0.1\\share\\x.bmp"));
  setDirectly(valid.path());
  EXPECT_EQ(SetProperty(controller_.Get(), kPropertyIdlePicture, payload), E_INVALIDARG);
  EXPECT_EQ(std::u16string(state_->Settings().idlePicturePath),
            std::u16string(valid.path().begin(), valid.path().end()));
  settle();
  EXPECT_TRUE(ShowsHalves(frame, pixels)) << "the valid picture is not shown again";
}

// The client's frame event has a name any process of the session can open, or create first: here it
// exists before the client registers, manual-reset and set for ever. Each wait for a push still takes
// only a bounded number of wake-ups, and frames keep coming.
TEST_F(VirtualCameraHostilePeer, AFrameEventKeptSetCannotMakeTheStreamSpin) {
  // The client will claim the first free entry of the table with the entry's next generation.
  const state::StateHeader& header = raw_->header();
  int32_t slot = -1;
  for (uint32_t i = 0; i < state::kClientSlots && slot < 0; ++i) {
    if (header.clients[i].state == state::kClientFree) slot = static_cast<int32_t>(i);
  }
  ASSERT_GE(slot, 0);
  const uint32_t generation = header.clients[slot].generation + 1;
  const UniqueHandle hostile(CreateEventW(nullptr, TRUE, TRUE, state::ClientEventName(0, slot, generation).c_str()));
  ASSERT_TRUE(hostile);

  ASSERT_EQ(PushFrame(SolidRgb32Record(64, 48, 0, 255, 0)), S_OK);
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::RGB32, 320, 240), S_OK);
  ASSERT_EQ(header.clients[slot].state, state::kClientActive);
  ASSERT_EQ(header.clients[slot].generation, generation) << "the client got another event than the hostile one";

  // A producer slower than the client: between its pushes the client waits for one.
  std::vector<uint8_t> pixels;
  for (int push = 0; push < 10; ++push) {
    ASSERT_EQ(PushFrame(SolidRgb32Record(64, 48, 0, 255, 0)), S_OK);
    ASSERT_TRUE(client.Next(pixels, 3)) << "the stream stopped";
  }
  EXPECT_EQ(WaitForSingleObject(hostile.get(), 0), WAIT_OBJECT_0) << "the event should still be set";
  const StreamStatistics counts = Statistics(client);
  ASSERT_GT(counts.frameWaits, 0u) << "the client never waited for a push";
  EXPECT_LE(counts.emptyWakeUps, counts.frameWaits * camera::kMaxEmptyWakeUpsPerWait)
      << counts.frameWaits << " waits";
}

// A frame whose publication time the section puts in the future, or at a value whose difference from
// now overflows, is not live: the client shows the idle picture, not that frame for ever.
TEST_F(VirtualCameraHostilePeer, FramesFromTheFutureAreNotLive) {
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::RGB32, 320, 240), S_OK);
  const FrameHeader frame = client.geometry();
  const std::vector<uint8_t> neutral = NeutralFrame(frame);
  const auto isGreen = [&](const std::vector<uint8_t>& pixels) {
    const test::Bgr centre = test::ReadPixel(frame, pixels.data(), 160, 120);
    return centre.g > 240 && centre.r < 15 && centre.b < 15;
  };
  std::vector<uint8_t> pixels;

  struct Case {
    const char* what;
    uint64_t published;
  };
  const Case cases[] = {
      {"an hour ahead", static_cast<uint64_t>(PerformanceCounterTime()) + 36'000'000'000ull},
      {"the sign bit alone", uint64_t{1} << 63},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The same frame, pushed as a producer does, is shown: it is the time that makes the difference.
    bool shown = false;
    for (int push = 0; push < 20 && !shown; ++push) {
      ASSERT_EQ(PushFrame(SolidRgb32Record(64, 48, 0, 255, 0)), S_OK);
      ASSERT_TRUE(client.Next(pixels, 2)) << "the stream stopped";
      shown = isGreen(pixels);
    }
    ASSERT_TRUE(shown) << "a pushed frame is not shown";

    const std::vector<uint8_t> record = SolidRgb32Record(64, 48, 0, 255, 0);
    raw_->Write([&](state::StateView& view) {
      EXPECT_EQ(view.PublishFrame(record.data(), record.size(), c.published), state::StateError::None);
    });
    ASSERT_TRUE(client.Next(pixels, kFramesPastIdleTimeout)) << "the stream stopped";
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(client.Next(pixels, 1)) << "the stream stopped";
      EXPECT_TRUE(pixels == neutral) << "the frame is still shown as live";
    }
  }
}

}  // namespace
}  // namespace orvane::testing
