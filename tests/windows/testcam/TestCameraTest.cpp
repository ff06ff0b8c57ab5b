// The synthetic webcam as applications meet it: listed by the system device enumerator, bound from
// its moniker, its capture formats read and chosen through IAMStreamConfig, connected in each format
// to a renderer built on the framework, zoom, pan and tilt through IAMCameraControl, its property
// pages, and a camera busy elsewhere.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <algorithm>
#include <cstdlib>

#include "platform/com/ComInitialization.h"
#include "platform/com/ModuleLifetime.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/VideoCapability.h"
#include "tests/windows/dshow/support/GraphTestSupport.h"
#include "tests/windows/dshow/support/TestSink.h"
#include "tests/windows/testcam/CameraTestSupport.h"
#include "tools/testcam/TestCamIds.h"
#include "tools/testcam/formats/CameraFormat.h"
#include "tools/testcam/pattern/TestPattern.h"

namespace orvane::testing {
namespace {

class TestCameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.ok());
    objectsBefore_ = ModuleLifetime::Objects();
  }

  void Register(const std::vector<CameraConfig>& cameras) {
    registration_ = std::make_unique<CameraRegistration>(cameras);
    ASSERT_EQ(registration_->registered(), S_OK);
  }

  // The first registered camera, bound as an application binds it.
  ComPtr<IBaseFilter> OpenCamera(size_t index = 0) {
    const std::vector<ListedCamera> cameras = ListTestCameras();
    EXPECT_GT(cameras.size(), index);
    return cameras.size() > index ? BindCamera(cameras[index]) : nullptr;
  }

  void TearDown() override {
    if (control_) control_->Stop();
    control_.Reset();
    graph_.Reset();
    sink_.Reset();
    if (registration_) {
      EXPECT_EQ(registration_->Unregister(), S_OK);
      EXPECT_TRUE(ListTestCameras().empty()) << "unregistered cameras are still listed";
      EXPECT_FALSE(AnyTestCameraEntryLeft());
      ::CoFreeUnusedLibraries();
      EXPECT_EQ(registration_->CanUnloadNow(), S_OK) << "the camera module still has live objects";
      registration_.reset();
    }
    EXPECT_EQ(ModuleLifetime::Objects(), objectsBefore_);
    UniqueRegKey settings;
    EXPECT_NE(::RegOpenKeyExW(HKEY_CURRENT_USER, testcam::kSettingsKey, 0, KEY_READ, settings.put()), ERROR_SUCCESS)
        << "the camera settings are left behind";
  }

  // Builds camera -> sink and runs it until `frames` samples are rendered.
  void RunInto(IBaseFilter* camera, size_t frames) {
    ASSERT_EQ(ComObject<TestSink>::Create(sink_), S_OK);
    sink_->KeepSampleData(true);
    graph_ = CreateGraph();
    ASSERT_TRUE(graph_);
    ASSERT_EQ(AddAndConnect(graph_.Get(), camera, L"Source Filter", sink_->AsBaseFilter(), L"Sink"), S_OK);
    ASSERT_EQ(graph_.As(&control_), S_OK);
    ASSERT_HRESULT_SUCCEEDED(control_->Run());
    ASSERT_TRUE(sink_->WaitForRendered(frames, kWaitMilliseconds)) << "only " << sink_->RenderedCount() << " frames";
    ASSERT_HRESULT_SUCCEEDED(control_->Stop());
  }

  ComInitialization com_;
  long objectsBefore_ = 0;
  std::unique_ptr<CameraRegistration> registration_;
  ComPtr<ComObject<TestSink>> sink_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
};

// The pattern in a rendered sample, decoding MJPG first.
PatternReading ReadSample(const RenderedSample& sample, const AM_MEDIA_TYPE& type) {
  if (type.subtype == MEDIASUBTYPE_MJPG) {
    std::vector<BYTE> bgr;
    int width = 0, height = 0, stride = 0;
    EXPECT_EQ(DecodeJpeg(sample.data, bgr, width, height, stride), S_OK);
    return ReadTestPattern({FramePixelType::RGB24, width, -height, stride}, bgr.data(), bgr.size());
  }
  const VideoMediaGeometry geometry = GeometryFromMediaType(type);
  EXPECT_TRUE(geometry.ok());
  return ReadTestPattern(geometry.frame.header, sample.data.data(), sample.data.size());
}

