// NimbRenderer in real graphs under Wine: the synthetic webcam feeding a virtual camera device through
// the renderer, as a call app sees it, in every layout the renderer takes and through the decoder the
// graph manager places for MJPG; a renderer without any virtual camera; the sample length rules; a
// media type that a sample announces in the middle of the stream; and nothing reaching the device while
// the graph is paused.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>
#include <dvdmedia.h>

#include <algorithm>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "platform/dshow/MediaType.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/dshow/support/GraphTestSupport.h"
#include "tests/windows/renderer/support/FramePushSource.h"
#include "tests/windows/renderer/support/RendererTestSupport.h"
#include "tests/windows/testcam/CameraTestSupport.h"

namespace orvane::testing {
namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The subtype the renderer's input pin is connected with.
GUID ConnectedSubtype(IBaseFilter* renderer) {
  AM_MEDIA_TYPE type{};
  const ComPtr<IPin> in = FindPin(renderer, PINDIR_INPUT);
  if (!in || FAILED(in->ConnectionMediaType(&type))) return GUID_NULL;
  const GUID subtype = type.subtype;
  FreeMediaTypeContent(type);
  return subtype;
}

class NimbRendererGraph : public RendererTest {};

// Each uncompressed layout connects directly; MJPG goes through whatever decoder the graph manager
// finds. The client reads the device in one fixed layout and sees the webcam's pattern upright.
TEST_F(NimbRendererGraph, ClientSeesTheWebcamInEveryLayout) {
  const InstalledCameras devices(1);
  ASSERT_EQ(devices.result(), S_OK);
  struct Case {
    const wchar_t* format;
    GUID subtype;
    PatternFormat produced;
    FrameHeader delivered;
  };
  const Case cases[] = {
      {L"RGB24 640x480@30", MEDIASUBTYPE_RGB24, PatternFormat::RGB24, {FramePixelType::RGB24, 640, 480, 1920}},
      {L"RGB32 640x480@30", MEDIASUBTYPE_RGB32, PatternFormat::RGB32, {FramePixelType::RGB32, 640, 480, 2560}},
      {L"YUY2 640x480@30", MEDIASUBTYPE_YUY2, PatternFormat::YUY2, {FramePixelType::YUY2, 640, 480, 1280}},
      {L"NV12 640x480@30", MEDIASUBTYPE_NV12, PatternFormat::NV12, {FramePixelType::NV12, 640, 480, 640}},
  };
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 480), S_OK);
  DeviceWatch device(0);
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.format));
    const CameraRegistration webcam({CameraConfig{L"", {c.format}}});
    ASSERT_EQ(webcam.registered(), S_OK);
    ComPtr<IBaseFilter> renderer;
    ASSERT_EQ(module_.CreateRenderer(renderer), S_OK);
    WebcamGraph graph;
    ASSERT_EQ(graph.Build(renderer.Get()), S_OK);
    EXPECT_EQ(ConnectedSubtype(renderer.Get()), c.subtype) << "connected without a converter";
    ASSERT_HRESULT_SUCCEEDED(graph.Run());
    PatternReading reading;
    ASSERT_TRUE(WaitForWebcamFrame(client, c.produced, reading)) << "the webcam's frames did not arrive";
    EXPECT_EQ(reading.quarterTurns, 0);
    EXPECT_FALSE(reading.mirrored);
    EXPECT_NEAR(reading.scaleX, 1.0, 0.04);
    EXPECT_NEAR(reading.scaleY, 1.0, 0.04);
    FrameHeader header{};
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(device.Latest(header, pixels));
    EXPECT_EQ(header, c.delivered) << "the connection's geometry, in the source layout";
    ASSERT_HRESULT_SUCCEEDED(graph.Stop());
  }
}

