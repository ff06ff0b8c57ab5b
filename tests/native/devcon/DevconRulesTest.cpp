#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "device/devcon/DeviceNaming.h"
#include "device/devcon/InfPackage.h"

namespace orvane::devcon {
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

std::string ShippedPackage() {
  std::ifstream file(ORVANE_DRIVER_PACKAGE);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(InfPackage, ReadsTheShippedPackage) {
  const InfResult inf = ParseDriverPackage(ShippedPackage());
  ASSERT_TRUE(inf.ok) << inf.error;
  EXPECT_EQ(inf.package.className, "Image");
  EXPECT_EQ(inf.package.classGuid, "{6bdd1fc6-810f-11d0-bec7-08002be2092f}");
  EXPECT_EQ(inf.package.manufacturer, "Halvyn");
  EXPECT_EQ(inf.package.deviceCount, 1);
  EXPECT_EQ(inf.package.module, "..\\NimbCamera.ax");
  const InfModel* model = FindModel(inf.package, "orvane");
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->name, "Orvane");
  EXPECT_EQ(model->hardwareId, "Orvane");
  EXPECT_EQ(model->service, "Nimb_WDM");
  EXPECT_EQ(FindModel(inf.package, "Orvane2"), nullptr);
}

TEST(InfPackage, SyntaxAndRefusals) {
  const std::string head = "[Version]\nSignature=\"$Windows NT$\"\n[Manufacturer]\n%M%=Models\n";
  const std::string models = "[Models]\n\"Cam; \"\"one\"\"\" = Install, HW1 ; a comment\n";
  const std::string strings = "[Strings]\nM = \"Maker, Inc.\"\n";
  {
    const InfResult inf = ParseDriverPackage(head + models + "[VirtualCamera]\nDeviceCount=3\nModule=x.ax\n" + strings);
    ASSERT_TRUE(inf.ok) << inf.error;
    EXPECT_EQ(inf.package.manufacturer, "Maker, Inc.");
    EXPECT_EQ(inf.package.models.at(0).name, "Cam; \"one\"");
    EXPECT_EQ(inf.package.models.at(0).hardwareId, "HW1");
    EXPECT_EQ(inf.package.models.at(0).service, "");
    EXPECT_EQ(inf.package.deviceCount, 3);
  }
  struct Bad {
    const char* what;
    std::string text;
  };
  const Bad bad[] = {
      {"empty", ""},
      {"no version", "[Manufacturer]\nM=Models\n"},
      {"no models section", head + strings},
      {"model without id", head + "[Models]\nCam = Install\n[VirtualCamera]\nModule=x.ax\n"},
      {"zero devices", head + models + "[VirtualCamera]\nDeviceCount=0\nModule=x.ax\n"},
      {"too many devices", head + models + "[VirtualCamera]\nDeviceCount=17\nModule=x.ax\n"},
      {"count not a number", head + models + "[VirtualCamera]\nDeviceCount=2x\nModule=x.ax\n"},
      {"no module", head + models},
      {"open quote", head + "[Models]\n\"Cam = Install, HW\n"},
      {"open section", "[Version\nSignature=x\n"},
      {"text before a section", "Signature=x\n[Version]\n"},
  };
  for (const Bad& b : bad) {
    const InfResult inf = ParseDriverPackage(b.text);
    EXPECT_FALSE(inf.ok) << b.what;
    EXPECT_FALSE(inf.error.empty()) << b.what;
  }
}

}  // namespace
}  // namespace orvane::devcon