TEST_F(TestCameraTest, ListsEachConfiguredCameraWithNameAndPath) {
  Register({{}, {L"Second Camera", {L"RGB32 320x240@15"}}});
  const std::vector<ListedCamera> cameras = ListTestCameras();
  ASSERT_EQ(cameras.size(), 2u);
  std::vector<std::wstring> names{cameras[0].friendlyName, cameras[1].friendlyName};
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Orvane Test Camera", L"Second Camera"}));
  EXPECT_NE(cameras[0].devicePath, cameras[1].devicePath);

  for (const ListedCamera& listed : cameras) {
    const bool second = listed.friendlyName == L"Second Camera";
    EXPECT_EQ(listed.devicePath, testcam::DevicePathOf(second ? 1 : 0));
    const ComPtr<IBaseFilter> camera = BindCamera(listed);
    ASSERT_TRUE(camera);
    const ComPtr<IAMStreamConfig> config = StreamConfigOf(camera.Get());
    ASSERT_TRUE(config);
    int count = 0, size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    if (second) {
      ASSERT_EQ(count, 1) << "the bound filter offers its own camera's formats";
      VIDEO_STREAM_CONFIG_CAPS caps{};
      AM_MEDIA_TYPE* raw = nullptr;
      ASSERT_EQ(config->GetStreamCaps(0, &raw, reinterpret_cast<BYTE*>(&caps)), S_OK);
      const UniqueMediaTypePtr type(raw);
      EXPECT_EQ(type->subtype, MEDIASUBTYPE_RGB32);
      EXPECT_EQ(FrameIntervalOf(*type), 666667);
    } else {
      EXPECT_GT(count, 10) << "the default list";
    }
  }
}

TEST_F(TestCameraTest, CapabilitiesAndSetFormatRoundTrip) {
  Register({{L"", {L"YUY2 640x480@30", L"NV12 320x240@30", L"YUY2 1280x720@29.97", L"RGB24 320x-240@30",
                   L"MJPG 640x480@30", L"bogus entry"}}});
  const ComPtr<IBaseFilter> camera = OpenCamera();
  ASSERT_TRUE(camera);
  const ComPtr<IAMStreamConfig> config = StreamConfigOf(camera.Get());
  ASSERT_TRUE(config);
  int count = 0, size = 0;
  ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
  EXPECT_EQ(count, 5) << "the entry that does not parse is left out";
  EXPECT_EQ(size, 128);

  struct Expected {
    GUID subtype;
    LONG width, height;
    REFERENCE_TIME interval;
  };
  const Expected expected[] = {{MEDIASUBTYPE_YUY2, 640, 480, 333333}, {MEDIASUBTYPE_NV12, 320, 240, 333333},
                               {MEDIASUBTYPE_YUY2, 1280, 720, 333667}, {MEDIASUBTYPE_RGB24, 320, -240, 333333},
                               {MEDIASUBTYPE_MJPG, 640, 480, 333333}};
  std::vector<MediaType> types;
  for (int index = 0; index < count; ++index) {
    VIDEO_STREAM_CONFIG_CAPS caps{};
    AM_MEDIA_TYPE* raw = nullptr;
    ASSERT_EQ(config->GetStreamCaps(index, &raw, reinterpret_cast<BYTE*>(&caps)), S_OK);
    const UniqueMediaTypePtr type(raw);
    const BITMAPINFOHEADER* header = BitmapHeaderOf(*type);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(type->subtype, expected[index].subtype) << index;
    EXPECT_EQ(header->biWidth, expected[index].width) << index;
    EXPECT_EQ(header->biHeight, expected[index].height) << index;
    EXPECT_EQ(FrameIntervalOf(*type), expected[index].interval) << index;
    EXPECT_EQ(caps.MaxOutputSize.cx, expected[index].width);
    EXPECT_EQ(caps.MaxOutputSize.cy, std::abs(expected[index].height));
    EXPECT_EQ(caps.MinFrameInterval, expected[index].interval);
    types.emplace_back();
    types.back().Assign(*type);
  }
  VIDEO_STREAM_CONFIG_CAPS caps{};
  AM_MEDIA_TYPE* none = nullptr;
  EXPECT_EQ(config->GetStreamCaps(count, &none, reinterpret_cast<BYTE*>(&caps)), S_FALSE);
  EXPECT_EQ(config->GetStreamCaps(-1, &none, reinterpret_cast<BYTE*>(&caps)), E_INVALIDARG);
  EXPECT_EQ(config->GetStreamCaps(0, nullptr, reinterpret_cast<BYTE*>(&caps)), E_POINTER);
  EXPECT_EQ(config->GetNumberOfCapabilities(nullptr, &size), E_POINTER);
  EXPECT_EQ(config->SetFormat(nullptr), E_POINTER);
  EXPECT_EQ(config->GetFormat(nullptr), E_POINTER);

  AM_MEDIA_TYPE* raw = nullptr;
  ASSERT_EQ(config->GetFormat(&raw), S_OK);
  UniqueMediaTypePtr current(raw);
  EXPECT_EQ(current->subtype, MEDIASUBTYPE_YUY2) << "the first capability is the default";

  // A slower rate within the capability's range is kept as asked.
  reinterpret_cast<VIDEOINFOHEADER*>(types[2]->pbFormat)->AvgTimePerFrame = 666666;
  ASSERT_EQ(config->SetFormat(&types[2].get()), S_OK);
  ASSERT_EQ(config->GetFormat(&raw), S_OK);
  current.reset(raw);
  EXPECT_EQ(BitmapHeaderOf(*current)->biWidth, 1280);
  EXPECT_EQ(FrameIntervalOf(*current), 666666);

  ComPtr<IPin> pin;
  ASSERT_EQ(config.As(&pin), S_OK);
  ComPtr<IEnumMediaTypes> offered;
  ASSERT_EQ(pin->EnumMediaTypes(&offered), S_OK);
  AM_MEDIA_TYPE* first = nullptr;
  ASSERT_EQ(offered->Next(1, &first, nullptr), S_OK);
  const UniqueMediaTypePtr only(first);
  EXPECT_EQ(BitmapHeaderOf(*only)->biWidth, 1280) << "a chosen format is the only one offered";
  AM_MEDIA_TYPE* second = nullptr;
  EXPECT_EQ(offered->Next(1, &second, nullptr), S_FALSE);

  MediaType unknown;
  unknown.Assign(types[0].get());
  reinterpret_cast<VIDEOINFOHEADER*>(unknown->pbFormat)->bmiHeader.biWidth = 800;
  EXPECT_EQ(config->SetFormat(&unknown.get()), VFW_E_INVALIDMEDIATYPE);
  reinterpret_cast<VIDEOINFOHEADER*>(types[1]->pbFormat)->AvgTimePerFrame = 100000;
  EXPECT_EQ(config->SetFormat(&types[1].get()), VFW_E_INVALIDMEDIATYPE) << "faster than the camera can";
}

