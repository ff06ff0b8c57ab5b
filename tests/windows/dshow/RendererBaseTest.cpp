// The renderer base in real graphs (Wine's filter graph manager, system clock and memory allocator):
// a push source feeds a test sink; samples are pushed from a helper thread wherever Receive may block.
// Samples may announce a new media type, which the input pin agrees on with the renderer.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <future>
#include <optional>

#include "platform/com/ComInitialization.h"
#include "platform/com/ModuleLifetime.h"
#include "tests/windows/dshow/support/GraphTestSupport.h"
#include "tests/windows/dshow/support/SinkGraphTest.h"
#include "tests/windows/dshow/support/TestSink.h"
#include "tests/windows/dshow/support/TestSources.h"

namespace orvane::testing {
namespace {

constexpr REFERENCE_TIME kMillisecond = 10000;

class RendererGraphTest : public SinkGraphTest<TestPushSource> {
 protected:
  void SetUp() override { Build(); }

  void TearDown() override {
    StopGraph();
    if (push_.valid()) Join(push_);
    SinkGraphTest::TearDown();
  }

  // Pushes one sample from a helper thread; `start` absent means no time stamps.
  void PushFromThread(std::optional<REFERENCE_TIME> start) {
    ComPtr<ComObject<TestPushSource>> source = source_;
    push_ = RunOnThread([source, start] {
      if (!start) return source->Push(nullptr, nullptr);
      const REFERENCE_TIME stop = *start + kTestFrameInterval;
      return source->Push(&*start, &stop);
    });
  }

  HRESULT GraphState(DWORD milliseconds, OAFilterState& state) { return control_->GetState(milliseconds, &state); }

  void PauseUntilHeld() {
    ASSERT_HRESULT_SUCCEEDED(control_->Pause());
    PushFromThread(0);
    OAFilterState state = State_Stopped;
    ASSERT_EQ(GraphState(kWaitMilliseconds, state), S_OK) << "the held sample completes the pause";
    ASSERT_EQ(state, State_Paused);
    ASSERT_TRUE(StillRunning(push_)) << "Receive waits while the renderer is paused";
  }

