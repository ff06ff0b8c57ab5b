// The source base's streaming thread in real graphs: cued and live timing, end of stream, restart
// after Stop, and a flush started by the source.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <cstring>

#include "tests/windows/dshow/support/GraphTestSupport.h"
#include "tests/windows/dshow/support/SinkGraphTest.h"
#include "tests/windows/dshow/support/TestSink.h"
#include "tests/windows/dshow/support/TestSources.h"

namespace orvane::testing {
namespace {

LONGLONG FrameNumberOf(const RenderedSample& sample) {
  LONGLONG number = -1;
  if (sample.data.size() >= sizeof number) std::memcpy(&number, sample.data.data(), sizeof number);
  return number;
}

class SourceGraphTest : public SinkGraphTest<TestFrameSource> {
 protected:
  // Frames 0..count-1 in order, cued: stamped n frame intervals from the start.
  static void ExpectCuedFrames(const std::vector<RenderedSample>& rendered, size_t count) {
    EXPECT_EQ(rendered.size(), count);
    if (rendered.size() < count) return;
    for (size_t n = 0; n < count; ++n) {
      EXPECT_EQ(FrameNumberOf(rendered[n]), static_cast<LONGLONG>(n));
      EXPECT_TRUE(rendered[n].hasTime);
      EXPECT_EQ(rendered[n].start, static_cast<REFERENCE_TIME>(n) * kTestFrameInterval) << "frame " << n;
      EXPECT_EQ(rendered[n].stop, rendered[n].start + kTestFrameInterval);
      EXPECT_EQ(rendered[n].length, kTestFrameBytes);
    }
  }
};

TEST_F(SourceGraphTest, CuedSourceCuesWhilePausedAndEndsTheStream) {
  Build(SourceTiming::Cued, 5);
  ASSERT_HRESULT_SUCCEEDED(control_->Pause());
  OAFilterState state;
  ASSERT_EQ(control_->GetState(kWaitMilliseconds, &state), S_OK) << "the first frame arrives while paused";
  EXPECT_EQ(sink_->RenderedCount(), 0u);

  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  EXPECT_TRUE(WaitForGraphEvent(graph_.Get(), EC_COMPLETE, kWaitMilliseconds));
  const std::vector<RenderedSample> rendered = sink_->Rendered();
  ExpectCuedFrames(rendered, 5);
  ASSERT_FALSE(rendered.empty());
  EXPECT_TRUE(rendered[0].discontinuity);
}

TEST_F(SourceGraphTest, RestartsFromTheBeginningAfterStop) {
  Build(SourceTiming::Cued, 3);
  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  ASSERT_TRUE(WaitForGraphEvent(graph_.Get(), EC_COMPLETE, kWaitMilliseconds));
  ASSERT_HRESULT_SUCCEEDED(control_->Stop());
  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  ASSERT_TRUE(WaitForGraphEvent(graph_.Get(), EC_COMPLETE, kWaitMilliseconds));
  std::vector<RenderedSample> rendered = sink_->Rendered();
  ASSERT_EQ(rendered.size(), 6u);
  rendered.erase(rendered.begin(), rendered.begin() + 3);
  ExpectCuedFrames(rendered, 3);
}

TEST_F(SourceGraphTest, SourceFlushRestartsTheStream) {
  Build(SourceTiming::Cued, -1);
  ASSERT_HRESULT_SUCCEEDED(control_->Pause());
  OAFilterState state;
  ASSERT_EQ(control_->GetState(kWaitMilliseconds, &state), S_OK);
  // The held frame 0 is flushed away; the thread starts again from frame 0, which is held anew.
  ASSERT_EQ(source_->Stream().FlushStream(), S_OK);
  ASSERT_EQ(control_->GetState(kWaitMilliseconds, &state), S_OK);
  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  ASSERT_TRUE(sink_->WaitForRendered(4, kWaitMilliseconds));
  ASSERT_EQ(source_->Stream().FlushStream(), S_OK) << "while running";
  ASSERT_TRUE(sink_->WaitForRendered(sink_->RenderedCount() + 2, kWaitMilliseconds));
  ASSERT_HRESULT_SUCCEEDED(control_->Stop());
  EXPECT_EQ(source_->Stream().FlushStream(), S_FALSE) << "nothing to flush when stopped";

  const std::vector<RenderedSample> rendered = sink_->Rendered();
  EXPECT_EQ(FrameNumberOf(rendered[0]), 0);
  size_t restarts = 0;
  for (size_t n = 1; n < rendered.size(); ++n) {
    const LONGLONG number = FrameNumberOf(rendered[n]);
    if (number == 0) {
      ++restarts;
      EXPECT_TRUE(rendered[n].discontinuity);
      EXPECT_EQ(rendered[n].start, 0);
    } else {
      EXPECT_EQ(number, FrameNumberOf(rendered[n - 1]) + 1) << "sample " << n;
    }
  }
  EXPECT_EQ(restarts, 1u) << "the flush while running restarts the numbering";
}

TEST_F(SourceGraphTest, LiveSourceDeliversOnlyWhileRunningAtItsFrameRate) {
  Build(SourceTiming::Live, -1);
  ASSERT_HRESULT_SUCCEEDED(control_->Pause());
  OAFilterState state;
  EXPECT_EQ(control_->GetState(kWaitMilliseconds, &state), VFW_S_CANT_CUE);
  EXPECT_EQ(state, State_Paused);
  EXPECT_EQ(sink_->RenderedCount(), 0u) << "a live source sends nothing while paused";

  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  ASSERT_TRUE(sink_->WaitForRendered(6, kWaitMilliseconds));
  ASSERT_HRESULT_SUCCEEDED(control_->Pause());
  const size_t countAtPause = sink_->RenderedCount();
  ASSERT_HRESULT_SUCCEEDED(control_->Run());
  ASSERT_TRUE(sink_->WaitForRendered(countAtPause + 3, kWaitMilliseconds)) << "resumes after a pause";
  ASSERT_HRESULT_SUCCEEDED(control_->Stop());

  const std::vector<RenderedSample> rendered = sink_->Rendered();
  for (size_t n = 1; n < rendered.size(); ++n) {
    EXPECT_EQ(FrameNumberOf(rendered[n]), FrameNumberOf(rendered[n - 1]) + 1) << "sample " << n;
    EXPECT_GE(rendered[n].start - rendered[n - 1].start, kTestFrameInterval) << "sample " << n;
    EXPECT_EQ(rendered[n].start % kTestFrameInterval, rendered[0].start % kTestFrameInterval)
        << "frames stay on the frame grid";
  }
  // Each frame is stamped with the stream time at which it was made, so it is due on arrival.
  for (const RenderedSample& sample : rendered) EXPECT_GE(sample.streamTimeAtRender, sample.start - 10000);
}

}  // namespace
}  // namespace orvane::testing