TEST_F(TestCameraTest, DeliversItsPatternInEachFormat) {
  // Every format of the default list, and a top-down RGB picture.
  std::vector<std::wstring> formats;
  for (const CameraFormat& format : DefaultCameraFormats()) {
    const std::string text = DescribeCameraFormat(format);
    formats.emplace_back(text.begin(), text.end());
  }
  formats.emplace_back(L"RGB24 320x-240@30");
  Register({{L"", formats}});
  for (int index = 0; index < static_cast<int>(formats.size()); ++index) {
    SCOPED_TRACE(::testing::Message() << "format " << std::string(formats[index].begin(), formats[index].end()));
    const ComPtr<IBaseFilter> camera = OpenCamera();
    ASSERT_TRUE(camera);
    const ComPtr<IAMStreamConfig> config = StreamConfigOf(camera.Get());
    VIDEO_STREAM_CONFIG_CAPS caps{};
    AM_MEDIA_TYPE* raw = nullptr;
    ASSERT_EQ(config->GetStreamCaps(index, &raw, reinterpret_cast<BYTE*>(&caps)), S_OK);
    const UniqueMediaTypePtr type(raw);
    ASSERT_EQ(config->SetFormat(type.get()), S_OK);

    RunInto(camera.Get(), 3);
    const MediaType connected = sink_->ConnectedType();
    EXPECT_EQ(connected->subtype, type->subtype);
    const std::vector<RenderedSample> rendered = sink_->Rendered();
    const BITMAPINFOHEADER* header = BitmapHeaderOf(*type);
    const REFERENCE_TIME interval = FrameIntervalOf(*type);
    uint32_t previousFrame = 0;
    for (size_t n = 0; n < rendered.size(); ++n) {
      const RenderedSample& sample = rendered[n];
      if (type->subtype != MEDIASUBTYPE_MJPG) {
        EXPECT_EQ(static_cast<DWORD>(sample.length), header->biSizeImage) << "sample " << n;
      }
      const PatternReading reading = ReadSample(sample, connected.get());
      ASSERT_TRUE(reading.found) << "sample " << n << ": " << reading.failure;
      EXPECT_EQ(reading.payload.width, header->biWidth);
      EXPECT_EQ(reading.payload.height, std::abs(header->biHeight));
      EXPECT_EQ(reading.payload.cameraIndex, 0);
      EXPECT_EQ(reading.quarterTurns, 0) << "upright in every layout";
      EXPECT_FALSE(reading.mirrored);
      EXPECT_TRUE(sample.hasTime);
      EXPECT_GE(sample.start, 0);
      EXPECT_EQ(sample.stop - sample.start, interval);
      if (n > 0) {
        EXPECT_EQ(reading.payload.frameNumber, previousFrame + 1) << "frames arrive in order";
        EXPECT_GE(sample.start - rendered[n - 1].start, interval);
      }
      previousFrame = reading.payload.frameNumber;
    }
    control_.Reset();
    graph_.Reset();
    sink_.Reset();
  }
}

