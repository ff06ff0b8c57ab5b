// What call apps see through the virtual camera, two processes at work: camclient.exe pushes the
// synthetic webcam's pattern into the device through the property set, and this process reads the
// device as a call app does (CameraSession) while it changes the settings. The pictures are checked
// with the pattern reader (orientation, scale, the corner marks) and at the black bars, for each fill
// mode, mirror and flip, each client layout, producer frames of other sizes and aspects, the idle and
// the neutral pictures, and two devices side by side.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincodec.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "media/picture/IdlePicture.h"
#include "media/picture/PictureRenderer.h"
#include "platform/com/ComInitialization.h"
#include "platform/win/PerformanceCounter.h"
#include "shared/device/DeviceNaming.h"
#include "tests/native/picture/PictureTestSupport.h"
#include "tests/windows/camera/PictureFiles.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tools/camclient/CameraSession.h"
#include "tools/testcam/pattern/TestPattern.h"

namespace orvane::testing {
namespace {

constexpr DWORD kWaitMs = 20000;
constexpr double kScaleTolerance = 0.04;

using Corners = std::array<CornerColour, 4>;
constexpr CornerColour R = CornerColour::Red, G = CornerColour::Green, B = CornerColour::Blue,
                       Y = CornerColour::Yellow, N = CornerColour::None;

// The colour of picture pixel (x, y), top row first.
test::Bgr Pixel(const FrameHeader& frame, const std::vector<uint8_t>& pixels, int x, int y) {
  return test::ReadPixel(frame, pixels.data(), x, y);
}

bool IsBlack(const test::Bgr& colour) { return colour.b <= 2 && colour.g <= 2 && colour.r <= 2; }

// The pattern, upright and scaled by `scale` in both directions.
void ExpectUprightPattern(const PatternReading& reading, double scale) {
  ASSERT_TRUE(reading.found) << reading.failure;
  EXPECT_FALSE(reading.mirrored);
  EXPECT_EQ(reading.quarterTurns, 0);
  EXPECT_NEAR(reading.scaleX, scale, kScaleTolerance * scale);
  EXPECT_NEAR(reading.scaleY, scale, kScaleTolerance * scale);
}

class VirtualCameraPicture : public ::testing::Test {
 protected:
  void Install(int32_t count) {
    cameras_ = std::make_unique<InstalledCameras>(count);
    ASSERT_EQ(cameras_->result(), S_OK);
    controller_ = PropertiesOf(BindDevice(0).Get());
    ASSERT_TRUE(controller_);
  }
  void Settings(FillMode fill, bool mirror, bool flip) {
    ASSERT_EQ(SetProperty(controller_.Get(), kPropertyFillMode, static_cast<int32_t>(fill)), S_OK);
    ASSERT_EQ(SetProperty(controller_.Get(), kPropertyMirror, int32_t{mirror}), S_OK);
    ASSERT_EQ(SetProperty(controller_.Get(), kPropertyFlip, int32_t{flip}), S_OK);
  }
  static std::unique_ptr<ClientProcess> Produce(const std::wstring& device, const wchar_t* size, const wchar_t* layout) {
    return std::make_unique<ClientProcess>(L"produce --device \"" + device + L"\" --size " + size + L" --format " + layout +
                                           L" --seconds 600");
  }
  void TearDown() override {
    controller_.Reset();
    cameras_.reset();
  }