  std::future<HRESULT> push_;
};

TEST_F(RendererGraphTest, PauseHoldsTheFirstSampleAndRunRendersIt) {
  ASSERT_HRESULT_SUCCEEDED(control_->Pause());
  FILTER_STATE filterState;
  EXPECT_EQ(sink_->GetState(0, &filterState), VFW_S_STATE_INTERMEDIATE) << "no sample yet";

  PauseUntilHeld();
  EXPECT_EQ(sink_->RenderedCount(), 0u) << "a paused renderer renders nothing";
  EXPECT_EQ(sink_->HeldNotifications(), 1u);

  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  EXPECT_EQ(Join(push_), S_OK);
  ASSERT_EQ(sink_->RenderedCount(), 1u);
  EXPECT_EQ(sink_->Rendered()[0].length, kTestFrameBytes);
}

TEST_F(RendererGraphTest, StopReleasesAWaitingReceiveAndTheGraphRestarts) {
  PauseUntilHeld();
  ASSERT_HRESULT_SUCCEEDED(control_->Stop());
  EXPECT_EQ(Join(push_), VFW_E_WRONG_STATE) << "the held sample is dropped";
  EXPECT_EQ(sink_->RenderedCount(), 0u);
  EXPECT_EQ(source_->Push(nullptr, nullptr), VFW_E_NOT_COMMITTED) << "stopped: no buffers";

  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  PushFromThread(std::nullopt);
  EXPECT_EQ(Join(push_), S_OK);
  EXPECT_TRUE(sink_->WaitForRendered(1, kWaitMilliseconds)) << "after a restart samples render again";
}

TEST_F(RendererGraphTest, FlushReleasesAWaitingReceiveAndDropsTheHeldSample) {
  PauseUntilHeld();
  ASSERT_EQ(sink_->Pin()->BeginFlush(), S_OK);
  EXPECT_EQ(Join(push_), S_OK);
  EXPECT_EQ(source_->Push(nullptr, nullptr), S_FALSE) << "samples are refused while flushing";
  ASSERT_EQ(sink_->Pin()->EndFlush(), S_OK);
  FILTER_STATE filterState;
  EXPECT_EQ(sink_->GetState(0, &filterState), VFW_S_STATE_INTERMEDIATE) << "paused again without a sample";

  PushFromThread(kTestFrameInterval);
  ASSERT_EQ(sink_->GetState(kWaitMilliseconds, &filterState), S_OK);
  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  EXPECT_EQ(Join(push_), S_OK);
  const std::vector<RenderedSample> rendered = sink_->Rendered();
  ASSERT_EQ(rendered.size(), 1u) << "only the sample after the flush is rendered";
  EXPECT_EQ(rendered[0].start, kTestFrameInterval);
}

TEST_F(RendererGraphTest, RunningRendererRendersEachSampleWhenItIsDue) {
  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  PushFromThread(std::nullopt);
  ASSERT_EQ(Join(push_), S_OK) << "a sample without time stamps renders at once";
  ASSERT_EQ(sink_->RenderedCount(), 1u);
  const REFERENCE_TIME now = sink_->Rendered()[0].streamTimeAtRender;
  ASSERT_GE(now, -kTestDuration) << "the graph has a clock";

  const REFERENCE_TIME due = now + 300 * kMillisecond;
  PushFromThread(due);
  ASSERT_EQ(Join(push_), S_OK);
  PushFromThread(0);
  ASSERT_EQ(Join(push_), S_OK) << "a late sample renders at once";

  const std::vector<RenderedSample> rendered = sink_->Rendered();
  ASSERT_EQ(rendered.size(), 3u);
  EXPECT_GE(rendered[1].streamTimeAtRender, due - kMillisecond) << "rendered before its time";
  EXPECT_EQ(rendered[2].start, 0);
}

TEST_F(RendererGraphTest, EndOfStreamReachesTheGraphAfterTheLastSample) {
  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  PushFromThread(0);
  ASSERT_EQ(Join(push_), S_OK);
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);
  EXPECT_TRUE(WaitForGraphEvent(graph_.Get(), EC_COMPLETE, kWaitMilliseconds));
  EXPECT_EQ(source_->Push(nullptr, nullptr), VFW_E_SAMPLE_REJECTED_EOS);
  EXPECT_EQ(sink_->RenderedCount(), 1u);
}

TEST_F(RendererGraphTest, EndOfStreamWhilePausedCompletesAtRun) {
  ASSERT_HRESULT_SUCCEEDED(control_->Pause());
  ASSERT_EQ(source_->PushEndOfStream(), S_OK);
  OAFilterState state;
  EXPECT_EQ(GraphState(kWaitMilliseconds, state), S_OK) << "end of stream completes the pause";
  EXPECT_TRUE(NoGraphEvent(graph_.Get(), EC_COMPLETE)) << "not complete before it runs";
  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  EXPECT_TRUE(WaitForGraphEvent(graph_.Get(), EC_COMPLETE, kWaitMilliseconds));
}

TEST_F(RendererGraphTest, SeekingInterfacesAnswerThroughThePassThrough) {
  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(sink_.As(&seeking), S_OK);
  LONGLONG duration = 0;
  EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
  EXPECT_EQ(duration, kTestDuration) << "the upstream pin's duration";

  ComPtr<IMediaPosition> position;
  EXPECT_EQ(sink_.As(&position), S_OK);
  ComPtr<IBaseFilter> identity;
  EXPECT_EQ(seeking.As(&identity), S_OK) << "the pass-through speaks for the filter";

  // The application's view: the graph asks its renderers.
  ComPtr<IMediaSeeking> graphSeeking;
  ASSERT_EQ(graph_.As(&graphSeeking), S_OK);
  duration = 0;
  EXPECT_EQ(graphSeeking->GetDuration(&duration), S_OK);
  EXPECT_EQ(duration, kTestDuration);
  LONGLONG target = 2 * 10000000;
  EXPECT_TRUE(SUCCEEDED(graphSeeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                                   AM_SEEKING_NoPositioning)));
  EXPECT_EQ(source_->Output().LastSeekPosition(), target);
}

