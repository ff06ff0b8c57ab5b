// CDSRender's camera graphs under Wine: the synthetic webcam into the renderer and a virtual camera
// that a client reads, the stored capture format, the output size following the camera, running,
// pausing and tearing down, a busy camera, camera control steps and the format page.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/dshow/MediaType.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/graph/GraphTestSupport.h"
#include "tests/windows/testcam/CameraTestSupport.h"

namespace orvane::testing {
namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

bool HasFilter(IGraphBuilder* graph, const wchar_t* name) {
  const std::vector<std::wstring> names = FilterNames(graph);
  return std::find(names.begin(), names.end(), name) != names.end();
}

class DeviceGraph : public GraphEngineTest {};

// Each format the webcam offers reaches the client upright, through a graph named as documented;
// running, stopping and a second Cleanup behave.
TEST_F(DeviceGraph, EveryCaptureFormatReachesTheClientUpright) {
  struct Case {
    const wchar_t* format;
    PatternFormat produced;
  };
  const Case cases[] = {
      {L"YUY2 640x480@30", PatternFormat::YUY2},
      {L"NV12 640x480@30", PatternFormat::NV12},
      {L"RGB24 640x480@30", PatternFormat::RGB24},
      {L"RGB32 640x480@30", PatternFormat::RGB32},
      {L"RGB24 320x-240@30", PatternFormat::RGB24},
  };
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 480), S_OK);
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.format));
    ASSERT_EQ(RegisterWebcams({CameraConfig{L"", {c.format}}}), S_OK);
    ASSERT_TRUE(render_->OpenDevice(FirstTestCamera()));
    EXPECT_TRUE(render_->isDevice());
    EXPECT_TRUE(HasFilter(render_->graph(), CDSRender::kSourceFilterName));
    EXPECT_TRUE(HasFilter(render_->graph(), CDSRender::kRendererFilterName));
    EXPECT_FALSE(render_->IsActive()) << "opening does not start the graph";
    ASSERT_HRESULT_SUCCEEDED(render_->Run());
    EXPECT_TRUE(render_->IsRunning());
    PatternReading reading;
    ASSERT_TRUE(WaitForWebcamFrame(client, c.produced, reading)) << "the webcam's frames did not arrive";
    EXPECT_EQ(reading.quarterTurns, 0);
    EXPECT_FALSE(reading.mirrored);
    ASSERT_HRESULT_SUCCEEDED(render_->Cleanup());
    EXPECT_FALSE(render_->IsRunning());
    EXPECT_FALSE(render_->IsActive());
    EXPECT_EQ(render_->messageWindow(), nullptr);
    EXPECT_EQ(render_->Cleanup(), S_OK) << "a second Cleanup has nothing to stop";
    EXPECT_EQ(render_->Run(), E_FAIL);
  }
}

// A camera that offers only MJPG needs a decoder from the system. Where the graph manager finds none
// (Wine 8 has none for intelligent connect) the open fails and the test is skipped; elsewhere the
// client sees the camera through the decoder.
TEST_F(DeviceGraph, AnMjpgOnlyCameraPlaysThroughTheSystemsDecoder) {
  ASSERT_EQ(RegisterWebcams({CameraConfig{L"", {L"MJPG 640x480@30"}}}), S_OK);
  if (!render_->OpenDevice(FirstTestCamera())) {
    EXPECT_EQ(FilterNames(render_->graph()).size(), 2u) << "nothing but camera and renderer is left behind";
    GTEST_SKIP() << "the graph manager has no MJPG decoder here";
  }
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 480), S_OK);
  ASSERT_HRESULT_SUCCEEDED(render_->Run());
  PatternReading reading;
  ASSERT_TRUE(WaitForWebcamFrame(client, PatternFormat::MJPG, reading));
  EXPECT_EQ(reading.quarterTurns, 0);
  EXPECT_FALSE(reading.mirrored);
}