  ComInitialization com_;
  std::unique_ptr<InstalledCameras> cameras_;
  ComPtr<IKsPropertySet> controller_;  // the settings, as the renderer sets them
};

struct Expected {
  const char* what;
  FillMode fill;
  bool mirror, flip;
  bool readMirrored;
  int quarterTurns;
  double scaleX, scaleY;
  Corners corners;
  bool barsTopAndBottom;
};

void CheckPicture(const CameraClient& client, const std::vector<uint8_t>& pixels, const Expected& e) {
  const PatternReading reading = client.Read(pixels);
  ASSERT_TRUE(reading.found) << reading.failure;
  EXPECT_EQ(reading.mirrored, e.readMirrored);
  EXPECT_EQ(reading.quarterTurns, e.quarterTurns);
  EXPECT_NEAR(reading.scaleX, e.scaleX, kScaleTolerance * e.scaleX);
  EXPECT_NEAR(reading.scaleY, e.scaleY, kScaleTolerance * e.scaleY);
  EXPECT_EQ(reading.corners, e.corners);
  const FrameHeader frame = client.geometry();
  const int rows = std::abs(frame.height);
  for (int x = 0; x < frame.width; x += frame.width / 8) {
    EXPECT_EQ(IsBlack(Pixel(frame, pixels, x, 0)), e.barsTopAndBottom) << "top row at " << x;
    EXPECT_EQ(IsBlack(Pixel(frame, pixels, x, rows - 1)), e.barsTopAndBottom) << "bottom row at " << x;
  }
}

// A 16:9 producer (RGB24, bottom-up) into a 4:3 client of every layout.
TEST_F(VirtualCameraPicture, FitsMirrorsAndFlipsInEveryClientLayout) {
  Install(1);
  const auto producer = Produce(L"Orvane", L"640x360", L"RGB24");
  const double fill = 240.0 / 360.0;
  const Expected cases[] = {
      {"aspect fit", FillMode::AspectFit, false, false, false, 0, 0.5, 0.5, {N, N, N, N}, true},
      {"aspect fill", FillMode::AspectFill, false, false, false, 0, fill, fill, {N, N, N, N}, false},
      {"stretch", FillMode::Stretch, false, false, false, 0, 0.5, fill, {R, G, B, Y}, false},
      {"mirror", FillMode::Stretch, true, false, true, 0, 0.5, fill, {G, R, Y, B}, false},
      {"flip", FillMode::Stretch, false, true, true, 2, 0.5, fill, {B, Y, R, G}, false},
      {"mirror and flip", FillMode::Stretch, true, true, false, 2, 0.5, fill, {Y, B, G, R}, false},
  };
  for (FramePixelType layout : {FramePixelType::YUY2, FramePixelType::NV12, FramePixelType::RGB24, FramePixelType::RGB32}) {
    SCOPED_TRACE(std::string("client ") + FramePixelTypeName(layout));
    CameraClient client;
    ASSERT_EQ(client.Open(0, layout, 320, 240), S_OK);
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(client.WaitForPattern(true, pixels)) << "no producer frame arrived";
    for (const Expected& e : cases) {
      SCOPED_TRACE(e.what);
      Settings(e.fill, e.mirror, e.flip);
      ASSERT_TRUE(client.Next(pixels));
      CheckPicture(client, pixels, e);
    }
  }
}

// Producers of another size and aspect than the client: portrait into landscape, and a smaller
// picture of the same aspect scaled up.
TEST_F(VirtualCameraPicture, FitsProducerFramesOfOtherSizesAndAspects) {
  Install(1);
  Settings(FillMode::AspectFit, false, false);
  {
    const auto producer = Produce(L"Orvane", L"360x480", L"NV12");
    CameraClient client;
    ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 360), S_OK);
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(client.WaitForProducerSize(360, 480, pixels));
    ExpectUprightPattern(client.Read(pixels), 0.75);
    // Pillarboxed: 270 columns of picture in the middle, black on either side.
    const FrameHeader frame = client.geometry();
    for (int y = 0; y < 360; y += 45) {
      EXPECT_TRUE(IsBlack(Pixel(frame, pixels, 0, y))) << "left edge at " << y;
      EXPECT_TRUE(IsBlack(Pixel(frame, pixels, 180, y))) << "left bar at " << y;
      EXPECT_TRUE(IsBlack(Pixel(frame, pixels, 639, y))) << "right edge at " << y;
      EXPECT_FALSE(IsBlack(Pixel(frame, pixels, 200, y))) << "picture at " << y;
    }
    Settings(FillMode::AspectFill, false, false);
    ASSERT_TRUE(client.Next(pixels));
    ExpectUprightPattern(client.Read(pixels), 640.0 / 360.0);
    EXPECT_FALSE(IsBlack(Pixel(frame, pixels, 0, 180)));
  }
  Settings(FillMode::AspectFit, false, false);
  const auto producer = Produce(L"Orvane", L"1280x720", L"YUY2");
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::NV12, 1920, 1080), S_OK);
  std::vector<uint8_t> pixels;
  ASSERT_TRUE(client.WaitForProducerSize(1280, 720, pixels));
  ExpectUprightPattern(client.Read(pixels), 1.5);
  EXPECT_EQ(client.Read(pixels).corners, (Corners{R, G, B, Y})) << "same aspect: nothing cut, no bars";
}

