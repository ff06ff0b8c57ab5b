// Snapshots end to end: a request from the page's button or the control interface, the next frame
// pushed into the real renderer, and the JPEG it leaves, read back with WIC.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "tests/windows/page/RenderPageFixture.h"
#include "tests/windows/snapshot/SnapshotTestSupport.h"

namespace orvane::testing {
namespace {

std::wstring PicturesFolder() {
  wchar_t folder[MAX_PATH] = {};
  EXPECT_EQ(::SHGetFolderPathW(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, folder), S_OK);
  return folder;
}

// The name a snapshot taken at `time` gets, spelt out independently of the page's own formatting.
std::wstring SnapshotName(const SYSTEMTIME& time) {
  auto two = [](int value) { return std::wstring(value < 10 ? L"0" : L"") + std::to_wstring(value); };
  return std::to_wstring(time.wYear) + L"-" + two(time.wMonth) + L"-" + two(time.wDay) + L" " + two(time.wHour) +
         two(time.wMinute) + two(time.wSecond) + L".jpg";
}

struct RemovedAtEnd {
  std::wstring path;
  ~RemovedAtEnd() {
    if (!path.empty()) ::DeleteFileW(path.c_str());
  }
};

class RenderSnapshotTest : public RenderPageTest {
 protected:
  // Pushes the quadrant picture through the renderer's direct push of its layout.
  HRESULT Push(const FrameHeader& geometry) {
    const bool bottomUp = geometry.pixelType <= FramePixelType::RGB32 && geometry.height > 0;
    const std::vector<uint8_t> pixels = MakeQuadrantPicture(geometry, bottomUp);
    const int w = geometry.width, h = geometry.height, s = geometry.stride;
    switch (geometry.pixelType) {
      case FramePixelType::RGB24: return control_->PushFrameRGB24(pixels.data(), w, h, s);
      case FramePixelType::RGB32: return control_->PushFrameRGB32(pixels.data(), w, h, s);
      case FramePixelType::YUY2: return control_->PushFrameYUY2(pixels.data(), w, h, s);
      case FramePixelType::NV12: return control_->PushFrameNV12(pixels.data(), w, h, s);
    }
    return E_INVALIDARG;
  }

  TemporaryFolder folder_;
};

TEST_F(RenderSnapshotTest, ButtonWritesTheNextFrameUprightIntoThePicturesFolder) {
  const HWND dialog = Activate();
  const std::wstring pictures = PicturesFolder();
  const std::vector<std::wstring> before = FilesIn(pictures);
  SYSTEMTIME clickedAfter{}, clickedBefore{};
  ::GetLocalTime(&clickedBefore);
  Click(dialog, IDC_SNAPSHOT);
  ::GetLocalTime(&clickedAfter);
  EXPECT_EQ(FilesIn(pictures), before) << "nothing is written before a frame is delivered";

  // A bottom-up RGB24 frame, as most capture sources deliver them.
  ASSERT_EQ(Push({FramePixelType::RGB24, 320, 240, 0}), S_OK);
  std::vector<std::wstring> added;
  for (const std::wstring& name : FilesIn(pictures)) {
    if (std::find(before.begin(), before.end(), name) == before.end()) added.push_back(name);
  }
  ASSERT_EQ(added.size(), 1u);
  const RemovedAtEnd snapshot{pictures + L"\\" + added[0]};
  EXPECT_TRUE(added[0] == SnapshotName(clickedBefore) || added[0] == SnapshotName(clickedAfter))
      << std::string(added[0].begin(), added[0].end());
  ExpectQuadrantJpeg(snapshot.path, 320, 240, "snapshot from the button");
}

TEST_F(RenderSnapshotTest, RotatedNv12FrameGivesAPortraitPicture) {
  const HWND dialog = Activate();
  Click(dialog, IDC_ROTATE);
  const std::wstring path = folder_.File(L"rotated.jpg");
  ASSERT_EQ(control_->TakeSnapshot(path.c_str()), S_OK);
  ASSERT_EQ(Push({FramePixelType::NV12, 640, 480, 0}), S_OK);
  ExpectQuadrantJpeg(path, 640, 480, "NV12 640 x 480 rotated", true);
}

TEST_F(RenderSnapshotTest, TwoRequestsBeforeAFrameGiveOneFileAtTheSecondPath) {
  const std::wstring first = folder_.File(L"first.jpg");
  const std::wstring second = folder_.File(L"second.jpg");
  ASSERT_EQ(control_->TakeSnapshot(first.c_str()), S_OK);
  ASSERT_EQ(control_->TakeSnapshot(second.c_str()), S_OK);
  ASSERT_EQ(Push({FramePixelType::RGB32, 320, 240, 0}), S_OK);
  ASSERT_EQ(Push({FramePixelType::RGB32, 320, 240, 0}), S_OK);
  EXPECT_EQ(FilesIn(folder_.path()), std::vector<std::wstring>{L"second.jpg"});
  ExpectQuadrantJpeg(second, 320, 240, "the second request");
}

TEST_F(RenderSnapshotTest, EveryLayoutArrivesInItsColours) {
  struct Case {
    const char* name;
    FrameHeader geometry;
  };
  using T = FramePixelType;
  const Case cases[] = {
      {"RGB24 bottom-up", {T::RGB24, 320, 240, 0}},
      {"RGB24 top-down, padded rows", {T::RGB24, 320, -240, 320 * 3 + 16}},
      {"RGB32 bottom-up", {T::RGB32, 320, 240, 0}},
      {"RGB32 top-down", {T::RGB32, 320, -240, 0}},
      {"YUY2", {T::YUY2, 320, 240, 0}},
      {"NV12", {T::NV12, 320, 240, 0}},
      {"NV12 with a padded stride", {T::NV12, 320, 240, 384}},
  };
  for (const Case& c : cases) {
    const std::wstring path = folder_.File(L"layout.jpg");
    ASSERT_EQ(control_->TakeSnapshot(path.c_str()), S_OK) << c.name;
    ASSERT_EQ(Push(c.geometry), S_OK) << c.name;
    ExpectQuadrantJpeg(path, 320, 240, c.name);
    ::DeleteFileW(path.c_str());
  }
}

}  // namespace
}  // namespace orvane::testing