TEST_F(DeviceGraph, TogglePauseSwitchesBetweenRunningAndPaused) {
  ASSERT_EQ(RegisterWebcams({CameraConfig{L"", {L"YUY2 320x240@30"}}}), S_OK);
  EXPECT_EQ(render_->TogglePause(), E_FAIL) << "no graph yet";
  ASSERT_TRUE(render_->OpenDevice(FirstTestCamera()));
  ASSERT_HRESULT_SUCCEEDED(render_->TogglePause());
  ASSERT_TRUE(PumpUntil([&] { return render_->IsRunning(); }));
  ASSERT_HRESULT_SUCCEEDED(render_->TogglePause());
  ASSERT_TRUE(PumpUntil([&] { return render_->IsActive() && !render_->IsRunning(); }));
}

// The stored format is selected when a capability matches it exactly; a malformed record or one
// that matches nothing leaves the camera in its default (first) format.
TEST_F(DeviceGraph, SelectsTheStoredCaptureFormat) {
  ASSERT_EQ(RegisterWebcams({CameraConfig{
      L"", {L"YUY2 640x480@30", L"RGB24 320x240@15", L"NV12 1280x720/333667", L"RGB32 320x-240@30",
            L"YUY2 160x120/0"}}}), S_OK);
  const wchar_t* yuy2 = L"{32595559-0000-0010-8000-00AA00389B71}";
  const wchar_t* nv12 = L"{3231564E-0000-0010-8000-00AA00389B71}";
  const wchar_t* rgb24 = L"{E436EB7D-524F-11CE-9F53-0020AF0BA770}";
  const wchar_t* rgb32 = L"{E436EB7E-524F-11CE-9F53-0020AF0BA770}";
  struct Case {
    const char* what;
    const wchar_t* subtype;
    DWORD width, height, fps;
    GUID subtypeAfter;
    LONG widthAfter, heightAfter;
  };
  const Case cases[] = {
      // 15 fps is 666,667 units per frame, which divides down to 14.
      {"RGB24 at 15, stored as 14", rgb24, 320, 240, 14, MEDIASUBTYPE_RGB24, 320, 240},
      {"RGB24 stored as 15", rgb24, 320, 240, 15, MEDIASUBTYPE_YUY2, 640, 480},
      {"top-down RGB32", rgb32, 320, static_cast<DWORD>(-240), 30, MEDIASUBTYPE_RGB32, 320, -240},
      {"NV12 at 29", nv12, 1280, 720, 29, MEDIASUBTYPE_NV12, 1280, 720},
      {"NV12 at 30 (its frame time gives 29)", nv12, 1280, 720, 30, MEDIASUBTYPE_YUY2, 640, 480},
      {"RGB32 bottom-up (offered top-down)", rgb32, 320, 240, 30, MEDIASUBTYPE_YUY2, 640, 480},
      {"no frame rate offered", yuy2, 160, 120, 1, MEDIASUBTYPE_YUY2, 640, 480},
      {"not a GUID", L"RGB24", 320, 240, 14, MEDIASUBTYPE_YUY2, 640, 480},
      {"zero width", rgb24, 0, 240, 14, MEDIASUBTYPE_YUY2, 640, 480},
      {"overflowing width", rgb24, 0x80000140u, 240, 14, MEDIASUBTYPE_YUY2, 640, 480},
      {"zero height", rgb24, 320, 0, 14, MEDIASUBTYPE_YUY2, 640, 480},
      {"negative fps", rgb24, 320, 240, static_cast<DWORD>(-14), MEDIASUBTYPE_YUY2, 640, 480},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteStoredFormat(c.subtype, c.width, c.height, c.fps);
    ASSERT_TRUE(render_->OpenDevice(FirstTestCamera()));
    PinFormat format;
    ASSERT_TRUE(CurrentPinFormat(render_->source(), format));
    EXPECT_TRUE(format.subtype == c.subtypeAfter);
    EXPECT_EQ(format.width, c.widthAfter);
    EXPECT_EQ(format.height, c.heightAfter);
    render_->Cleanup();
  }
}

// Without a stored format the camera opens in its default one, and the size values are created.
TEST_F(DeviceGraph, OpensInTheDefaultFormatWithoutAStoredOneAndCreatesTheSizeValues) {
  ASSERT_EQ(RegisterWebcams({CameraConfig{L"", {L"RGB24 320x240@15", L"YUY2 640x480@30"}}}), S_OK);
  ASSERT_TRUE(render_->OpenDevice(FirstTestCamera()));
  PinFormat format;
  ASSERT_TRUE(CurrentPinFormat(render_->source(), format));
  EXPECT_TRUE(format.subtype == MEDIASUBTYPE_RGB24);
  for (const wchar_t* name : {L"cap_width", L"cap_height", L"cap_fps"}) {
    DWORD value = 1, size = sizeof value;
    EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, kGraphSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size),
              ERROR_SUCCESS)
        << Narrow(name);
    EXPECT_EQ(value, 0u) << Narrow(name);
  }
}

