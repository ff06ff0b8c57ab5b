// The snapshot writer with Wine's imaging component: every layout comes out upright in its true
// colours at its own size, strides are honoured, and a failed write leaves no file behind.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincodec.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/com/ComInitialization.h"
#include "platform/com/ComPtr.h"
#include "platform/win/UniqueResource.h"
#include "renderer/filter/snapshot/SnapshotWriter.h"
#include "tests/windows/snapshot/SnapshotTestSupport.h"

namespace orvane::testing {
namespace {

std::string ReadAll(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out << bytes;
}

class SnapshotWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    ASSERT_EQ(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory_)),
              S_OK);
  }

  ComInitialization com_;
  ComPtr<IWICImagingFactory> factory_;
  TemporaryFolder folder_;
};

TEST_F(SnapshotWriterTest, WritesEveryLayoutUprightInItsColours) {
  struct Case {
    const char* name;
    FrameHeader geometry;
    bool bottomUp;
  };
  using T = FramePixelType;
  const Case cases[] = {
      {"RGB24 top-down", {T::RGB24, 64, -48, 0}, false},
      {"RGB24 bottom-up, padded rows", {T::RGB24, 64, 48, 64 * 3 + 12}, true},
      {"RGB24 odd width, default stride", {T::RGB24, 61, -47, 0}, false},
      {"RGB32 bottom-up", {T::RGB32, 64, 48, 0}, true},
      {"RGB32 top-down, padded rows", {T::RGB32, 64, -48, 64 * 4 + 32}, false},
      {"YUY2", {T::YUY2, 64, 48, 0}, false},
      {"YUY2 padded rows", {T::YUY2, 64, 48, 64 * 2 + 24}, false},
      {"YUY2 odd width", {T::YUY2, 63, 48, 0}, false},
      {"NV12", {T::NV12, 64, 48, 0}, false},
      {"NV12 padded stride (both planes)", {T::NV12, 64, 48, 96}, false},
      {"NV12 odd width and height", {T::NV12, 63, 47, 70}, false},
      // What a rotation of 640 x 480 delivers: portrait, and the file must say so.
      {"NV12 rotated 480 x 640", {T::NV12, 480, 640, 0}, false},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> pixels = MakeQuadrantPicture(c.geometry, c.bottomUp);
    const std::wstring path = folder_.File(L"picture.jpg");
    ASSERT_EQ(WriteSnapshotJpeg(factory_.Get(), path.c_str(), pixels.data(), c.geometry, c.bottomUp), S_OK)
        << c.name;
    const int32_t rows = c.geometry.height < 0 ? -c.geometry.height : c.geometry.height;
    ExpectQuadrantJpeg(path, c.geometry.width, rows, c.name);
    EXPECT_EQ(FilesIn(folder_.path()), std::vector<std::wstring>{L"picture.jpg"}) << c.name;
  }
}

TEST_F(SnapshotWriterTest, ReplacesAFileOfTheSameName) {
  const std::wstring path = folder_.File(L"same.jpg");
  WriteAll(path, "an older file");
  const FrameHeader geometry{FramePixelType::RGB24, 32, -32, 0};
  const std::vector<uint8_t> pixels = MakeQuadrantPicture(geometry, false);
  ASSERT_EQ(WriteSnapshotJpeg(factory_.Get(), path.c_str(), pixels.data(), geometry, false), S_OK);
  ExpectQuadrantJpeg(path, 32, 32, "replaced");
}

