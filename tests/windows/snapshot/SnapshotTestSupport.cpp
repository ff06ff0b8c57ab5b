#include "tests/windows/snapshot/SnapshotTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "device/camera/IdlePictureDecoder.h"

namespace orvane::testing {
namespace {

struct Colour {
  uint8_t b, g, r;  // as 24-bit pixels store them
  uint8_t y, u, v;  // BT.601 studio range
  const char* name;
};

constexpr Colour kRed{0, 0, 255, 81, 90, 240, "red"};
constexpr Colour kGreen{0, 255, 0, 145, 54, 34, "green"};
constexpr Colour kBlue{255, 0, 0, 41, 240, 110, "blue"};
constexpr Colour kWhite{255, 255, 255, 235, 128, 128, "white"};

// JPEG's loss, well inside a flat quadrant, stays far below this; a swapped or missing channel is 255 off.
constexpr int kTolerance = 40;

int32_t Split(int32_t size) { return (size / 2) & ~1; }

const Colour& ColourAt(int32_t x, int32_t y, int32_t width, int32_t rows) {
  const bool right = x >= Split(width);
  const bool bottom = y >= Split(rows);
  if (bottom) return right ? kWhite : kBlue;
  return right ? kGreen : kRed;
}

}  // namespace

TemporaryFolder::TemporaryFolder() {
  static int sequence = 0;
  wchar_t base[MAX_PATH];
  const DWORD length = ::GetTempPathW(MAX_PATH, base);
  path_ = std::wstring(base, length) + L"orvane-snapshot-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
          std::to_wstring(++sequence);
  EXPECT_TRUE(::CreateDirectoryW(path_.c_str(), nullptr)) << "error " << ::GetLastError();
}

TemporaryFolder::~TemporaryFolder() {
  for (const std::wstring& name : FilesIn(path_)) {
    const std::wstring file = File(name.c_str());
    ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(file.c_str());
  }
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((path_ + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") ::RemoveDirectoryW(File(name.c_str()).c_str());
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(path_.c_str());
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.emplace_back(found.cFileName);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<uint8_t> MakeQuadrantPicture(const FrameHeader& geometry, bool bottomUp) {
  const CheckedFrame checked = CheckFrameGeometry(geometry);
  EXPECT_TRUE(checked.ok()) << DescribeGeometryError(checked.error);
  if (!checked.ok()) return {};
  const FrameHeader& frame = checked.header;
  const int32_t width = frame.width;
  const int32_t rows = std::abs(frame.height);
  const size_t stride = static_cast<size_t>(frame.stride);
  // Padding: values far from every quadrant's colour.
  std::vector<uint8_t> pixels(checked.imageSize, 0x5A);
  for (int32_t y = 0; y < rows; ++y) {
    const int32_t upright = bottomUp ? rows - 1 - y : y;
    uint8_t* row = pixels.data() + y * stride;
    for (int32_t x = 0; x < width; ++x) {
      const Colour& c = ColourAt(x, upright, width, rows);
      switch (frame.pixelType) {
        case FramePixelType::RGB24:
          row[3 * x] = c.b, row[3 * x + 1] = c.g, row[3 * x + 2] = c.r;
          break;
        case FramePixelType::RGB32:
          row[4 * x] = c.b, row[4 * x + 1] = c.g, row[4 * x + 2] = c.r, row[4 * x + 3] = 0x5A;
          break;
        case FramePixelType::YUY2:
          row[2 * x] = c.y;
          row[2 * x + 1] = (x & 1) == 0 ? c.u : c.v;
          break;
        case FramePixelType::NV12: {
          row[x] = c.y;
          if ((y & 1) == 0 && y / 2 < rows / 2 && x / 2 < width / 2) {
            uint8_t* chroma = pixels.data() + rows * stride + (y / 2) * stride;
            chroma[2 * (x / 2)] = c.u;
            chroma[2 * (x / 2) + 1] = c.v;
          }
          break;
        }
      }
    }
  }
  return pixels;
}

void ExpectQuadrantJpeg(const std::wstring& path, int32_t width, int32_t height, const std::string& what,
                        bool turnedClockwise) {
  // The idle picture decoder reads only through folders that are no links, and the test prefix's
  // Pictures folder is a link to the home folder: the file is decoded from a copy in the temporary folder.
  wchar_t temporary[MAX_PATH] = {};
  ASSERT_GT(::GetTempPathW(MAX_PATH, temporary), 0u);
  const std::wstring copy = std::wstring(temporary) + L"orvane-decoded-snapshot-" +
                            std::to_wstring(::GetCurrentProcessId()) + L".jpg";
  ASSERT_TRUE(::CopyFileW(path.c_str(), copy.c_str(), FALSE)) << what << ": " << std::string(path.begin(), path.end());
  picture::Picture32 decoded;
  const HRESULT result = DecodeIdlePicture(copy.c_str(), decoded);
  ::DeleteFileW(copy.c_str());
  ASSERT_EQ(result, S_OK) << what << ": " << std::string(path.begin(), path.end());
  ASSERT_EQ(decoded.width, turnedClockwise ? height : width) << what;
  ASSERT_EQ(decoded.height, turnedClockwise ? width : height) << what;
  const int32_t splitX = Split(width);
  const int32_t splitY = Split(height);
  const struct {
    int32_t x, y;
  } points[] = {
      {splitX / 2, splitY / 2}, {(splitX + width) / 2, splitY / 2},
      {splitX / 2, (splitY + height) / 2}, {(splitX + width) / 2, (splitY + height) / 2},
      {0, 0}, {width - 1, 0}, {0, height - 1}, {width - 1, height - 1},
  };
  for (const auto& point : points) {
    const Colour& expected = ColourAt(point.x, point.y, width, height);
    // Turned clockwise, the picture's left column becomes the top row.
    const int32_t x = turnedClockwise ? height - 1 - point.y : point.x;
    const int32_t y = turnedClockwise ? point.x : point.y;
    const uint8_t* pixel = decoded.pixels.data() + 4 * (size_t(y) * size_t(decoded.width) + size_t(x));
    const int errors[] = {pixel[0] - expected.b, pixel[1] - expected.g, pixel[2] - expected.r};
    const bool close = std::all_of(std::begin(errors), std::end(errors), [](int e) { return std::abs(e) <= kTolerance; });
    EXPECT_TRUE(close) << what << ": at (" << x << ", " << y << ") expected " << expected.name << ", found blue "
                       << int(pixel[0]) << " green " << int(pixel[1]) << " red " << int(pixel[2]);
  }
}

}  // namespace orvane::testing