TEST_F(NimbRendererGraph, ClientSeesAnMjpgWebcamThroughTheGraphManagersDecoder) {
  const InstalledCameras devices(1);
  ASSERT_EQ(devices.result(), S_OK);
  const CameraRegistration webcam({CameraConfig{L"", {L"MJPG 640x480@30"}}});
  ASSERT_EQ(webcam.registered(), S_OK);
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(module_.CreateRenderer(renderer), S_OK);
  WebcamGraph graph;
  const HRESULT connected = graph.Build(renderer.Get());
  std::string filters;
  for (const std::wstring& name : graph.FilterNames()) filters += " [" + Narrow(name) + "]";
  // Wine 8 registers no MJPG decoder (its AVI Decompressor finds no codec for it); Windows has one.
  if (connected == VFW_E_CANNOT_CONNECT && graph.FilterNames().size() == 2) {
    GTEST_SKIP() << "the graph manager has no MJPG decoder here";
  }
  ASSERT_EQ(connected, S_OK) << "graph:" << filters;
  EXPECT_GE(graph.FilterNames().size(), 3u) << "a decoder sits between:" << filters;
  const GUID subtype = ConnectedSubtype(renderer.Get());
  EXPECT_TRUE(subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_YUY2 ||
              subtype == MEDIASUBTYPE_NV12);
  ASSERT_HRESULT_SUCCEEDED(graph.Run());
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 480), S_OK);
  PatternReading reading;
  ASSERT_TRUE(WaitForWebcamFrame(client, PatternFormat::MJPG, reading));
  EXPECT_EQ(reading.quarterTurns, 0);
  EXPECT_FALSE(reading.mirrored);
}

// What the renderer's pin takes: the four layouts in either format block; anything else is refused
// with VFW_E_TYPE_NOT_ACCEPTED (so the graph manager looks for a converter), also a format block that
// does not describe a frame.
TEST_F(NimbRendererGraph, AcceptsTheFourLayoutsAndRefusesOtherTypes) {
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(module_.CreateRenderer(renderer), S_OK);
  const ComPtr<IPin> in = FindPin(renderer.Get(), PINDIR_INPUT);
  ASSERT_TRUE(in);
  ComPtr<ComObject<FramePushSource>> source;
  ASSERT_EQ(ComObject<FramePushSource>::Create(source, MakeVideoType(MEDIASUBTYPE_YUY2, 64, 48), 64 * 48 * 2), S_OK);
  const ComPtr<IPin> out = FindPin(source->AsBaseFilter(), PINDIR_OUTPUT);

  const auto withSubtype = [](const GUID& subtype, bool videoInfo2) {
    return MakeVideoType(subtype, 64, 48, videoInfo2);
  };
  struct Case {
    const char* what;
    MediaType type;
    HRESULT expected;
  };
  std::vector<Case> cases;
  for (const GUID* subtype : {&MEDIASUBTYPE_RGB24, &MEDIASUBTYPE_RGB32, &MEDIASUBTYPE_YUY2, &MEDIASUBTYPE_NV12}) {
    cases.push_back({"accepted layout", withSubtype(*subtype, false), S_OK});
    cases.push_back({"accepted layout, VIDEOINFOHEADER2", withSubtype(*subtype, true), S_OK});
  }
  cases.push_back({"MJPG", withSubtype(MEDIASUBTYPE_MJPG, false), VFW_E_TYPE_NOT_ACCEPTED});
  cases.push_back({"I420", withSubtype(MEDIASUBTYPE_IYUV, false), VFW_E_TYPE_NOT_ACCEPTED});
  cases.push_back({"RGB565", withSubtype(MEDIASUBTYPE_RGB565, false), VFW_E_TYPE_NOT_ACCEPTED});
  MediaType audio = withSubtype(MEDIASUBTYPE_YUY2, false);
  audio->majortype = MEDIATYPE_Audio;
  cases.push_back({"not video", std::move(audio), VFW_E_TYPE_NOT_ACCEPTED});
  MediaType otherFormat = withSubtype(MEDIASUBTYPE_YUY2, false);
  otherFormat->formattype = FORMAT_MPEGVideo;
  cases.push_back({"other format type", std::move(otherFormat), VFW_E_TYPE_NOT_ACCEPTED});
  MediaType shortBlock = withSubtype(MEDIASUBTYPE_YUY2, false);
  shortBlock->cbFormat = 40;
  cases.push_back({"format block too short", std::move(shortBlock), VFW_E_TYPE_NOT_ACCEPTED});
  MediaType noWidth = withSubtype(MEDIASUBTYPE_YUY2, false);
  reinterpret_cast<VIDEOINFOHEADER*>(noWidth->pbFormat)->bmiHeader.biWidth = 0;
  cases.push_back({"no width", std::move(noWidth), VFW_E_TYPE_NOT_ACCEPTED});
  for (const Case& c : cases) {
    EXPECT_EQ(in->ReceiveConnection(out.Get(), &c.type.get()), c.expected) << c.what;
    in->Disconnect();
  }
  EXPECT_EQ(in->ReceiveConnection(out.Get(), nullptr), E_POINTER);
}

