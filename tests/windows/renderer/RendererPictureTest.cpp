// What call apps see of the renderer's settings: the synthetic webcam through the renderer into a
// virtual camera, read by a client in this process. Zoom, pan and rotation change the picture before
// the device scales it; mirror, flip and fill mode are the device's. Also how many clients the
// renderer reports while camera clients in other processes read the device.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/renderer/support/RendererTestSupport.h"
#include "tests/windows/testcam/CameraTestSupport.h"

namespace orvane::testing {
namespace {

class NimbRendererPicture : public RendererTest {
 protected:
  void SetUp() override {
    RendererTest::SetUp();
    ASSERT_EQ(devices_.result(), S_OK);
    ASSERT_EQ(webcam_.registered(), S_OK);
    ASSERT_EQ(module_.CreateRenderer(renderer_), S_OK);
    control_ = ControlOf(renderer_.Get());
    ASSERT_TRUE(control_);
    ASSERT_EQ(control_->SetFillMode(0), S_OK);
    graph_ = std::make_unique<WebcamGraph>();
    ASSERT_EQ(graph_->Build(renderer_.Get()), S_OK);
    ASSERT_HRESULT_SUCCEEDED(graph_->Run());
  }
  void TearDown() override {
    graph_.reset();
    control_.Reset();
    renderer_.Reset();
    RendererTest::TearDown();
  }

  // The pattern in a frame the client receives once the settings changed before had time to act.
  PatternReading Look(CameraClient& client) {
    std::vector<uint8_t> pixels;
    EXPECT_TRUE(client.Next(pixels, 4)) << "no frames at the client";
    return client.Read(pixels);
  }

  InstalledCameras devices_{1};
  CameraRegistration webcam_{{CameraConfig{L"", {L"YUY2 640x480@30"}}}};
  ComPtr<IBaseFilter> renderer_;
  ComPtr<INimbRenderer> control_;
  std::unique_ptr<WebcamGraph> graph_;
};

TEST_F(NimbRendererPicture, ZoomPanAndRotationAreVisibleAtTheClient) {
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 480), S_OK);
  std::vector<uint8_t> pixels;
  ASSERT_TRUE(client.WaitForPattern(true, pixels));

  struct Case {
    const char* what;
    int zoom, panX, panY;
    BOOL rotate;
    int quarterTurns;
    double scaleX, scaleY;
    double minOffsetX, maxOffsetX;  // where the data block's centre lies, from the image's centre
    double minOffsetY, maxOffsetY;
  };
  const Case cases[] = {
      {"as it comes", 0, 0, 0, FALSE, 0, 1.0, 1.0, -4, 4, -4, 4},
      {"zoom 10 keeps half of each side", 10, 0, 0, FALSE, 0, 2.0, 2.0, -8, 8, -8, 8},
      {"zoom 4 panned right", 4, 4, 0, FALSE, 0, 1.4, 1.4, -160, -100, -8, 8},
      {"zoom 4 panned left and down", 4, -4, 4, FALSE, 0, 1.4, 1.4, 100, 160, -140, -70},
      {"rotated: portrait fitted into landscape", 0, 0, 0, TRUE, 1, 0.75, 0.75, -4, 4, -4, 4},
      {"rotated and zoomed", 10, 0, 0, TRUE, 1, 1.5, 1.5, -8, 8, -8, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(control_->SetZoom(c.zoom, c.panX, c.panY), S_OK);
    ASSERT_EQ(control_->SetRotate(c.rotate), S_OK);
    const PatternReading reading = Look(client);
    ASSERT_TRUE(reading.found) << reading.failure;
    EXPECT_EQ(reading.quarterTurns, c.quarterTurns);
    EXPECT_FALSE(reading.mirrored);
    EXPECT_NEAR(reading.scaleX, c.scaleX, 0.05 * c.scaleX);
    EXPECT_NEAR(reading.scaleY, c.scaleY, 0.05 * c.scaleY);
    EXPECT_GE(reading.offsetX, c.minOffsetX);
    EXPECT_LE(reading.offsetX, c.maxOffsetX);
    EXPECT_GE(reading.offsetY, c.minOffsetY);
    EXPECT_LE(reading.offsetY, c.maxOffsetY);
  }
}

// Mirror, flip and the fill mode are the device's work: the renderer's settings show at the client.
TEST_F(NimbRendererPicture, MirrorFlipAndFillModeReachTheClient) {
  ASSERT_EQ(control_->SetRotate(TRUE), S_OK);
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::NV12, 640, 480), S_OK);
  std::vector<uint8_t> pixels;
  ASSERT_TRUE(client.WaitForPattern(true, pixels));
  struct Case {
    const char* what;
    UINT fill;
    BOOL mirror, flip;
    bool mirrored;
    int quarterTurns;
    double scaleX, scaleY;
  };
  // The rotated 480 x 640 picture in a 640 x 480 client; scales are along the client's axes, and a
  // mirrored quarter turn reads as a mirror image turned three quarters.
  const Case cases[] = {
      {"aspect fit", 0, FALSE, FALSE, false, 1, 0.75, 0.75},
      {"aspect fill", 1, FALSE, FALSE, false, 1, 4.0 / 3.0, 4.0 / 3.0},
      {"stretch", 2, FALSE, FALSE, false, 1, 4.0 / 3.0, 0.75},
      {"mirrored", 0, TRUE, FALSE, true, 3, 0.75, 0.75},
      {"mirrored and flipped", 0, TRUE, TRUE, false, 3, 0.75, 0.75},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(control_->SetFillMode(c.fill), S_OK);
    ASSERT_EQ(control_->SetMirror(c.mirror), S_OK);
    ASSERT_EQ(control_->SetFlip(c.flip), S_OK);
    const PatternReading reading = Look(client);
    ASSERT_TRUE(reading.found) << reading.failure;
    EXPECT_EQ(reading.mirrored, c.mirrored);
    EXPECT_EQ(reading.quarterTurns, c.quarterTurns);
    EXPECT_NEAR(reading.scaleX, c.scaleX, 0.05 * c.scaleX);
    EXPECT_NEAR(reading.scaleY, c.scaleY, 0.05 * c.scaleY);
  }
}

// Call apps in other processes: the count follows them, and an idle camera leaves the caller's count.
TEST_F(NimbRendererPicture, CountsTheClientsReadingTheCamera) {
  int count = 0;
  EXPECT_EQ(control_->GetClientCount(&count), S_OK);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(control_->IsCameraIdle(), TRUE);

  NamedEvent firstReady(L"first"), secondReady(L"second");
  ClientProcess first(L"read --device Orvane --seconds 120 --ready-event " + firstReady.name);
  ASSERT_TRUE(firstReady.Wait()) << "the first client did not start";
  EXPECT_EQ(control_->GetClientCount(&count), S_OK);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(control_->IsCameraIdle(), FALSE);

  ClientProcess second(L"read --device Orvane --format NV12 --size 320x240 --seconds 120 --ready-event " +
                       secondReady.name);
  ASSERT_TRUE(secondReady.Wait()) << "the second client did not start";
  EXPECT_EQ(control_->GetClientCount(&count), S_OK);
  EXPECT_EQ(count, 2);

  first.Kill();
  second.Kill();
  EXPECT_EQ(control_->IsCameraIdle(), TRUE) << "ended clients are not counted";
  count = -5;
  EXPECT_EQ(control_->GetClientCount(&count), S_OK);
  EXPECT_EQ(count, -5) << "no clients: the caller's value stays";
  EXPECT_EQ(control_->GetClientCount(nullptr), E_POINTER);
}

}  // namespace
}  // namespace orvane::testing