// The virtual camera's output size and rate follow the camera's actual format; the format code and
// the one-size flag stay as they were.
TEST_F(DeviceGraph, TheOutputSizeFollowsTheCamera) {
  ASSERT_EQ(RegisterWebcams({CameraConfig{L"", {L"RGB24 320x-240@15"}}}), S_OK);
  const ComPtr<INimbRenderer> control = ControlOf(renderer_.Get());
  ASSERT_TRUE(control);
  ASSERT_EQ(control->SetOutputFormat(1280, 720, 30, 1, 1), S_OK);
  ASSERT_TRUE(render_->OpenDevice(FirstTestCamera()));
  int width = 0, height = 0, fps = 0, format = 0, oneSizeOnly = 0;
  ASSERT_EQ(control->GetOutputFormat(&width, &height, &fps, &format, &oneSizeOnly), S_OK);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240) << "the height's magnitude";
  EXPECT_EQ(fps, 14) << "666,667 units per frame";
  EXPECT_EQ(format, 1);
  EXPECT_EQ(oneSizeOnly, 1);
}

// A camera that another program holds opens but does not start; the renderer, paused by the refused
// Run, is stopped and freed by Cleanup, so the next graph takes it and runs once the camera is free.
TEST_F(DeviceGraph, ABusyCameraMakesRunFail) {
  ASSERT_EQ(RegisterWebcams({CameraConfig{L"", {L"YUY2 320x240@30"}}}), S_OK);
  CameraRegistration::SetBusy(0, true);
  ASSERT_TRUE(render_->OpenDevice(FirstTestCamera()));
  EXPECT_TRUE(FAILED(render_->Run()));
  EXPECT_FALSE(render_->IsRunning());
  CameraRegistration::SetBusy(0, false);
  render_->Cleanup();
  ASSERT_TRUE(render_->OpenDevice(FirstTestCamera()));
  EXPECT_HRESULT_SUCCEEDED(render_->Run());
  EXPECT_TRUE(render_->IsRunning());
}

TEST_F(DeviceGraph, FailsWithoutRendererOrCamera) {
  EXPECT_FALSE(render_->OpenDevice(DeviceRecord{})) << "no moniker";
  ASSERT_EQ(RegisterWebcams({CameraConfig{L"", {L"YUY2 320x240@30"}}}), S_OK);
  CDSRender withoutRenderer(kGraphSettingsKey);
  EXPECT_FALSE(withoutRenderer.OpenDevice(FirstTestCamera()));
  EXPECT_EQ(withoutRenderer.Cleanup(), S_OK);
  EXPECT_EQ(withoutRenderer.Cleanup(), S_OK);
}