// Without any virtual camera the filter still connects and runs and every sample is rendered with
// S_OK; only the control interface is refused, with E_FAIL.
TEST_F(NimbRendererGraph, RunsWithoutAVirtualCameraAndRefusesTheControlInterface) {
  ASSERT_EQ(InstalledCameras::RemoveAll(), S_OK);
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(module_.CreateRenderer(renderer), S_OK);
  ComPtr<INimbRenderer> control;
  EXPECT_EQ(renderer->QueryInterface(IID_PPV_ARGS(&control)), E_FAIL);
  EXPECT_FALSE(control);
  ComPtr<IBaseFilter> asFilter;
  EXPECT_EQ(renderer->QueryInterface(IID_PPV_ARGS(&asFilter)), S_OK) << "the other interfaces are there";

  ComPtr<ComObject<FramePushSource>> source;
  ASSERT_EQ(ComObject<FramePushSource>::Create(source, MakeVideoType(MEDIASUBTYPE_RGB32, 64, 48), 64 * 48 * 4), S_OK);
  const ComPtr<IGraphBuilder> graph = CreateGraph();
  ASSERT_EQ(AddAndConnect(graph.Get(), source->AsBaseFilter(), L"Source", renderer.Get(), L"Renderer"), S_OK);
  ComPtr<IMediaControl> control2;
  ASSERT_EQ(graph.As(&control2), S_OK);
  ASSERT_HRESULT_SUCCEEDED(control2->Run());
  for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(source->Push(nullptr, 64 * 48 * 4), S_OK);
  OAFilterState state = State_Stopped;
  EXPECT_EQ(control2->GetState(kWaitMilliseconds, &state), S_OK);
  EXPECT_EQ(state, State_Running);
  ASSERT_HRESULT_SUCCEEDED(control2->Stop());
}

// One push source into the renderer and device 0, samples pushed by the test.
class NimbRendererSamples : public RendererTest {
 protected:
  void Connect(const MediaType& type, long bufferSize) {
    ASSERT_EQ(module_.CreateRenderer(renderer_), S_OK);
    ASSERT_EQ(ComObject<FramePushSource>::Create(source_, type, bufferSize), S_OK);
    graph_ = CreateGraph();
    ASSERT_EQ(AddAndConnect(graph_.Get(), source_->AsBaseFilter(), L"Source", renderer_.Get(), L"Renderer"), S_OK);
    ASSERT_EQ(graph_.As(&control_), S_OK);
  }
  // Stops the graph (releasing a push a failed test left waiting) and lets go of everything.
  void Release() {
    if (control_) control_->Stop();
    if (pending_.valid()) Join(pending_);
    control_.Reset();
    graph_.Reset();
    source_.Reset();
    renderer_.Reset();
  }
  void TearDown() override {
    Release();
    RendererTest::TearDown();
  }

  InstalledCameras devices_{1};
  ComPtr<IBaseFilter> renderer_;
  ComPtr<ComObject<FramePushSource>> source_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
  std::future<HRESULT> pending_;
};

