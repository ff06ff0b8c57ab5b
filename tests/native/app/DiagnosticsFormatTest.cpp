#include <gtest/gtest.h>

#include "app/diagnostics/LogFormat.h"
#include "app/diagnostics/OsDescription.h"
#include "app/diagnostics/VersionNumbers.h"

namespace orvane {
namespace {

constexpr LocalClock kMorning{2026, 3, 5, 7, 4, 9, 7};

TEST(LogFormat, FileNameHeaderAndStampPadTheirFieldsDifferently) {
  EXPECT_EQ(LogFileName(kMorning), L"Orvane_20260305070409.log");
  EXPECT_EQ(LogFileHeader(kMorning), "LOG *********** 2026-3-5 7:4:9 ***********\r\n\r\n");
  EXPECT_EQ(LogStamp({2026, 12, 31, 9, 5, 3, 7}), "[09:05:03:007]");
  EXPECT_EQ(LogStamp({2026, 12, 31, 23, 59, 59, 999}), "[23:59:59:999]");
}

TEST(LogFormat, EntryEndsEveryLineWithCrLfAndStampsOnlyTheFirst) {
  const struct {
    const char* message;
    const char* entry;
  } cases[] = {
      {"Delay 500", "[07:04:09:007]  Delay 500\r\n"},
      {"", "[07:04:09:007]  \r\n"},
      {"first\nsecond", "[07:04:09:007]  first\r\nsecond\r\n"},
      {"first\r\nsecond", "[07:04:09:007]  first\r\nsecond\r\n"},
      {"\nlead\n\n", "[07:04:09:007]  \r\nlead\r\n\r\n\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LogEntry(kMorning, c.message), c.entry) << "message: " << c.message;
  }
}

TEST(LogFormat, StartBannerLines) {
  EXPECT_EQ(OperatingSystemLogLine("Windows 10", "10.0.19041.1", true), "Windows 10 (10.0.19041.1) 64bits");
  EXPECT_EQ(OperatingSystemLogLine("Windows 7 x86", "6.1.7601.24545", false),
            "Windows 7 x86 (6.1.7601.24545)");
  EXPECT_EQ(ProgramLogLine(0x00020000, 0x00010000), "Orvane v2.0.1.0 64bits");
}

TEST(VersionNumbers, SplitsHighAndLowHalves) {
  EXPECT_EQ(VersionText(0x00020000, 0x00010000), "2.0.1.0");
  EXPECT_EQ(VersionText(0xFFFF0001, 0x0002FFFE), "65535.1.2.65534");
}

OsVersionFacts Facts(uint32_t major, uint32_t minor, uint32_t build = 0) {
  OsVersionFacts facts;
  facts.major = major;
  facts.minor = minor;
  facts.build = build;
  return facts;
}

TEST(OsDescription, TableOfVersions) {
  const auto server = [](OsVersionFacts f) { f.workstation = false; return f; };
  const auto x86 = [](OsVersionFacts f) { f.nativeArchitecture = ProcessorArchitecture::X86; return f; };
  const auto servicePack = [](OsVersionFacts f) {
    f.servicePackMajor = 1;
    f.servicePack = "Service Pack 1";
    return f;
  };
  const auto platform = [](OsVersionFacts f, uint32_t id) { f.platformId = id; return f; };

  OsVersionFacts homeServer = Facts(5, 2);
  homeServer.workstation = false;
  homeServer.suiteMask = 0x8000;
  OsVersionFacts server2003R2 = server(Facts(5, 2));
  server2003R2.serverR2 = true;
  OsVersionFacts itanium = Facts(6, 1);
  itanium.nativeArchitecture = ProcessorArchitecture::Itanium;

  const struct {
    OsVersionFacts facts;
    const char* text;
  } cases[] = {
      {Facts(10, 0, 19045), "Windows 10"},
      {Facts(10, 0, 21999), "Windows 10"},
      {Facts(10, 0, 22000), "Windows 11"},
      {server(Facts(10, 0, 26100)), "Windows Server 2016"},
      {Facts(6, 3), "Windows 8.1"},
      {server(Facts(6, 3)), "Windows Server 2012 R2"},
      {Facts(6, 2), "Windows 8"},
      {server(Facts(6, 2)), "Windows Server 2012"},
      {servicePack(Facts(6, 1)), "Windows 7 Service Pack 1"},
      {x86(servicePack(Facts(6, 1))), "Windows 7 Service Pack 1 x86"},
      {server(Facts(6, 1)), "Windows Server 2008 R2"},
      {Facts(6, 0), "Windows Vista"},
      {server(Facts(6, 0)), "Windows Server 2008"},
      {Facts(5, 2), "Windows XP Professional x64 Edition"},
      {homeServer, "Windows Home Server"},
      {server(Facts(5, 2)), "Windows Server 2003"},
      {server2003R2, "Windows Server 2003 R2"},
      {x86(Facts(5, 1)), "Windows XP x86"},
      {Facts(5, 0), "Windows 2000"},
      {platform(Facts(4, 0), 2), "Windows NT 4.0"},
      {x86(platform(Facts(4, 0), 1)), "Windows 95 x86"},
      {Facts(4, 10), "Windows 98"},
      {Facts(4, 90), "Windows Me"},
      {Facts(7, 0), "Windows "},
      {itanium, "Windows 7"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OperatingSystemDescription(c.facts), c.text)
        << c.facts.major << '.' << c.facts.minor << " build " << c.facts.build;
  }
}

TEST(OsDescription, ServicePackTextOnlyForOlderSystemsAndOnlyWithItsNumber) {
  OsVersionFacts ten = Facts(10, 0, 19045);
  ten.servicePackMajor = 1;
  ten.servicePack = "Service Pack 1";
  EXPECT_EQ(OperatingSystemDescription(ten), "Windows 10");

  OsVersionFacts textWithoutNumber = Facts(6, 1);
  textWithoutNumber.servicePack = "Service Pack 1";
  EXPECT_EQ(OperatingSystemDescription(textWithoutNumber), "Windows 7");
}

}  // namespace
}  // namespace orvane
