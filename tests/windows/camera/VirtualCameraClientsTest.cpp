// Client applications of the virtual camera as other processes: camclient.exe reads the device as a
// call app does. Property 9 counts the applications that have the device open (running or paused),
// forgets one that is killed, and camclient verifies and saves what a producer pushes.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincodec.h>

#include <memory>
#include <string>

#include "platform/com/ComInitialization.h"
#include "tests/windows/camera/PictureFiles.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tools/camclient/CameraSession.h"

namespace orvane::testing {
namespace {

class VirtualCameraClients : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    cameras_ = std::make_unique<InstalledCameras>(1);
    ASSERT_EQ(cameras_->result(), S_OK);
    properties_ = PropertiesOf(BindDevice(0).Get());
    ASSERT_TRUE(properties_);
  }
  void TearDown() override {
    properties_.Reset();
    cameras_.reset();
  }
  int32_t Count() {
    int32_t count = -1;
    EXPECT_EQ(GetProperty(properties_.Get(), kPropertyClientCount, count), S_OK);
    return count;
  }

  ComInitialization com_;
  std::unique_ptr<InstalledCameras> cameras_;
  ComPtr<IKsPropertySet> properties_;
};

TEST_F(VirtualCameraClients, CountsClientApplicationsAndForgetsKilledOnes) {
  EXPECT_EQ(Count(), 0);
  NamedEvent readyA(L"ReadyA"), readyB(L"ReadyB");
  ClientProcess a(L"read --device Orvane --seconds 600 --ready-event " + readyA.name);
  ClientProcess b(L"read --device Orvane --size 640x480 --format NV12 --seconds 600 --ready-event " + readyB.name);
  ASSERT_TRUE(readyA.Wait()) << "the first client got no frame";
  ASSERT_TRUE(readyB.Wait()) << "the second client got no frame";
  EXPECT_EQ(Count(), 2);

  // This process opening the camera too makes three; stopped, it no longer counts.
  camclient::VideoDevice device;
  ASSERT_TRUE(FindListedDevice(0, device));
  camclient::CameraSession session;
  ASSERT_EQ(session.Open(device, {}), S_OK);
  ASSERT_EQ(session.Run(), S_OK);
  EXPECT_EQ(Count(), 3);
  ASSERT_EQ(session.Stop(), S_OK);
  EXPECT_EQ(Count(), 2);

  // A client that dies without stopping is not counted once it is gone.
  a.Kill();
  EXPECT_EQ(Count(), 1);
  b.Kill();
  EXPECT_EQ(Count(), 0);
}

TEST_F(VirtualCameraClients, CamclientVerifiesAndSavesWhatItReceives) {
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyFillMode, static_cast<int32_t>(FillMode::Stretch)), S_OK);
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyMirror, int32_t{1}), S_OK);
  ClientProcess producer(L"produce --device Orvane --size 640x360 --format YUY2 --seconds 600");
  const TemporaryFile saved(L"received.png");
  ClientProcess mirrored(L"read --device Orvane --size 320x240 --format NV12 --frames 40 --verify mirrored "
                         L"--expect-scale 0.5x0.6667 --save \"" + saved.path() + L"\"");
  EXPECT_EQ(mirrored.Finish(), 0) << "0 verified, 3 not, 4 too few frames";
  ClientProcess upright(L"read --device Orvane --size 320x240 --format RGB24 --frames 40 --verify upright");
  EXPECT_EQ(upright.Finish(), 3) << "a mirrored picture is not upright";

  ComPtr<IWICImagingFactory> factory;
  ASSERT_EQ(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)), S_OK);
  ComPtr<IWICBitmapDecoder> decoder;
  ASSERT_EQ(factory->CreateDecoderFromFilename(saved.path().c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                               &decoder),
            S_OK);
  ComPtr<IWICBitmapFrameDecode> frame;
  ASSERT_EQ(decoder->GetFrame(0, &frame), S_OK);
  UINT width = 0, height = 0;
  ASSERT_EQ(frame->GetSize(&width, &height), S_OK);
  EXPECT_EQ(width, 320u);
  EXPECT_EQ(height, 240u);
}

}  // namespace
}  // namespace orvane::testing