// Zoom, pan and tilt move by whole steps of the camera's grid; a step beyond the range sets nothing
// but still counts as handled; all zeros resets to the defaults; no camera control: false.
TEST_F(DeviceGraph, StepsCameraControlWithinItsRange) {
  ASSERT_EQ(RegisterWebcams({CameraConfig{L"", {L"YUY2 320x240@30"}}}), S_OK);
  ASSERT_TRUE(render_->OpenDevice(FirstTestCamera()));
  ComPtr<IAMCameraControl> control;
  ASSERT_EQ(render_->source()->QueryInterface(IID_PPV_ARGS(&control)), S_OK);
  const auto value = [&](long property) {
    long current = 0, flags = 0;
    EXPECT_EQ(control->Get(property, &current, &flags), S_OK);
    return current;
  };
  // The synthetic webcam: zoom 100..400 by 10 (default 100), pan and tilt -10..10 by 1 (default 0).
  EXPECT_TRUE(render_->StepCameraControl(3, -2, 1));
  EXPECT_EQ(value(CameraControl_Zoom), 130);
  EXPECT_EQ(value(CameraControl_Pan), -2);
  EXPECT_EQ(value(CameraControl_Tilt), 1);
  EXPECT_TRUE(render_->StepCameraControl(27, 0, 0)) << "to the maximum";
  EXPECT_EQ(value(CameraControl_Zoom), 400);
  EXPECT_TRUE(render_->StepCameraControl(1, 0, 0)) << "one step beyond";
  EXPECT_EQ(value(CameraControl_Zoom), 400);
  EXPECT_TRUE(render_->StepCameraControl(0, 0x7fffffff, 0)) << "a step count whose product overflows 32 bits";
  EXPECT_EQ(value(CameraControl_Pan), -2);
  EXPECT_TRUE(render_->StepCameraControl(0, 0, 0));
  EXPECT_EQ(value(CameraControl_Zoom), 100);
  EXPECT_EQ(value(CameraControl_Pan), 0);
  EXPECT_EQ(value(CameraControl_Tilt), 0);
  render_->Cleanup();

  ASSERT_EQ(RegisterWebcams({CameraConfig{L"", {L"YUY2 320x240@30"}, false, false}}), S_OK);
  ASSERT_TRUE(render_->OpenDevice(FirstTestCamera()));
  EXPECT_FALSE(render_->StepCameraControl(1, 0, 0));
  EXPECT_FALSE(render_->StepCameraControl(0, 0, 0));
  EXPECT_FALSE(render_->HasSourceProperties());
  EXPECT_FALSE(render_->ShowSourceProperties(nullptr, nullptr));
}

}  // namespace
}  // namespace orvane::testing