TEST_F(SnapshotWriterTest, RefusesBadInputWithoutWritingAnything) {
  const FrameHeader good{FramePixelType::RGB24, 32, 32, 0};
  const std::vector<uint8_t> pixels = MakeQuadrantPicture(good, true);
  const std::wstring path = folder_.File(L"bad.jpg");
  using T = FramePixelType;
  struct Case {
    const char* name;
    IWICImagingFactory* factory;
    const wchar_t* path;
    const uint8_t* pixels;
    FrameHeader geometry;
    HRESULT expected;
  };
  const Case cases[] = {
      {"no factory", nullptr, path.c_str(), pixels.data(), good, E_POINTER},
      {"no path", factory_.Get(), nullptr, pixels.data(), good, E_POINTER},
      {"no pixels", factory_.Get(), path.c_str(), nullptr, good, E_POINTER},
      {"empty path", factory_.Get(), L"", pixels.data(), good, E_INVALIDARG},
      {"width 0", factory_.Get(), path.c_str(), pixels.data(), {T::RGB24, 0, 32, 96}, E_INVALIDARG},
      {"height 0", factory_.Get(), path.c_str(), pixels.data(), {T::RGB24, 32, 0, 96}, E_INVALIDARG},
      {"stride shorter than a row", factory_.Get(), path.c_str(), pixels.data(), {T::RGB24, 32, 32, 95}, E_INVALIDARG},
      {"unknown layout", factory_.Get(), path.c_str(), pixels.data(), {static_cast<T>(4), 32, 32, 96}, E_INVALIDARG},
      {"wider than a JPEG", factory_.Get(), path.c_str(), pixels.data(), {T::NV12, 65536, 2, 0}, E_INVALIDARG},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WriteSnapshotJpeg(c.factory, c.path, c.pixels, c.geometry, true), c.expected) << c.name;
    EXPECT_TRUE(FilesIn(folder_.path()).empty()) << c.name;
  }
}

TEST_F(SnapshotWriterTest, AFailedWriteLeavesNoFileBehind) {
  const FrameHeader geometry{FramePixelType::RGB32, 32, 32, 0};
  const std::vector<uint8_t> pixels = MakeQuadrantPicture(geometry, true);

  // A folder that does not exist.
  const std::wstring missing = folder_.File(L"missing\\snapshot.jpg");
  EXPECT_EQ(WriteSnapshotJpeg(factory_.Get(), missing.c_str(), pixels.data(), geometry, true),
            HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
  EXPECT_TRUE(FilesIn(folder_.path()).empty());

  // The name is taken by a folder: the encoded picture cannot be put there.
  const std::wstring taken = folder_.File(L"taken.jpg");
  ASSERT_TRUE(::CreateDirectoryW(taken.c_str(), nullptr));
  EXPECT_TRUE(FAILED(WriteSnapshotJpeg(factory_.Get(), taken.c_str(), pixels.data(), geometry, true)));
  EXPECT_TRUE(FilesIn(folder_.path()).empty()) << "the temporary file was removed";

  // A file of that name that someone holds open without sharing its deletion stays as it was.
  const std::wstring kept = folder_.File(L"kept.jpg");
  WriteAll(kept, "keep me");
  {
    const UniqueHandle reader(::CreateFileW(kept.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_TRUE(FAILED(WriteSnapshotJpeg(factory_.Get(), kept.c_str(), pixels.data(), geometry, true)));
  }
  EXPECT_EQ(ReadAll(kept), "keep me");
  EXPECT_EQ(FilesIn(folder_.path()), std::vector<std::wstring>{L"kept.jpg"});
}

TEST_F(SnapshotWriterTest, RunsOnAThreadWithoutCom) {
  // The streaming thread of another filter may never have initialised COM.
  const FrameHeader geometry{FramePixelType::YUY2, 32, 32, 0};
  const std::vector<uint8_t> pixels = MakeQuadrantPicture(geometry, false);
  const std::wstring path = folder_.File(L"thread.jpg");
  struct Call {
    IWICImagingFactory* factory;
    const std::wstring* path;
    const uint8_t* pixels;
    FrameHeader geometry;
    HRESULT result = E_FAIL;
  } call{factory_.Get(), &path, pixels.data(), geometry};
  const UniqueHandle thread(::CreateThread(
      nullptr, 0,
      [](void* parameter) -> DWORD {
        auto* c = static_cast<Call*>(parameter);
        c->result = WriteSnapshotJpeg(c->factory, c->path->c_str(), c->pixels, c->geometry, false);
        return 0;
      },
      &call, 0, nullptr));
  ASSERT_TRUE(thread);
  ASSERT_EQ(::WaitForSingleObject(thread.get(), 60000), WAIT_OBJECT_0);
  EXPECT_EQ(call.result, S_OK);
  ExpectQuadrantJpeg(path, 32, 32, "written on a thread without COM");
}

}  // namespace
}  // namespace orvane::testing