TEST_F(TestCameraTest, ConnectedCameraReconnectsForANewFormat) {
  Register({{L"", {L"YUY2 320x240@30", L"NV12 320x240@30", L"RGB32 320x240@30"}}});
  const ComPtr<IBaseFilter> camera = OpenCamera();
  ASSERT_TRUE(camera);
  ASSERT_EQ(ComObject<TestSink>::Create(sink_), S_OK);
  sink_->AcceptOnly({MEDIASUBTYPE_YUY2, MEDIASUBTYPE_NV12});
  sink_->KeepSampleData(true);
  graph_ = CreateGraph();
  ASSERT_EQ(AddAndConnect(graph_.Get(), camera.Get(), L"Source Filter", sink_->AsBaseFilter(), L"Sink"), S_OK);
  EXPECT_EQ(sink_->ConnectedType()->subtype, MEDIASUBTYPE_YUY2);

  const ComPtr<IAMStreamConfig> config = StreamConfigOf(camera.Get());
  std::vector<MediaType> types(3);
  for (int index = 0; index < 3; ++index) {
    VIDEO_STREAM_CONFIG_CAPS caps{};
    AM_MEDIA_TYPE* raw = nullptr;
    ASSERT_EQ(config->GetStreamCaps(index, &raw, reinterpret_cast<BYTE*>(&caps)), S_OK);
    const UniqueMediaTypePtr type(raw);
    types[index].Assign(*type);
  }
  ASSERT_EQ(config->SetFormat(&types[1].get()), S_OK);
  EXPECT_EQ(sink_->ConnectedType()->subtype, MEDIASUBTYPE_NV12) << "connected again in the new format";
  EXPECT_EQ(config->SetFormat(&types[2].get()), VFW_E_INVALIDMEDIATYPE) << "the renderer takes no RGB32";
  EXPECT_EQ(sink_->ConnectedType()->subtype, MEDIASUBTYPE_NV12) << "the connection stays";
  ComPtr<IPin> renderer;
  const ComPtr<IPin> capture = FindPin(camera.Get(), PINDIR_OUTPUT);
  EXPECT_EQ(capture->ConnectedTo(&renderer), S_OK);

  ASSERT_EQ(graph_.As(&control_), S_OK);
  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  ASSERT_TRUE(sink_->WaitForRendered(2, kWaitMilliseconds));
  const PatternReading reading = ReadSample(sink_->Rendered().back(), sink_->ConnectedType().get());
  ASSERT_TRUE(reading.found) << reading.failure;
  EXPECT_EQ(reading.payload.format, PatternFormat::NV12);
}