// The idle picture a second after the producer stops (never mirrored), the neutral picture without
// one, and the live picture as soon as frames come again.
TEST_F(VirtualCameraPicture, IdleAndNeutralPicturesWhileNoFramesArrive) {
  Install(1);
  const TemporaryFile idle(L"idle.bmp");
  ASSERT_EQ(WriteHalvesPicture(idle.path(), GUID_ContainerFormatBmp, 64, 32), S_OK);
  IdlePicturePayload payload;
  ASSERT_TRUE(MakeIdlePicturePayload(payload, idle.path().c_str()));
  ASSERT_EQ(SetProperty(controller_.Get(), kPropertyIdlePicture, payload), S_OK);
  Settings(FillMode::AspectFit, true, false);

  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::RGB32, 320, 240), S_OK);
  auto producer = Produce(L"Orvane", L"320x240", L"YUY2");
  std::vector<uint8_t> pixels;
  ASSERT_TRUE(client.WaitForPattern(true, pixels));

  producer->Kill();
  const int64_t stopped = PerformanceCounterTime();
  ASSERT_TRUE(client.WaitForPattern(false, pixels));
  const double seconds = static_cast<double>(PerformanceCounterTime() - stopped) / 1e7;
  EXPECT_GT(seconds, 0.5) << "the last frame stays for about a second";
  EXPECT_LT(seconds, 10.0);
  // The client's stream decodes the picture when it first needs it: on a loaded machine the neutral
  // picture can show for a few frames until the decode is done.
  const FrameHeader frame = client.geometry();
  for (int frames = 0; frames < 150 && Pixel(frame, pixels, 80, 120).r <= 240; ++frames) {
    ASSERT_TRUE(client.Next(pixels, 1)) << "the stream stopped";
  }
  // 2:1 into 4:3, letterboxed: red on the left and blue on the right, as the file has them.
  const auto left = Pixel(frame, pixels, 80, 120), right = Pixel(frame, pixels, 240, 120);
  EXPECT_GT(left.r, 240) << test::ToString(left);
  EXPECT_LT(left.b, 15) << test::ToString(left);
  EXPECT_GT(right.b, 240) << test::ToString(right);
  EXPECT_LT(right.r, 15) << test::ToString(right);
  EXPECT_TRUE(IsBlack(Pixel(frame, pixels, 160, 10)));

  // Without an idle picture: the neutral picture, exactly as the picture pipeline draws it.
  ASSERT_EQ(SetProperty(controller_.Get(), kPropertyIdlePicture, IdlePicturePayload{}), S_OK);
  ASSERT_TRUE(client.Next(pixels));
  picture::Picture32 neutral;
  ASSERT_TRUE(picture::MakeNoSignalPicture(320, 240, neutral));
  std::vector<uint8_t> expected(picture::ClientFrameSize(frame));
  picture::PictureRenderer renderer;
  ASSERT_EQ(renderer.Render(neutral.View(), frame, expected.data(), expected.size(), {}), picture::PictureError::None);
  EXPECT_TRUE(pixels == expected) << "not the neutral picture";

  producer = Produce(L"Orvane", L"320x240", L"YUY2");
  ASSERT_TRUE(client.WaitForPattern(true, pixels)) << "the live picture is back";
  EXPECT_TRUE(client.Read(pixels).mirrored);
}

// Frames, pictures and clients of one device are not the other's.
// Two streams of one device in this process, at the same size and layout, share each rendered frame;
// both show the picture the settings ask for, before and after they change.
TEST_F(VirtualCameraPicture, StreamsOfOneDeviceShareTheirFramesAndFollowTheSettings) {
  Install(1);
  const auto producer = Produce(L"Orvane", L"640x360", L"YUY2");
  CameraClient first, second;
  ASSERT_EQ(first.Open(0, FramePixelType::NV12, 320, 240), S_OK);
  ASSERT_EQ(second.Open(0, FramePixelType::NV12, 320, 240), S_OK);
  std::vector<uint8_t> pixels;
  ASSERT_TRUE(first.WaitForPattern(true, pixels)) << "no producer frame arrived";
  ASSERT_TRUE(second.WaitForPattern(true, pixels)) << "no producer frame arrived";
  for (const bool mirror : {true, false, true}) {
    Settings(FillMode::Stretch, mirror, false);
    for (CameraClient* client : {&first, &second}) {
      SCOPED_TRACE(std::string(client == &first ? "first" : "second") + (mirror ? " mirrored" : " upright"));
      ASSERT_TRUE(client->Next(pixels));
      const PatternReading reading = client->Read(pixels);
      ASSERT_TRUE(reading.found) << reading.failure;
      EXPECT_EQ(reading.mirrored, mirror);
    }
  }
}

TEST_F(VirtualCameraPicture, TwoDevicesShowTheirOwnFrames) {
  Install(2);
  const int32_t first = cameras_->devices()[0].number, second = cameras_->devices()[1].number;
  const auto producer = Produce(L"Orvane #1", L"320x240", L"NV12");
  CameraClient live, quiet;
  ASSERT_EQ(live.Open(first, FramePixelType::YUY2, 320, 240), S_OK);
  ASSERT_EQ(quiet.Open(second, FramePixelType::YUY2, 320, 240), S_OK);
  std::vector<uint8_t> pixels;
  ASSERT_TRUE(live.WaitForPattern(true, pixels));
  ASSERT_TRUE(quiet.Next(pixels, 10));
  EXPECT_FALSE(quiet.Read(pixels).found) << "the second device shows the first one's frames";

  const ComPtr<IKsPropertySet> other = PropertiesOf(BindDevice(second).Get());
  ASSERT_TRUE(other);
  int32_t count = -1;
  ASSERT_EQ(GetProperty(other.Get(), kPropertyClientCount, count), S_OK);
  EXPECT_EQ(count, 1);
  ASSERT_EQ(quiet.Stop(), S_OK);
  ASSERT_EQ(GetProperty(other.Get(), kPropertyClientCount, count), S_OK);
  EXPECT_EQ(count, 0);
  ASSERT_EQ(GetProperty(controller_.Get(), kPropertyClientCount, count), S_OK);
  EXPECT_EQ(count, 1) << "the first device's client still runs";
}

}  // namespace
}  // namespace orvane::testing
