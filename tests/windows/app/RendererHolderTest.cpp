// The process's renderer, loaded from NimbRenderer.ax beside the test program as Orvane.exe loads it
// from its own folder. The holder is made once per process, so each test needs a process of its own
// (ctest runs every test apart); run together, the later one skips.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "app/devices/NimbHelper.h"
#include "platform/com/ComInitialization.h"
#include "tests/windows/camera/VirtualCameraSupport.h"

namespace orvane::test {
namespace {

using orvane::testing::InstalledCameras;

class RendererHolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (used_) GTEST_SKIP() << "the holder was made by an earlier test of this process";
    used_ = true;
    ASSERT_TRUE(com_.ok());
    ASSERT_EQ(InstalledCameras::RemoveAll(), S_OK);
  }
  void TearDown() override { EXPECT_EQ(InstalledCameras::RemoveAll(), S_OK); }

  static inline bool used_ = false;
  ComInitialization com_{COINIT_APARTMENTTHREADED};
};

TEST_F(RendererHolderTest, HoldsTheRendererAndCountsTheClients) {
  InstalledCameras installed(1);
  ASSERT_EQ(installed.result(), S_OK);
  NimbHelper& holder = NimbHelper::Instance();
  ASSERT_TRUE(holder.filter());
  ASSERT_TRUE(holder.control());
  EXPECT_EQ(&NimbHelper::Instance(), &holder);
  EXPECT_TRUE(holder.SelectDevice(0));
  EXPECT_EQ(holder.ClientCount(), 0);
  {
    orvane::testing::CameraClient client;
    ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 320, 240), S_OK);
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(client.Next(pixels, 1));
    EXPECT_EQ(holder.ClientCount(), 1);
  }

  holder.Release();
  EXPECT_FALSE(holder.filter());
  EXPECT_FALSE(holder.control());
  EXPECT_EQ(holder.ClientCount(), 0);
  EXPECT_FALSE(holder.SelectDevice(0));
  holder.Release();
  EXPECT_FALSE(holder.filter());
}

TEST_F(RendererHolderTest, WithoutAVirtualCameraHoldsTheFilterOnly) {
  NimbHelper& holder = NimbHelper::Instance();
  EXPECT_TRUE(holder.filter());
  EXPECT_FALSE(holder.control()) << "the renderer refuses its control without a virtual camera";
  EXPECT_EQ(holder.ClientCount(), 0);
  EXPECT_FALSE(holder.SelectDevice(0));
}

}  // namespace
}  // namespace orvane::test