namespace orvane::testing {
namespace {

// Plays the user of a modal property frame from a timer on the test thread: once the page is
// showing, the pin is given capability `choice` (when not negative; what the page does when the user
// applies a choice) and the frame is closed with `button`.
struct FrameUser {
  IAMStreamConfig* config = nullptr;
  int pageControl = 1010;  // a control of the page to wait for: the format list by default
  int choice = -1;
  int button = IDCANCEL;
  int ticks = 0;
  bool closed = false;
  bool shown = false;
  HRESULT chosen = E_FAIL;
};
FrameUser* frameUser = nullptr;

constexpr int kZoomSliderId = 1001;  // on the synthetic webcam's camera control page

BOOL CALLBACK FindPageControl(HWND window, LPARAM found) {
  if (::GetDlgCtrlID(window) == frameUser->pageControl) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindPageControlInTopLevel(HWND window, LPARAM found) {
  ::EnumChildWindows(window, FindPageControl, found);
  return *reinterpret_cast<HWND*>(found) == nullptr;
}

void CALLBACK PlayFrameUser(HWND, UINT, UINT_PTR timer, DWORD) {
  FrameUser& user = *frameUser;
  HWND list = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindPageControlInTopLevel, reinterpret_cast<LPARAM>(&list));
  if (list == nullptr && ++user.ticks < 400) return;
  ::KillTimer(nullptr, timer);
  user.closed = true;
  if (list == nullptr) return;  // the frame never appeared: the test fails on `shown`
  user.shown = true;
  if (user.choice >= 0) {
    AM_MEDIA_TYPE* raw = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    user.chosen = user.config->GetStreamCaps(user.choice, &raw, reinterpret_cast<BYTE*>(&caps));
    if (SUCCEEDED(user.chosen)) {
      const UniqueMediaTypePtr type(raw);
      user.chosen = user.config->SetFormat(type.get());
    }
  }
  ::PostMessageW(::GetAncestor(list, GA_ROOT), WM_COMMAND, MAKEWPARAM(user.button, BN_CLICKED), 0);
}

DWORD StoredNumber(const wchar_t* name) {
  DWORD value = 0, size = sizeof value;
  ::RegGetValueW(HKEY_CURRENT_USER, kGraphSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return value;
}

std::wstring StoredText(const wchar_t* name) {
  wchar_t text[64] = {};
  DWORD size = sizeof text;
  ::RegGetValueW(HKEY_CURRENT_USER, kGraphSettingsKey, name, RRF_RT_REG_SZ, nullptr, text, &size);
  return text;
}

class FormatPage : public GraphEngineTest {};

// The format change as the main window runs it: the page cancelled stores the current format all the
// same; accepted with another choice, the new format is stored, the output follows it and the
// renderer connects again.
TEST_F(FormatPage, StoresWhatThePinDeliversAfterThePageCloses) {
  ASSERT_EQ(RegisterWebcams({CameraConfig{L"", {L"YUY2 640x480@30", L"NV12 320x240@15"}}}), S_OK);
  {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kGraphSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    const DWORD format = 2, oneSize = 1;
    ::RegSetValueExW(key, L"drv_format", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&format), sizeof format);
    ::RegSetValueExW(key, L"drv_one_size_only", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&oneSize), sizeof oneSize);
    ::RegCloseKey(key);
  }
  ASSERT_TRUE(render_->OpenDevice(FirstTestCamera()));
  const ComPtr<INimbRenderer> control = ControlOf(renderer_.Get());
  ASSERT_TRUE(control);
  struct Case {
    const char* what;
    int choice;
    int button;
    const wchar_t* subtype;
    DWORD width, height, fps;
  };
  const Case cases[] = {
      {"cancelled", -1, IDCANCEL, L"{32595559-0000-0010-8000-00AA00389B71}", 640, 480, 30},
      {"another format accepted", 1, IDOK, L"{3231564E-0000-0010-8000-00AA00389B71}", 320, 240, 14},
  };
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 480), S_OK);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    render_->DisconnectDownstream();
    EXPECT_EQ(FilterNames(render_->graph()), std::vector<std::wstring>{CDSRender::kSourceFilterName});
    const ComPtr<IAMStreamConfig> config = StreamConfigOf(render_->source());
    ASSERT_TRUE(config);
    FrameUser user{config.Get(), c.choice, c.button};
    frameUser = &user;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, PlayFrameUser);
    render_->ShowCaptureFormatDialog(nullptr, L"Format");
    frameUser = nullptr;
    if (!user.closed) ::KillTimer(nullptr, timer);
    ASSERT_TRUE(user.shown) << "the format page never showed";
    if (c.choice >= 0) {
      ASSERT_EQ(user.chosen, S_OK);
    }
    EXPECT_EQ(StoredText(L"cap_format"), c.subtype);
    EXPECT_EQ(StoredNumber(L"cap_width"), c.width);
    EXPECT_EQ(StoredNumber(L"cap_height"), c.height);
    EXPECT_EQ(StoredNumber(L"cap_fps"), c.fps);
    int width = 0, height = 0, fps = 0, format = 0, oneSizeOnly = 0;
    ASSERT_EQ(control->GetOutputFormat(&width, &height, &fps, &format, &oneSizeOnly), S_OK);
    EXPECT_EQ(width, static_cast<int>(c.width));
    EXPECT_EQ(height, static_cast<int>(c.height));
    EXPECT_EQ(fps, static_cast<int>(c.fps));
    EXPECT_EQ(format, 2) << "drv_format";
    EXPECT_EQ(oneSizeOnly, 1) << "drv_one_size_only";
    ASSERT_TRUE(render_->ConnectRenderer());
    EXPECT_HRESULT_SUCCEEDED(render_->Run());
    EXPECT_TRUE(render_->IsRunning());
    PatternReading reading;
    EXPECT_TRUE(WaitForWebcamFrame(client, c.choice >= 0 ? PatternFormat::NV12 : PatternFormat::YUY2, reading))
        << "the client sees the camera in its new format";
  }
}

TEST_F(FormatPage, TheCamerasOwnPagesAreOffered) {
  ASSERT_EQ(RegisterWebcams({CameraConfig{L"", {L"YUY2 320x240@30"}}}), S_OK);
  EXPECT_FALSE(render_->HasSourceProperties()) << "no source yet";
  EXPECT_FALSE(render_->ShowSourceProperties(nullptr, nullptr));
  ASSERT_TRUE(render_->OpenDevice(FirstTestCamera()));
  EXPECT_TRUE(render_->HasSourceProperties());
  FrameUser user;
  user.pageControl = kZoomSliderId;
  frameUser = &user;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, PlayFrameUser);
  EXPECT_TRUE(render_->ShowSourceProperties(nullptr, L"Camera"));
  frameUser = nullptr;
  if (!user.closed) ::KillTimer(nullptr, timer);
  EXPECT_TRUE(user.shown) << "the camera's control page never showed";
}

}  // namespace
}  // namespace orvane::testing
