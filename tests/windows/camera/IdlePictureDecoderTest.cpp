#include <gtest/gtest.h>
#include <windows.h>
#include <wincodec.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "device/camera/IdlePictureDecoder.h"
#include "platform/com/ComPtr.h"
#include "tests/windows/camera/PictureFiles.h"

namespace orvane {
namespace {

using testing::TempFile;
using testing::WriteHalvesPicture;

class IdlePictureDecoder : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
  void TearDown() override {
    for (const std::wstring& file : files_) DeleteFileW(file.c_str());
    CoUninitialize();
  }
  std::wstring Track(std::wstring path) {
    files_.push_back(path);
    return path;
  }
  std::vector<std::wstring> files_;
};

TEST_F(IdlePictureDecoder, DecodesEachCommonFormat) {
  struct Format {
    const wchar_t* name;
    GUID container;
    int tolerance;
  };
  const Format formats[] = {{L"a.bmp", GUID_ContainerFormatBmp, 0},
                            {L"a.png", GUID_ContainerFormatPng, 0},
                            {L"a.jpg", GUID_ContainerFormatJpeg, 40},
                            {L"a.gif", GUID_ContainerFormatGif, 8}};  // a palette of Wine's choosing
  for (const Format& f : formats) {
    const std::wstring path = Track(TempFile(f.name));
    ASSERT_EQ(WriteHalvesPicture(path, f.container, 32, 16), S_OK) << std::string(f.name, f.name + wcslen(f.name));
    picture::Picture32 decoded;
    ASSERT_EQ(DecodeIdlePicture(path.c_str(), decoded), S_OK);
    ASSERT_EQ(decoded.width, 32);
    ASSERT_EQ(decoded.height, 16);
    ASSERT_FALSE(decoded.empty());
    const uint8_t* left = &decoded.pixels[(size_t(8) * 32 + 4) * 4];    // row 8, column 4
    const uint8_t* right = &decoded.pixels[(size_t(8) * 32 + 28) * 4];  // row 8, column 28
    EXPECT_NEAR(left[2], 255, f.tolerance);  // red
    EXPECT_NEAR(left[0], 0, f.tolerance);
    EXPECT_NEAR(right[0], 255, f.tolerance);  // blue
    EXPECT_NEAR(right[2], 0, f.tolerance);
    EXPECT_EQ(left[3], 255);
  }
}

TEST_F(IdlePictureDecoder, ScalesLargePicturesIntoTheBox) {
  const std::wstring path = Track(TempFile(L"wide.bmp"));
  ASSERT_EQ(WriteHalvesPicture(path, GUID_ContainerFormatBmp, 7680, 200), S_OK);
  picture::Picture32 decoded;
  ASSERT_EQ(DecodeIdlePicture(path.c_str(), decoded), S_OK);
  EXPECT_EQ(decoded.width, picture::kMaxIdlePictureWidth);
  EXPECT_EQ(decoded.height, 100);
}

TEST_F(IdlePictureDecoder, RefusesMissingAndForeignFiles) {
  picture::Picture32 decoded;
  EXPECT_EQ(DecodeIdlePicture(TempFile(L"missing.png").c_str(), decoded), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(decoded.empty());
  EXPECT_EQ(DecodeIdlePicture(L"", decoded), E_INVALIDARG);
  const std::wstring text = Track(TempFile(L"not-a-picture.png"));
  HANDLE file = CreateFileW(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, "hello, not an image", 19, &written, nullptr);
  CloseHandle(file);
  EXPECT_TRUE(FAILED(DecodeIdlePicture(text.c_str(), decoded)));
  EXPECT_TRUE(decoded.empty());
}

// Only plain local files are read, and pictures beyond the side limit are refused from the size their
// header declares, before a decoder unpacks them.
TEST_F(IdlePictureDecoder, RefusesWhatIsNotAPlainLocalPictureWithinTheLimits) {
  const std::wstring valid = Track(TempFile(L"valid.bmp"));
  ASSERT_EQ(WriteHalvesPicture(valid, GUID_ContainerFormatBmp, 32, 16), S_OK);
  const std::wstring oversized = Track(TempFile(L"oversized.bmp"));
  ASSERT_EQ(WriteHalvesPicture(oversized, GUID_ContainerFormatBmp, 32, 16, kMaxIdlePictureFileBytes + 1), S_OK);
  const std::wstring wide = Track(TempFile(L"wide.png"));
  ASSERT_EQ(WriteHalvesPicture(wide, GUID_ContainerFormatPng, kMaxIdlePictureSourceSide + 1, 8), S_OK);
  // A PNG whose header promises 100000 x 100000 pixels, followed by nothing.
  const std::wstring promise = Track(TempFile(L"promise.png"));
  {
    const uint8_t header[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                              0, 1, 0x86, 0xA0, 0, 1, 0x86, 0xA0, 8, 2, 0, 0, 0, 0, 0, 0, 0};
    HANDLE file = CreateFileW(promise.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, header, sizeof header, &written, nullptr);
    CloseHandle(file);
  }
  const std::wstring folder = valid.substr(0, valid.find_last_of(L'\\'));
  struct Case {
    const char* what;
    std::wstring path;
    HRESULT expected;
  };
  const Case cases[] = {
      {"UNC", L"\\\\127.0.0.1\\share\\x.bmp", E_INVALIDARG},
      {"local file in the namespace", L"\\\\?\\" + valid, E_INVALIDARG},
      {"pipe", L"\\\\.\\pipe\\orvane-idle-picture", E_INVALIDARG},
      {"relative", L"valid.bmp", E_INVALIDARG},
      {"alternate stream", valid + L":hidden", E_INVALIDARG},
      {"a folder", folder, HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE)},
      {"file beyond the size limit", oversized, HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)},
      {"picture beyond the side limit", wide, WINCODEC_ERR_IMAGESIZEOUTOFRANGE},
      {"header beyond the side limit", promise, WINCODEC_ERR_IMAGESIZEOUTOFRANGE},
  };
  for (const Case& c : cases) {
    picture::Picture32 decoded;
    EXPECT_EQ(DecodeIdlePicture(c.path.c_str(), decoded), c.expected) << c.what;
    EXPECT_TRUE(decoded.empty()) << c.what;
    // Property 4 refuses the same, and takes a missing file.
    EXPECT_EQ(CheckIdlePictureFile(c.path.c_str()),
              c.expected == WINCODEC_ERR_IMAGESIZEOUTOFRANGE ? S_OK : E_INVALIDARG)
        << c.what;
  }
  EXPECT_EQ(CheckIdlePictureFile(valid.c_str()), S_OK);
  EXPECT_EQ(CheckIdlePictureFile(TempFile(L"missing.png").c_str()), S_OK);
  EXPECT_EQ(CheckIdlePictureFile(L""), S_OK);
}

}  // namespace
}  // namespace orvane
