#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "device/devcon/InfPackage.h"

namespace orvane::devcon {
namespace {

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
