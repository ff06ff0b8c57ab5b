#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "OrvaneVersion.h"
#include "TestSupport.h"
#include "app/core/AppPaths.h"
#include "app/diagnostics/CFileVersionInfo.h"
#include "platform/win/UniqueResource.h"

namespace orvane {
namespace {

TEST(CFileVersionInfo, ReadsOrvaneExe) {
  CFileVersionInfo info;
  ASSERT_TRUE(info.Open(test::ProgramFolderFile(L"Orvane.exe").c_str()));
  EXPECT_TRUE(info.IsValid());

  const VS_FIXEDFILEINFO& fixed = info.FixedInfo();
  EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(HIWORD(fixed.dwProductVersionMS), ORVANE_VERSION_MAJOR);
  EXPECT_EQ(LOWORD(fixed.dwProductVersionMS), ORVANE_VERSION_MINOR);
  EXPECT_EQ(HIWORD(fixed.dwProductVersionLS), ORVANE_VERSION_PATCH);
  EXPECT_EQ(LOWORD(fixed.dwProductVersionLS), ORVANE_VERSION_BUILD);
  EXPECT_EQ(fixed.dwFileVersionMS, fixed.dwProductVersionMS);
  EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));

  ASSERT_EQ(info.TranslationCount(), 1u);
  EXPECT_EQ(info.Translation(0), std::make_pair(WORD{0x0409}, WORD{1200}));
  EXPECT_FALSE(info.Translation(1));

  EXPECT_EQ(info.StandardValue(CFileVersionInfo::kProductName), L"Orvane");
  EXPECT_EQ(info.StandardValue(CFileVersionInfo::kCompanyName), L"Halvyn");
  EXPECT_EQ(info.StandardValue(CFileVersionInfo::kOriginalFilename), L"Orvane.exe");
  EXPECT_EQ(info.StandardValue(CFileVersionInfo::kProductVersion), L"" ORVANE_VERSION_TEXT);
  EXPECT_FALSE(info.StandardValue(CFileVersionInfo::kSpecialBuild));  // not in the resource
}

TEST(CFileVersionInfo, QueryCutsToTheBufferAndChecksItsArguments) {
  CFileVersionInfo info;
  ASSERT_TRUE(info.Open(test::ProgramFolderFile(L"Orvane.exe").c_str()));

  wchar_t buffer[8];
  std::wmemset(buffer, L'#', 8);
  EXPECT_TRUE(info.QueryStandardValue(CFileVersionInfo::kCompanyName, buffer, 4));
  EXPECT_STREQ(buffer, L"Hal");
  EXPECT_EQ(buffer[4], L'#');  // nothing written past the given size

  EXPECT_TRUE(info.QueryStandardValue(CFileVersionInfo::kProductName, buffer, 1));
  EXPECT_STREQ(buffer, L"");
  EXPECT_TRUE(info.QueryStandardValue(CFileVersionInfo::kProductName, nullptr, 0));

  EXPECT_FALSE(info.QueryStandardValue(CFileVersionInfo::kProductName, buffer, 0));
  EXPECT_FALSE(info.QueryStandardValue(CFileVersionInfo::kProductName, buffer, -1));
  EXPECT_FALSE(info.QueryStandardValue(13, buffer, 8));
  EXPECT_FALSE(info.QueryStandardValue(-1, buffer, 8));
  EXPECT_EQ(CFileVersionInfo::StandardName(13), nullptr);
  EXPECT_STREQ(CFileVersionInfo::StandardName(0), L"Comments");
  EXPECT_STREQ(CFileVersionInfo::StandardName(12), L"OLESelfRegister");
}

TEST(CFileVersionInfo, FilesWithoutUsableVersionInformation) {
  const std::wstring files[] = {
      test::ProgramFolderFile(L"strings.xml"),                      // not a module at all
      test::ProgramFolderFile(L"no such file.exe"),
      JoinPath(ParentFolder(ProgramPath()), L"version_without_translation.dll"),
  };
  for (const std::wstring& file : files) {
    CFileVersionInfo info;
    wchar_t buffer[16] = L"kept";
    EXPECT_FALSE(info.Open(file.c_str())) << file;
    EXPECT_FALSE(info.IsValid());
    EXPECT_EQ(info.TranslationCount(), 0u);
    EXPECT_FALSE(info.QueryStandardValue(CFileVersionInfo::kProductName, buffer, 16));
    EXPECT_EQ(info.FixedInfo().dwSignature, 0u);
  }
  CFileVersionInfo info;
  EXPECT_FALSE(info.Open(nullptr));
}

TEST(CFileVersionInfo, ResetEmptiesALoadedObject) {
  CFileVersionInfo info;
  ASSERT_TRUE(info.Open(test::ProgramFolderFile(L"Orvane.exe").c_str()));
  info.Reset();
  EXPECT_FALSE(info.IsValid());
  EXPECT_FALSE(info.StandardValue(CFileVersionInfo::kProductName));
  // A failed open after a good one leaves nothing of the first file behind.
  ASSERT_TRUE(info.Open(test::ProgramFolderFile(L"Orvane.exe").c_str()));
  EXPECT_FALSE(info.Open(test::ProgramFolderFile(L"strings.xml").c_str()));
  EXPECT_EQ(info.TranslationCount(), 0u);
}

TEST(ProgramVersion, ReadsTheRunningProgramsProductVersion) {
  const auto version = ReadProgramVersion();  // this test program carries 2.0.1.0
  ASSERT_TRUE(version);
  EXPECT_EQ(version->text, L"2.0.1.0");
  EXPECT_EQ(version->mostSignificant, 0x00020000u);
  EXPECT_EQ(version->leastSignificant, 0x00010000u);
}

// The manifest decides what Windows reports to the program and which common controls it gets.
TEST(OrvaneExe, CarriesItsManifest) {
  UniqueModule module(::LoadLibraryExW(test::ProgramFolderFile(L"Orvane.exe").c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(module);
  const HRSRC resource = ::FindResourceW(module.get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_NE(resource, nullptr);
  const HGLOBAL loaded = ::LoadResource(module.get(), resource);
  ASSERT_NE(loaded, nullptr);
  const std::string manifest(static_cast<const char*>(::LockResource(loaded)),
                             ::SizeofResource(module.get(), resource));
  for (const char* part : {
           R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)",
           R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
           R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>)",
           R"(<requestedExecutionLevel level="asInvoker")",
           "version=\"" ORVANE_VERSION_TEXT "\"",
       }) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
}

}  // namespace
}  // namespace orvane