// A sample is delivered when it holds the connection's whole image, and skipped (S_OK all the same)
// when it is even one byte short; a longer sample delivers the image it starts with.
TEST_F(NimbRendererSamples, DeliversWholeSamplesAndSkipsShortOnes) {
  ASSERT_EQ(devices_.result(), S_OK);
  struct Case {
    const char* what;
    GUID subtype;
    int32_t width, height;
    bool videoInfo2;
    FrameHeader delivered;
  };
  const Case cases[] = {
      {"YUY2 1280x720, VIDEOINFOHEADER2", MEDIASUBTYPE_YUY2, 1280, 720, true, {FramePixelType::YUY2, 1280, 720, 2560}},
      {"NV12 640x480", MEDIASUBTYPE_NV12, 640, 480, false, {FramePixelType::NV12, 640, 480, 640}},
      {"RGB24 318x240 (padded rows)", MEDIASUBTYPE_RGB24, 318, 240, false, {FramePixelType::RGB24, 318, 240, 956}},
  };
  DeviceWatch device(0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const long image = static_cast<long>(ImageSize(c.delivered.pixelType, c.delivered.height, c.delivered.stride));
    Connect(MakeVideoType(c.subtype, c.width, c.height, c.videoInfo2), image + 16);
    ASSERT_HRESULT_SUCCEEDED(control_->Run());
    std::vector<uint8_t> picture(static_cast<size_t>(image) + 16);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint8_t>(i * 7 + 3);

    const uint64_t before = device.frames();
    EXPECT_EQ(source_->Push(picture.data(), image - 1), S_OK);
    EXPECT_EQ(source_->Push(picture.data(), 0), S_OK);
    EXPECT_EQ(device.frames(), before) << "a short or empty sample reaches the device";
    EXPECT_EQ(source_->Push(picture.data(), image), S_OK);
    EXPECT_EQ(device.frames(), before + 1);
    FrameHeader header{};
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(device.Latest(header, pixels));
    EXPECT_EQ(header, c.delivered);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), picture.begin())) << "the pixels as sent";
    EXPECT_EQ(source_->Push(picture.data(), image + 16), S_OK);
    EXPECT_EQ(device.frames(), before + 2) << "a longer sample is delivered too";
    Release();
  }
}

// The geometry of the type the renderer's input pin is connected with now.
FrameHeader ConnectedGeometry(IBaseFilter* renderer) {
  MediaType type;
  const ComPtr<IPin> in = FindPin(renderer, PINDIR_INPUT);
  if (!in || FAILED(in->ConnectionMediaType(&type.get()))) return {};
  return GeometryFromMediaType(type.get()).frame.header;
}

// The webcam's pattern drawn at `frame`'s size and layout, saying that size about itself, so that a
// client can tell the size the renderer delivered and that the picture came through whole.
std::vector<uint8_t> PatternPicture(const FrameHeader& frame, PatternFormat format) {
  std::vector<uint8_t> pixels(CheckFrameGeometry(frame).imageSize);
  PatternPayload payload;
  payload.width = static_cast<uint16_t>(frame.width);
  payload.height = static_cast<uint16_t>(frame.height < 0 ? -frame.height : frame.height);
  payload.format = format;
  EXPECT_EQ(WriteTestPattern(frame, pixels.data(), pixels.size(), payload), PatternWriteStatus::Written);
  return pixels;
}