TEST_F(TestCameraTest, CameraControlRangesAndStepping) {
  Register({{L"", {L"YUY2 320x240@30"}}, {L"Fixed Camera", {L"YUY2 320x240@30"}, false}});
  const std::vector<ListedCamera> cameras = ListTestCameras();
  ASSERT_EQ(cameras.size(), 2u);
  const size_t fixed = cameras[0].friendlyName == L"Fixed Camera" ? 0 : 1;
  const ComPtr<IBaseFilter> camera = BindCamera(cameras[1 - fixed]);
  ComPtr<IAMCameraControl> control;
  ASSERT_EQ(camera.As(&control), S_OK);

  struct Range {
    long property, minimum, maximum, step, defaultValue;
  };
  for (const Range& expected : {Range{CameraControl_Zoom, 100, 400, 10, 100}, Range{CameraControl_Pan, -10, 10, 1, 0},
                                Range{CameraControl_Tilt, -10, 10, 1, 0}}) {
    long minimum = 0, maximum = 0, step = 0, defaultValue = 0, flags = 0;
    ASSERT_EQ(control->GetRange(expected.property, &minimum, &maximum, &step, &defaultValue, &flags), S_OK);
    EXPECT_EQ(minimum, expected.minimum);
    EXPECT_EQ(maximum, expected.maximum);
    EXPECT_EQ(step, expected.step);
    EXPECT_EQ(defaultValue, expected.defaultValue);
    EXPECT_EQ(flags, CameraControl_Flags_Manual);
    long value = 0;
    ASSERT_EQ(control->Get(expected.property, &value, &flags), S_OK);
    EXPECT_EQ(value, expected.defaultValue);
  }
  struct SetCase {
    const char* name;
    long property, value, flags;
    HRESULT expected;
  };
  const SetCase sets[] = {
      {"zoom on a step", CameraControl_Zoom, 150, CameraControl_Flags_Manual, S_OK},
      {"zoom between steps", CameraControl_Zoom, 155, CameraControl_Flags_Manual, E_INVALIDARG},
      {"zoom beyond the maximum", CameraControl_Zoom, 410, CameraControl_Flags_Manual, E_INVALIDARG},
      {"pan at the minimum", CameraControl_Pan, -10, CameraControl_Flags_Manual, S_OK},
      {"tilt automatic", CameraControl_Tilt, 0, CameraControl_Flags_Auto, E_INVALIDARG},
      {"focus", CameraControl_Focus, 0, CameraControl_Flags_Manual, E_PROP_ID_UNSUPPORTED},
  };
  for (const SetCase& c : sets) EXPECT_EQ(control->Set(c.property, c.value, c.flags), c.expected) << c.name;
  long value = 0, flags = 0;
  ASSERT_EQ(control->Get(CameraControl_Zoom, &value, &flags), S_OK);
  EXPECT_EQ(value, 150) << "refused values change nothing";
  EXPECT_EQ(control->Get(CameraControl_Zoom, nullptr, &flags), E_POINTER);
  EXPECT_EQ(control->GetRange(CameraControl_Zoom, nullptr, &value, &value, &value, &value), E_POINTER);

  // Every frame tells the camera's zoom, pan and tilt.
  RunInto(camera.Get(), 2);
  const PatternReading reading = ReadSample(sink_->Rendered().back(), sink_->ConnectedType().get());
  ASSERT_TRUE(reading.found) << reading.failure;
  EXPECT_EQ(reading.payload.zoom, 150);
  EXPECT_EQ(reading.payload.pan, -10);
  EXPECT_EQ(reading.payload.tilt, 0);

  const ComPtr<IBaseFilter> fixedCamera = BindCamera(cameras[fixed]);
  ComPtr<IAMCameraControl> absent;
  EXPECT_EQ(fixedCamera.As(&absent), E_NOINTERFACE) << "a camera without camera control";
  ComPtr<ISpecifyPropertyPages> noPages;
  EXPECT_EQ(fixedCamera.As(&noPages), E_NOINTERFACE);
}

TEST_F(TestCameraTest, BusyCameraRefusesToRun) {
  Register({{L"", {L"YUY2 320x240@30"}}});
  const ComPtr<IBaseFilter> camera = OpenCamera();
  ASSERT_TRUE(camera);
  ASSERT_EQ(ComObject<TestSink>::Create(sink_), S_OK);
  graph_ = CreateGraph();
  ASSERT_EQ(AddAndConnect(graph_.Get(), camera.Get(), L"Source Filter", sink_->AsBaseFilter(), L"Sink"), S_OK);
  ASSERT_EQ(graph_.As(&control_), S_OK);

  CameraRegistration::SetBusy(0, true);
  EXPECT_EQ(control_->Run(), testcam::kCameraBusy);
  FILTER_STATE cameraState = State_Running;
  EXPECT_EQ(camera->GetState(0, &cameraState), S_OK);
  EXPECT_EQ(cameraState, State_Stopped) << "a busy camera stays stopped";
  EXPECT_EQ(sink_->RenderedCount(), 0u);
  control_->Stop();

  CameraRegistration::SetBusy(0, false);
  ASSERT_HRESULT_SUCCEEDED(control_->Run()) << "free again, the same camera starts";
  EXPECT_TRUE(sink_->WaitForRendered(2, kWaitMilliseconds));
  const ComPtr<IAMStreamConfig> config = StreamConfigOf(camera.Get());
  AM_MEDIA_TYPE* raw = nullptr;
  ASSERT_EQ(config->GetFormat(&raw), S_OK);
  const UniqueMediaTypePtr type(raw);
  EXPECT_EQ(config->SetFormat(type.get()), VFW_E_NOT_STOPPED);
}

}  // namespace
}  // namespace orvane::testing
