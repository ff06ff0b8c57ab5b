// CDSRender's file graphs under Wine (the graph manager's own source: the LAV modules are not in the
// test's program folder and not registered) and the picture hand-over: clips made by ffmpeg at build
// time whose first second is red and second blue, with and without sound, and a short one that ends.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>
#include <wincodec.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/native/picture/PictureTestSupport.h"
#include "tests/windows/camera/PictureFiles.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/graph/GraphTestSupport.h"

namespace orvane::testing {
namespace {

std::wstring Clip(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring self(path, length);
  return self.substr(0, self.find_last_of(L"\\/") + 1) + L"clips\\" + name;
}

bool IsRed(const test::Bgr& c) { return c.r > 200 && c.g < 60 && c.b < 60; }
bool IsBlue(const test::Bgr& c) { return c.b > 200 && c.r < 60 && c.g < 60; }

// Client frames until the picture's centre satisfies `wanted`.
bool WaitForCentre(CameraClient& client, const std::function<bool(const test::Bgr&)>& wanted,
                   const std::function<bool(const test::Bgr&)>& right = nullptr) {
  std::vector<uint8_t> pixels;
  for (int frame = 0; frame < 300; ++frame) {
    if (!client.Next(pixels, 1)) return false;
    const FrameHeader geometry = client.geometry();
    const int rows = test::Rows(geometry);
    if (right) {
      if (wanted(test::ReadPixel(geometry, pixels.data(), geometry.width / 4, rows / 2)) &&
          right(test::ReadPixel(geometry, pixels.data(), geometry.width * 3 / 4, rows / 2))) {
        return true;
      }
    } else if (wanted(test::ReadPixel(geometry, pixels.data(), geometry.width / 2, rows / 2))) {
      return true;
    }
  }
  return false;
}

class FileGraph : public GraphEngineTest {};

// The video plays into the virtual camera: the client sees the red second, then the blue one. With
// no sound track the audio decoder slot stays empty and only the video stream is rendered.
TEST_F(FileGraph, TheClientSeesTheFilesFrames) {
  for (const wchar_t* name : {L"video.avi", L"sound.avi"}) {
    SCOPED_TRACE(std::string(name, name + wcslen(name)));
    ASSERT_TRUE(render_->OpenFile(Clip(name), 0));
    EXPECT_FALSE(render_->isDevice());
    EXPECT_NEAR(render_->duration(), 2000, 150);
    CameraClient client;
    ASSERT_EQ(client.Open(0, FramePixelType::RGB32, 320, 240), S_OK);
    ASSERT_HRESULT_SUCCEEDED(render_->Run());
    EXPECT_TRUE(WaitForCentre(client, IsRed)) << "the first second";
    EXPECT_TRUE(WaitForCentre(client, IsBlue)) << "the second second";
    render_->Cleanup();
  }
}

TEST_F(FileGraph, StartsAtTheGivenPositionInsideTheFileOnly) {
  struct Case {
    int startMs;
    double expectedMs;
  };
  for (const Case& c : {Case{1000, 1000}, Case{0, 0}, Case{-500, 0}, Case{2000, 0}, Case{5000, 0}}) {
    SCOPED_TRACE(c.startMs);
    ASSERT_TRUE(render_->OpenFile(Clip(L"video.avi"), c.startMs));
    EXPECT_NEAR(render_->GetPositionMs(), c.expectedMs, 1);
    render_->Cleanup();
  }
}

// A position inside the file is taken; at or past the end the file starts over.
TEST_F(FileGraph, SeeksInsideTheFileAndToTheStartAtOrPastItsEnd) {
  EXPECT_EQ(render_->SeekMs(100), E_FAIL) << "no graph";
  EXPECT_EQ(render_->GetPositionMs(), 0);
  ASSERT_TRUE(render_->OpenFile(Clip(L"video.avi"), 0));
  const float end = static_cast<float>(render_->duration());
  for (const auto& [seek, expected] : {std::pair{1500.0f, 1500.0}, std::pair{end, 0.0}, std::pair{end + 1000, 0.0},
                                       std::pair{500.0f, 500.0}}) {
    SCOPED_TRACE(seek);
    EXPECT_HRESULT_SUCCEEDED(render_->SeekMs(seek));
    EXPECT_NEAR(render_->GetPositionMs(), expected, 1);
  }
}

// The end of the file reaches the owner once, as code 1 with tag 11; a seek to the start then plays
// it again to a second end.
TEST_F(FileGraph, TheEndOfTheFileReachesTheOwner) {
  OwnerWindow owner;
  render_->SetOwner(owner.handle(), owner.message());
  ASSERT_TRUE(render_->OpenFile(Clip(L"short.avi"), 0));
  ASSERT_HRESULT_SUCCEEDED(render_->Run());
  EXPECT_EQ(owner.Collect(1), (std::vector<OwnerPost>{{EC_COMPLETE, 11}}));
  ASSERT_HRESULT_SUCCEEDED(render_->SeekMs(0));
  EXPECT_EQ(owner.Collect(1), (std::vector<OwnerPost>{{EC_COMPLETE, 11}}));
}

TEST_F(FileGraph, AFileThatCannotBeOpenedFails) {
  const TemporaryFile text(L"not-a-video.avi");
  const HANDLE file = ::CreateFileW(text.path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ::WriteFile(file, "no video here", 13, &written, nullptr);
  ::CloseHandle(file);
  EXPECT_FALSE(render_->OpenFile(text.path(), 0));
  render_->Cleanup();
  EXPECT_FALSE(render_->OpenFile(Clip(L"missing.avi"), 0));
  render_->Cleanup();
}

// A picture handed over becomes the virtual camera's idle picture: a client with no producer sees it.
TEST_F(FileGraph, APictureBecomesTheIdlePicture) {
  struct Case {
    const wchar_t* name;
    GUID container;
  };
  for (const Case& c : {Case{L"picture.bmp", GUID_ContainerFormatBmp}, Case{L"picture.jpg", GUID_ContainerFormatJpeg},
                        Case{L"picture.png", GUID_ContainerFormatPng}}) {
    SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
    const TemporaryFile picture(c.name);
    ASSERT_EQ(WriteHalvesPicture(picture.path(), c.container, 64, 48), S_OK);
    render_->SetPicture(picture.path().c_str());
    CameraClient client;
    ASSERT_EQ(client.Open(0, FramePixelType::RGB32, 320, 240), S_OK);
    EXPECT_TRUE(WaitForCentre(client, IsRed, IsBlue)) << "red on the left, blue on the right";
    // A missing file or no path changes nothing.
    render_->SetPicture(nullptr);
    render_->SetPicture((picture.path() + L".missing").c_str());
    EXPECT_TRUE(WaitForCentre(client, IsRed, IsBlue));
  }
}

}  // namespace
}  // namespace orvane::testing