// A source that announces a new type with a sample, mid-stream: an acceptable one holds from that
// sample on (its size and layout reach the device and the client reads the picture whole), also for
// the samples after it; one the renderer would not connect with is refused with its sample, and the
// stream goes on in the type before.
TEST_F(NimbRendererSamples, TakesATypeThatASampleAnnouncesAndRefusesAnUnacceptableOne) {
  ASSERT_EQ(devices_.result(), S_OK);
  constexpr long kLargest = 640 * 480 * 2;
  Connect(MakeVideoType(MEDIASUBTYPE_YUY2, 320, 240), kLargest);
  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  CameraClient client;
  ASSERT_EQ(client.Open(0, FramePixelType::YUY2, 640, 480), S_OK);
  DeviceWatch device(0);

  MediaType noWidth = MakeVideoType(MEDIASUBTYPE_RGB32, 160, 120);
  reinterpret_cast<VIDEOINFOHEADER*>(noWidth->pbFormat)->bmiHeader.biWidth = 0;
  struct Step {
    const char* what;
    const AM_MEDIA_TYPE* announced;  // null: the sample carries no type
    FrameHeader picture;             // what the sample holds
    PatternFormat format;
    HRESULT expected;
    bool delivered;
  };
  const MediaType larger = MakeVideoType(MEDIASUBTYPE_YUY2, 640, 480);
  const MediaType smallerRgb = MakeVideoType(MEDIASUBTYPE_RGB32, 160, 120);
  const MediaType nv12 = MakeVideoType(MEDIASUBTYPE_NV12, 320, 240, true);
  const MediaType mjpg = MakeVideoType(MEDIASUBTYPE_MJPG, 640, 480);
  using T = FramePixelType;
  const Step steps[] = {
      {"the connection's type", nullptr, {T::YUY2, 320, 240, 640}, PatternFormat::YUY2, S_OK, true},
      {"a larger size", &larger.get(), {T::YUY2, 640, 480, 1280}, PatternFormat::YUY2, S_OK, true},
      {"the larger size holds on", nullptr, {T::YUY2, 640, 480, 1280}, PatternFormat::YUY2, S_OK, true},
      {"a smaller size in another layout", &smallerRgb.get(), {T::RGB32, 160, 120, 640}, PatternFormat::RGB32, S_OK,
       true},
      {"NV12 in VIDEOINFOHEADER2", &nv12.get(), {T::NV12, 320, 240, 320}, PatternFormat::NV12, S_OK, true},
      {"MJPG is refused", &mjpg.get(), {T::YUY2, 640, 480, 1280}, PatternFormat::YUY2, VFW_E_INVALIDMEDIATYPE, false},
      {"a format without a width is refused", &noWidth.get(), {T::RGB32, 160, 120, 640}, PatternFormat::RGB32,
       VFW_E_INVALIDMEDIATYPE, false},
      {"the stream goes on in the type before", nullptr, {T::NV12, 320, 240, 320}, PatternFormat::NV12, S_OK, true},
  };
  FrameHeader current{T::YUY2, 320, 240, 640};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const std::vector<uint8_t> picture = PatternPicture(step.picture, step.format);
    const uint64_t before = device.frames();
    EXPECT_EQ(source_->Push(picture.data(), static_cast<long>(picture.size()), step.announced), step.expected);
    if (step.delivered) current = step.picture;
    EXPECT_EQ(ConnectedGeometry(renderer_.Get()), current) << "the pin's current type";
    EXPECT_EQ(device.frames(), before + (step.delivered ? 1 : 0));
    if (!step.delivered) continue;
    FrameHeader header{};
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(device.Latest(header, pixels));
    EXPECT_EQ(header, step.picture);
    EXPECT_TRUE(pixels == picture) << "the pixels as sent";
    std::vector<uint8_t> seen;
    EXPECT_TRUE(client.WaitForProducerSize(static_cast<uint16_t>(step.picture.width),
                                           static_cast<uint16_t>(step.picture.height), seen))
        << "the client reads the picture at its new size";
  }
}

// A paused renderer holds the first sample: the device receives nothing until the graph runs.
TEST_F(NimbRendererSamples, PausedGraphDeliversNothingUntilRun) {
  ASSERT_EQ(devices_.result(), S_OK);
  Connect(MakeVideoType(MEDIASUBTYPE_RGB32, 64, 48), 64 * 48 * 4);
  DeviceWatch device(0);
  const uint64_t before = device.frames();
  ASSERT_HRESULT_SUCCEEDED(control_->Pause());
  ComPtr<ComObject<FramePushSource>> source = source_;
  pending_ = RunOnThread([source] { return source->Push(nullptr, 64 * 48 * 4); });
  OAFilterState state = State_Stopped;
  ASSERT_EQ(control_->GetState(kWaitMilliseconds, &state), S_OK) << "the held sample completes the pause";
  EXPECT_EQ(state, State_Paused);
  EXPECT_TRUE(StillRunning(pending_)) << "Receive waits while paused";
  EXPECT_EQ(device.frames(), before) << "a paused graph delivered a frame";
  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  EXPECT_EQ(Join(pending_), S_OK);
  EXPECT_EQ(device.frames(), before + 1) << "the held frame reaches the device at Run";
}

}  // namespace
}  // namespace orvane::testing