TEST_F(RendererGraphTest, RefusesCallsOutOfState) {
  IPin* pin = sink_->Pin();
  ComPtr<IMemInputPin> input;
  ASSERT_EQ(pin->QueryInterface(IID_PPV_ARGS(&input)), S_OK);
  EXPECT_EQ(source_->Push(nullptr, nullptr), VFW_E_NOT_COMMITTED) << "stopped";
  ComPtr<IMediaSample> sample;
  ComPtr<IMemAllocator> allocator;
  ASSERT_EQ(input->GetAllocator(&allocator), S_OK);
  ALLOCATOR_PROPERTIES wanted{1, 64, 1, 0};
  ALLOCATOR_PROPERTIES actual{};
  ASSERT_EQ(allocator->SetProperties(&wanted, &actual), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
  ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(input->Receive(sample.Get()), VFW_E_WRONG_STATE) << "a stopped renderer takes no sample";
  sample.Reset();
  allocator->Decommit();

  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  EXPECT_EQ(pin->Disconnect(), VFW_E_NOT_STOPPED);
  const MediaType type = MakeTestFrameType();
  ComPtr<IPin> sourcePin(source_->Output().AsPin());
  EXPECT_EQ(pin->ReceiveConnection(sourcePin.Get(), &type.get()), VFW_E_ALREADY_CONNECTED);
  ASSERT_HRESULT_SUCCEEDED(control_->Stop());
  EXPECT_EQ(sourcePin->Connect(pin, &type.get()), VFW_E_ALREADY_CONNECTED);
}

// The subtype of the type the sink's pin is connected with now.
GUID ConnectedSubtype(IPin* pin) {
  MediaType type;
  if (FAILED(pin->ConnectionMediaType(&type.get()))) return GUID_NULL;
  return type->subtype;
}

// A sample that announces a type the renderer accepts is rendered, and that type is the pin's from
// then on; one it refuses is not rendered and changes nothing.
TEST_F(RendererGraphTest, ASampleMayChangeTheTypeToOneTheRendererAccepts) {
  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  const auto pushAnnouncing = [&](const GUID& subtype) {
    MediaType type = MakeTestFrameType();
    type->subtype = subtype;
    ComPtr<IMediaSample> sample;
    HRESULT hr = source_->Output().GetDeliveryBuffer(sample, nullptr, nullptr, 0);
    if (SUCCEEDED(hr)) hr = sample->SetMediaType(&type.get());
    return SUCCEEDED(hr) ? source_->Output().Deliver(sample.Get()) : hr;
  };
  EXPECT_EQ(pushAnnouncing(MEDIASUBTYPE_YUY2), S_OK);
  EXPECT_EQ(sink_->RenderedCount(), 1u);
  EXPECT_EQ(ConnectedSubtype(sink_->Pin()), MEDIASUBTYPE_YUY2) << "the announced type is the pin's now";

  EXPECT_EQ(pushAnnouncing(MEDIASUBTYPE_IYUV), VFW_E_INVALIDMEDIATYPE);
  EXPECT_EQ(sink_->RenderedCount(), 1u) << "a sample of a refused type was rendered";
  EXPECT_EQ(ConnectedSubtype(sink_->Pin()), MEDIASUBTYPE_YUY2);
  EXPECT_EQ(source_->Push(nullptr, nullptr), S_OK) << "the stream goes on";
  EXPECT_EQ(sink_->RenderedCount(), 2u);
}

TEST(RendererBase, AcceptsOnlyWhatTheRendererAccepts) {
  const ComInitialization com;
  ComPtr<ComObject<TestSink>> sink;
  ASSERT_EQ(ComObject<TestSink>::Create(sink), S_OK);
  sink->AcceptOnly({MEDIASUBTYPE_YUY2});
  ComPtr<ComObject<TestPushSource>> source;
  ASSERT_EQ(ComObject<TestPushSource>::Create(source), S_OK);
  const ComPtr<IGraphBuilder> graph = CreateGraph();
  ASSERT_TRUE(graph);
  EXPECT_EQ(AddAndConnect(graph.Get(), source->AsBaseFilter(), L"Source", sink->AsBaseFilter(), L"Sink"),
            VFW_E_NO_ACCEPTABLE_TYPES) << "RGB32 offered, YUY2 wanted";
  const MediaType type = MakeTestFrameType();
  EXPECT_EQ(graph->ConnectDirect(FindPin(source->AsBaseFilter(), PINDIR_OUTPUT).Get(), sink->Pin(), &type.get()),
            VFW_E_TYPE_NOT_ACCEPTED) << "the renderer's own refusal passes through";
  EXPECT_EQ(sink->Pin()->QueryAccept(&type.get()), S_FALSE);

  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(sink->Pin()->EnumMediaTypes(&types), S_OK);
  AM_MEDIA_TYPE* proposed = nullptr;
  EXPECT_EQ(types->Next(1, &proposed, nullptr), S_FALSE) << "a renderer proposes no types";
}

TEST(RendererBase, ChecksEveryOutPointer) {
  const ComInitialization com;
  ComPtr<ComObject<TestSink>> sink;
  ASSERT_EQ(ComObject<TestSink>::Create(sink), S_OK);
  IBaseFilter* filter = sink->AsBaseFilter();
  IPin* pin = sink->Pin();
  ComPtr<IMemInputPin> input;
  ASSERT_EQ(pin->QueryInterface(IID_PPV_ARGS(&input)), S_OK);
  ComPtr<IAMFilterMiscFlags> flags;
  ASSERT_EQ(sink.As(&flags), S_OK);
  EXPECT_EQ(flags->GetMiscFlags(), static_cast<ULONG>(AM_FILTER_MISC_FLAGS_IS_RENDERER));

  struct Case {
    const char* call;
    HRESULT result;
  };
  IPin* none = nullptr;
  const Case cases[] = {
      {"GetClassID", filter->GetClassID(nullptr)},
      {"GetState", filter->GetState(0, nullptr)},
      {"GetSyncSource", filter->GetSyncSource(nullptr)},
      {"EnumPins", filter->EnumPins(nullptr)},
      {"FindPin id", filter->FindPin(nullptr, &none)},
      {"FindPin out", filter->FindPin(L"In", nullptr)},
      {"QueryFilterInfo", filter->QueryFilterInfo(nullptr)},
      {"QueryVendorInfo", filter->QueryVendorInfo(nullptr)},
      {"Connect", pin->Connect(nullptr, nullptr)},
      {"ReceiveConnection", pin->ReceiveConnection(nullptr, nullptr)},
      {"ConnectedTo", pin->ConnectedTo(nullptr)},
      {"ConnectionMediaType", pin->ConnectionMediaType(nullptr)},
      {"QueryPinInfo", pin->QueryPinInfo(nullptr)},
      {"QueryDirection", pin->QueryDirection(nullptr)},
      {"QueryId", pin->QueryId(nullptr)},
      {"QueryAccept", pin->QueryAccept(nullptr)},
      {"EnumMediaTypes", pin->EnumMediaTypes(nullptr)},
      {"GetAllocator", input->GetAllocator(nullptr)},
      {"NotifyAllocator", input->NotifyAllocator(nullptr, FALSE)},
      {"GetAllocatorRequirements", input->GetAllocatorRequirements(nullptr)},
      {"Receive", input->Receive(nullptr)},
      {"ReceiveMultiple", input->ReceiveMultiple(nullptr, 1, nullptr)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, E_POINTER) << c.call;

  ComPtr<IPin> connected;
  EXPECT_EQ(pin->ConnectedTo(&connected), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(connected.Get(), nullptr);
  AM_MEDIA_TYPE type;
  EXPECT_EQ(pin->ConnectionMediaType(&type), VFW_E_NOT_CONNECTED);
  ComPtr<IPin> found;
  EXPECT_EQ(filter->FindPin(L"In", &found), S_OK);
  EXPECT_EQ(filter->FindPin(L"Out", &found), VFW_E_NOT_FOUND);
}

}  // namespace
}  // namespace orvane::testing
