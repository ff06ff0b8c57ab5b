// Which virtual camera the renderer feeds: two virtual cameras and one physical webcam in the video
// input category; selection by index (0, 1, one past the end, negative), by exact name ("B" and "b")
// and the first by default; the device number taken from the device path, as renaming shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "shared/device/DeviceNaming.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/renderer/support/RendererTestSupport.h"
#include "tests/windows/testcam/CameraTestSupport.h"
#include "tools/camclient/VideoDevices.h"

namespace orvane::testing {
namespace {

class NimbRendererSelection : public RendererTest {
 protected:
  void SetUp() override {
    RendererTest::SetUp();
    ASSERT_EQ(devices_.result(), S_OK);
    ASSERT_EQ(webcam_.registered(), S_OK);
    // The virtual cameras in the enumerator's order, which is what "index" counts.
    std::vector<camclient::VideoDevice> listed;
    ASSERT_EQ(camclient::ListVideoDevices(listed), S_OK);
    bool physicalSeen = false;
    for (const camclient::VideoDevice& device : listed) {
      ComPtr<IBaseFilter> filter;
      ASSERT_EQ(camclient::BindCaptureFilter(device, filter), S_OK);
      if (!camclient::IsVirtualCamera(filter.Get())) {
        physicalSeen = true;
        continue;
      }
      const std::optional<int32_t> number = device::DeviceNumberFromPath(device.devicePath);
      ASSERT_TRUE(number);
      order_.push_back(*number);
      names_.push_back(device.friendlyName);
    }
    ASSERT_TRUE(physicalSeen) << "the webcam is listed";
    ASSERT_EQ(order_.size(), 2u);
  }

  // The device a direct push reaches now: the selected one.
  int32_t Selected(INimbRenderer* control) {
    DeviceWatch first(order_[0]), second(order_[1]);
    const uint64_t before[] = {first.frames(), second.frames()};
    const std::vector<BYTE> pixels(16 * 16 * 3, 0x80);
    EXPECT_EQ(control->PushFrameRGB24(pixels.data(), 16, 16, 0), S_OK);
    const bool a = first.frames() != before[0], b = second.frames() != before[1];
    EXPECT_NE(a, b) << "exactly one device receives the frame";
    return a ? order_[0] : order_[1];
  }

  InstalledCameras devices_{2};
  CameraRegistration webcam_{{CameraConfig{}}};
  std::vector<int32_t> order_;  // device numbers of the virtual cameras A and B, in enumeration order
  std::vector<std::wstring> names_;  // and their friendly names
};

TEST_F(NimbRendererSelection, SelectsByIndexAndByExactName) {
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(module_.CreateRenderer(renderer), S_OK);
  const ComPtr<INimbRenderer> control = ControlOf(renderer.Get());
  ASSERT_TRUE(control);
  const int32_t a = order_[0], b = order_[1];
  EXPECT_EQ(Selected(control.Get()), a) << "the first virtual camera at creation";

  struct Step {
    const char* what;
    bool byName;
    int index;
    const wchar_t* name;
    int32_t expected;
  };
  const Step steps[] = {
      {"index 1", false, 1, nullptr, b},
      {"index 2 keeps the selection", false, 2, nullptr, b},
      {"index 0", false, 0, nullptr, a},
      {"index 1 again", false, 1, nullptr, b},
      {"a negative index is the first", false, -1, nullptr, a},
      {"no such name keeps the selection", true, 0, L"Orvane #9", a},
      {"exact name", true, 0, names_[1].c_str(), b},
      {"an empty name is the first", true, 0, L"", a},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    EXPECT_EQ(step.byName ? control->SetDeviceName(step.name) : control->SetDeviceIndex(step.index), S_OK);
    EXPECT_EQ(Selected(control.Get()), step.expected);
  }
  EXPECT_EQ(control->SetDeviceName(nullptr), E_POINTER);
}

// Renaming goes to the device number read from the selected device's path; names then select
// case-sensitively.
TEST_F(NimbRendererSelection, RenamesTheSelectedDeviceByItsNumberAndSelectsByTheNewName) {
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(module_.CreateRenderer(renderer), S_OK);
  const ComPtr<INimbRenderer> control = ControlOf(renderer.Get());
  ASSERT_TRUE(control);
  const int32_t a = order_[0], b = order_[1];
  ASSERT_EQ(control->SetDeviceIndex(1), S_OK);
  ASSERT_EQ(control->SetFriendlyName(L"B"), S_OK);
  std::map<std::wstring, std::wstring> listed = ListedVideoInputs();
  EXPECT_EQ(listed[device::DevicePath(b)], L"B") << "device " << b << " is renamed";
  EXPECT_NE(listed[device::DevicePath(a)], L"B") << "device " << a << " keeps its name";

  ASSERT_EQ(control->SetDeviceIndex(0), S_OK);
  EXPECT_EQ(control->SetDeviceName(L"b"), S_OK);
  EXPECT_EQ(Selected(control.Get()), a) << "names compare case-sensitively";
  EXPECT_EQ(control->SetDeviceName(L"B"), S_OK);
  EXPECT_EQ(Selected(control.Get()), b);

  ASSERT_EQ(control->SetDeviceIndex(0), S_OK);
  ASSERT_EQ(control->SetFriendlyName(L"A"), S_OK);
  listed = ListedVideoInputs();
  EXPECT_EQ(listed[device::DevicePath(a)], L"A");
  EXPECT_EQ(listed[device::DevicePath(b)], L"B");
}

}  // namespace
}  // namespace orvane::testing
