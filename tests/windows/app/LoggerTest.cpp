#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "app/core/AppPaths.h"
#include "app/diagnostics/Logger.h"
#include "app/diagnostics/SystemDescription.h"
#include "platform/win/StringConversion.h"
#include "platform/win/UniqueResource.h"

namespace orvane {
namespace {

std::string ReadAll(const std::wstring& path) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  if (!file) return bytes;
  char buffer[65536];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start != text.size()) lines.push_back(text.substr(start) + "<no line end>");
  return lines;
}

std::set<std::wstring> LogFilesInDataFolder() {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW(DataFilePath(L"*.log").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.insert(found.cFileName);
  while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return names;
}

// A log of our own in the temporary folder, deleted afterwards.
class LogFileTest : public ::testing::Test {
 protected:
  test::TemporaryFile file_{L"orvane logger test.log"};
  const std::wstring& path_ = file_.Path();
};

const std::regex kStamp(R"(\[\d\d:\d\d:\d\d:\d\d\d\]  )");

TEST_F(LogFileTest, HeaderThenStampedEntriesWithCrLf) {
  {
    Logger logger(path_);
    EXPECT_EQ(logger.LogPath(), path_);
    logger.Write("Delay 500");
    logger.Write("two\nlines");
  }
  const std::vector<std::string> lines = Lines(ReadAll(path_));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(LOG \*{11} \d{4}-\d{1,2}-\d{1,2} \d{1,2}:\d{1,2}:\d{1,2} \*{11})")))
      << lines[0];
  EXPECT_EQ(lines[1], "");
  EXPECT_TRUE(std::regex_match(lines[2], std::regex(R"(\[\d\d:\d\d:\d\d:\d\d\d\]  Delay 500)"))) << lines[2];
  EXPECT_TRUE(std::regex_search(lines[3], kStamp)) << lines[3];
  EXPECT_EQ(lines[4], "lines");
}

TEST_F(LogFileTest, TwoThreadsWriteWholeEntries) {
  Logger logger(path_);
  constexpr int kMessages = 300;
  const std::string padding(200, '.');  // long enough that a torn write would show
  const auto writer = [&](int thread) {
    for (int i = 0; i < kMessages; ++i) {
      logger.Write("thread " + std::to_string(thread) + " message " + std::to_string(i) + " " + padding);
    }
  };
  std::thread first(writer, 1);
  std::thread second(writer, 2);
  first.join();
  second.join();

  const std::vector<std::string> lines = Lines(ReadAll(path_));
  ASSERT_EQ(lines.size(), 2u + 2 * kMessages);
  const std::regex entry(R"(\[\d\d:\d\d:\d\d:\d\d\d\]  thread ([12]) message (\d+) \.{200})");
  std::set<std::string> seen;
  int lastOf[3] = {-1, -1, -1};
  for (size_t i = 2; i < lines.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[i], match, entry)) << "line " << i << ": " << lines[i];
    const int thread = std::stoi(match[1]);
    const int number = std::stoi(match[2]);
    EXPECT_EQ(number, lastOf[thread] + 1) << "thread " << thread << " out of order";
    lastOf[thread] = number;
    seen.insert(match[1].str() + "/" + match[2].str());
  }
  EXPECT_EQ(seen.size(), 2u * kMessages);
}

TEST_F(LogFileTest, AnUnwritablePathDropsEntriesQuietly) {
  Logger logger(L"Z:\\no such folder\\orvane\\x.log");
  logger.Write("dropped");
  EXPECT_EQ(logger.LogPath(), L"Z:\\no such folder\\orvane\\x.log");
}

// The process's logger lives in the data folder and exists only with the debug flag on.
TEST(Logger, WithoutTheDebugFlagNothingIsCreatedWithItTheBannerComesFirst) {
  const std::set<std::wstring> before = LogFilesInDataFolder();
  SetDebugLogging(false);
  Log("not written");
  Logf("nor this %d", 1);
  WriteStartBanner();
  EXPECT_EQ(LogFilesInDataFolder(), before);

  SetDebugLogging(true);
  WriteStartBanner();
  Logf("Delay %d", 250);
  const std::wstring path = Logger::Instance().LogPath();
  SetDebugLogging(false);
  Log("after the flag went off");
  const std::string text = ReadAll(path);
  ::DeleteFileW(path.c_str());

  const std::wstring folder = DataFilePath();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(path.substr(0, folder.size() + 1), folder + L"\\");
  EXPECT_TRUE(std::regex_match(WideToAnsi(path.substr(folder.size() + 1)), std::regex(R"(Orvane_\d{14}\.log)")))
      << WideToAnsi(path);
  EXPECT_TRUE(folder.size() > 14 && folder.substr(folder.size() - 14) == L"\\Halvyn\\Orvane") << WideToAnsi(folder);

  const std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.size(), 5u) << text;
  EXPECT_EQ(lines[0].rfind("LOG *********** ", 0), 0u);
  EXPECT_EQ(lines[1], "");
  // Wine reports Windows 10 to this program, and its Kernel32 carries a product version.
  EXPECT_TRUE(std::regex_match(lines[2], std::regex(R"(\[[\d:]{12}\]  Windows 10 \([\d.]+\) 64bits)"))) << lines[2];
  EXPECT_TRUE(std::regex_match(lines[3], std::regex(R"(\[[\d:]{12}\]  Orvane v2\.0\.1\.0 64bits)"))) << lines[3];
  EXPECT_TRUE(std::regex_match(lines[4], std::regex(R"(\[[\d:]{12}\]  Delay 250)"))) << lines[4];
}

TEST(SystemDescription, KernelNumbersWithoutFlagBits) {
  const OsVersionFacts facts = ReadOsVersionFacts();
  EXPECT_EQ(facts.major, 10u);
  EXPECT_EQ(facts.minor, 0u);
  EXPECT_GT(facts.build, 0u);
  EXPECT_LT(facts.build, 0x10000u);
  EXPECT_TRUE(facts.workstation);
  EXPECT_EQ(facts.nativeArchitecture, ProcessorArchitecture::X64);
  EXPECT_EQ(SystemDescription(), facts.build < 22000 ? "Windows 10" : "Windows 11");
}

}  // namespace
}  // namespace orvane
