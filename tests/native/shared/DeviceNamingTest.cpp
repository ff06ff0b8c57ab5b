#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "shared/device/DeviceNaming.h"

namespace orvane::device {
namespace {

TEST(DeviceNaming, NamesOfDeviceN) {
  EXPECT_EQ(InstanceId(0), L"ROOT\\IMAGE\\0000");
  EXPECT_EQ(InstanceId(12), L"ROOT\\IMAGE\\0012");
  EXPECT_EQ(DevicePath(1), L"\\\\?\\root#image#0001#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
  EXPECT_EQ(DeviceParametersKey(3),
            L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{65E8773D-8F56-11D0-A3B9-00A0C9223196}\\"
            L"##?#ROOT#IMAGE#0003#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\#GLOBAL\\Device Parameters");
  EXPECT_EQ(CategoryInstanceName(2), L"NimbCamera0002");
  EXPECT_EQ(DeviceName(L"Orvane", 0, 1), L"Orvane");
  EXPECT_EQ(DeviceName(L"Orvane", 1, 2), L"Orvane #2");
  for (int32_t n : {0, 7, 42, 9999}) {
    EXPECT_EQ(DeviceNumberFromInstanceId(InstanceId(n)), n);
    EXPECT_EQ(DeviceNumberFromPath(DevicePath(n)), n);
  }
}

TEST(DeviceNaming, NumbersFromIdsAndPaths) {
  struct Path {
    const wchar_t* path;
    std::optional<int32_t> number;
  };
  const Path paths[] = {
      {L"\\\\?\\root#image#0003#{guid}\\global", 3},
      {L"\\\\?\\ROOT#IMAGE#12AB#x", 12},
      {L"\\\\?\\root#image#AB12#x", std::nullopt},
      {L"\\\\?\\root#image#00", std::nullopt},  // fewer than five characters after the marker
      {L"\\\\?\\usb#vid_1234#5", std::nullopt},
  };
  for (const Path& p : paths) EXPECT_EQ(DeviceNumberFromPath(p.path), p.number) << std::wstring(p.path).size();
  EXPECT_EQ(DeviceNumberFromInstanceId(L"root\\image\\0005"), 5);
  EXPECT_EQ(DeviceNumberFromInstanceId(L"ROOT\\IMAGE\\00051"), std::nullopt);
  EXPECT_EQ(DeviceNumberFromInstanceId(L"ROOT\\IMAGE\\00x5"), std::nullopt);
  EXPECT_EQ(DeviceNumberFromInstanceId(L"USB\\VID_1\\0005"), std::nullopt);
}

}  // namespace
}  // namespace orvane::device
