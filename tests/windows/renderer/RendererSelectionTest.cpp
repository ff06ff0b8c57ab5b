// Which virtual camera the renderer feeds: two virtual cameras and one physical webcam in the video
// input category; selection by index (0, 1, one past the end, negative), by exact name ("B" and "b")
// and the first by default; the device number taken from the device path, as renaming shows, and no
// number for a device whose path carries none.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "shared/device/DeviceNaming.h"
#include "shared/device/NimbCameraIds.h"
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
      if (!IsVirtualCameraFilter(filter.Get())) {
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

// One more entry of the virtual camera filter in the video input category, with a friendly name and
// no device path (so no device number); removed again with the object.
class UnnumberedCamera {
 public:
  explicit UnnumberedCamera(const wchar_t* name) : name_(name) {
    result_ = ::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper_));
    if (FAILED(result_)) return;
    REGFILTER2 filter{};
    filter.dwVersion = 1;
    filter.dwMerit = MERIT_DO_NOT_USE;
    result_ = mapper_->RegisterFilter(CLSID_NimbCamera, name, nullptr, &CLSID_VideoInputDeviceCategory, name, &filter);
  }
  ~UnnumberedCamera() {
    if (SUCCEEDED(result_)) mapper_->UnregisterFilter(&CLSID_VideoInputDeviceCategory, name_, CLSID_NimbCamera);
  }
  UnnumberedCamera(const UnnumberedCamera&) = delete;
  UnnumberedCamera& operator=(const UnnumberedCamera&) = delete;
  HRESULT result() const { return result_; }

 private:
  const wchar_t* name_;
  ComPtr<IFilterMapper2> mapper_;
  HRESULT result_ = E_FAIL;
};

// Selecting a device whose path has no number, after one that had a number, leaves the renderer with
// no number: renaming is refused and no device, above all not the previous one, changes its name.
TEST_F(NimbRendererSelection, ADeviceWithoutANumberInItsPathTakesNoNumberFromThePreviousOne) {
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(module_.CreateRenderer(renderer), S_OK);
  const ComPtr<INimbRenderer> control = ControlOf(renderer.Get());
  ASSERT_TRUE(control);
  // The unnumbered entry binds to device 0's state (the filter's default): start from the other one.
  const int numberedIndex = order_[0] != 0 ? 0 : 1;
  const int32_t numbered = order_[numberedIndex];
  ASSERT_NE(numbered, 0);
  ASSERT_EQ(control->SetDeviceIndex(numberedIndex), S_OK);
  ASSERT_EQ(Selected(control.Get()), numbered);

  const UnnumberedCamera unnumbered(L"Unnumbered");
  ASSERT_EQ(unnumbered.result(), S_OK);
  ASSERT_EQ(control->SetDeviceName(L"Unnumbered"), S_OK);
  EXPECT_EQ(Selected(control.Get()), 0) << "the unnumbered entry is selected";
  EXPECT_EQ(control->SetFriendlyName(L"Renamed"), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
  for (const auto& [path, name] : ListedVideoInputs()) {
    EXPECT_NE(name, L"Renamed") << "renamed: " << std::string(path.begin(), path.end());
  }

  ASSERT_EQ(control->SetDeviceIndex(numberedIndex), S_OK);
  EXPECT_EQ(control->SetFriendlyName(L"Renamed"), S_OK) << "a numbered device has its number again";
  EXPECT_EQ(ListedVideoInputs()[device::DevicePath(numbered)], L"Renamed");
}

}  // namespace
}  // namespace orvane::testing
