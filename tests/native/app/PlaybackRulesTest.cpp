#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "app/ui/OutputKeys.h"
#include "app/ui/PlaybackRules.h"

namespace orvane {
namespace {

TEST(PlaybackRules, RetryTick) {
  const struct {
    bool known, active, renderer, selected;
    RetryTick tick;
  } cases[] = {
      {true, false, true, true, RetryTick::PlayLastCamera},
      {true, false, true, false, RetryTick::KeepWaiting},  // the camera is absent: keep waiting
      {false, false, true, true, RetryTick::StopTimer},    // forgotten (user Stop)
      {true, true, true, true, RetryTick::StopTimer},      // something plays
      {true, false, false, true, RetryTick::StopTimer},    // no renderer: never an automatic play
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OnRetryTick(c.known, c.active, c.renderer, c.selected), c.tick)
        << c.known << c.active << c.renderer << c.selected;
  }
}

TEST(PlaybackRules, ClientCountChanges) {
  // Every change to a count above 0 while nothing plays tries the remembered camera once.
  const struct {
    uint32_t previous, now;
    bool known, active, renderer;
    bool changed, badge, play;
  } cases[] = {
      {0, 2, true, false, true, true, true, true},
      {2, 1, true, false, true, true, true, true},
      {1, 0, true, false, true, true, false, false},  // to 0: hide the badge, start nothing
      {2, 2, true, false, true, false, false, false},
      {0, 1, false, false, true, true, true, false},  // nothing remembered
      {0, 1, true, true, true, true, true, false},    // already playing
      {0, 1, true, false, false, true, true, false},  // no renderer
  };
  for (const auto& c : cases) {
    const ClientPoll poll = OnClientCount(c.previous, c.now, c.known, c.active, c.renderer);
    EXPECT_EQ(poll.changed, c.changed) << c.previous << "->" << c.now;
    EXPECT_EQ(poll.showBadge, c.badge) << c.previous << "->" << c.now;
    EXPECT_EQ(poll.playLastCamera, c.play) << c.previous << "->" << c.now;
  }
}

TEST(PlaybackRules, GraphEvents) {
  EXPECT_EQ(ReactionTo(0x01), GraphReaction::PlayFromStart);
  EXPECT_EQ(ReactionTo(0x02), GraphReaction::Stop);
  EXPECT_EQ(ReactionTo(0x03), GraphReaction::Stop);
  EXPECT_EQ(ReactionTo(0x1F), GraphReaction::DeviceLost);
  EXPECT_EQ(ReactionTo(0x0E), GraphReaction::None);  // a repaint request
  EXPECT_EQ(ReactionTo(-1), GraphReaction::None);
}

TEST(PlaybackRules, PositionTexts) {
  EXPECT_EQ(PositionText(0, 0), L"00:00:00 / 00:00:00");
  EXPECT_EQ(PositionText(61999.9, 3723000), L"00:01:01 / 01:02:03");  // truncated, not rounded
  EXPECT_EQ(PositionText(5000, -1), L"00:00:05 / 00:00:00");           // duration not read yet
  EXPECT_EQ(PositionText(std::nan(""), 1e300), L"00:00:00 / 999:59:59");
  EXPECT_EQ(ThumbText(3599), L"00:59:59");
  EXPECT_EQ(ThumbText(-5), L"00:00:00");
  EXPECT_EQ(ThumbText(std::numeric_limits<int>::max()), L"999:59:59");
  EXPECT_EQ(WholeSeconds(1999), 1);
  EXPECT_EQ(FileNameOf(L"C:\\clips\\talk.mp4"), L"talk.mp4");
  EXPECT_EQ(FileNameOf(L"C:/clips/talk.mp4"), L"talk.mp4");
  EXPECT_EQ(FileNameOf(L"talk.mp4"), L"talk.mp4");
  EXPECT_EQ(FileNameOf(L"C:\\clips\\"), L"");
}

TEST(OutputKeys, KeyTable) {
  const struct {
    uint32_t key;
    bool ctrl;
    OutputKey action;
  } cases[] = {
      {'F', true, OutputKey::Flip},        {'M', true, OutputKey::Mirror},      {'R', true, OutputKey::Rotate},
      {'S', true, OutputKey::NextFillMode}, {'P', true, OutputKey::Pause},      {0x13, true, OutputKey::Pause},
      {0x13, false, OutputKey::Pause},      {0x6B, true, OutputKey::ZoomIn},    {0xBB, true, OutputKey::ZoomIn},
      {0x6D, true, OutputKey::ZoomOut},     {0xBD, true, OutputKey::ZoomOut},   {0x25, true, OutputKey::PanLeft},
      {0x27, true, OutputKey::PanRight},    {0x26, true, OutputKey::PanUp},     {0x28, true, OutputKey::PanDown},
      {'Z', true, OutputKey::Reset},        {'F', false, OutputKey::None},      {0x25, false, OutputKey::None},
      {0x6B, false, OutputKey::None},       {'Q', true, OutputKey::None},       {'f', true, OutputKey::None},
  };
  for (const auto& c : cases) EXPECT_EQ(OutputKeyOf(c.key, c.ctrl), c.action) << c.key << " ctrl " << c.ctrl;
}

TEST(OutputKeys, CameraStepsComeFirst) {
  EXPECT_FALSE(CameraStepsOf(OutputKey::Flip));
  const std::optional<CameraSteps> up = CameraStepsOf(OutputKey::PanUp);
  ASSERT_TRUE(up);
  EXPECT_EQ(up->tilt, 1);  // the camera tilts up
  const std::optional<CameraSteps> reset = CameraStepsOf(OutputKey::Reset);
  ASSERT_TRUE(reset);
  EXPECT_EQ(reset->zoom | reset->pan | reset->tilt, 0);
  // A camera that zooms itself leaves the digital zoom alone.
  EXPECT_EQ(AfterKey({}, OutputKey::ZoomIn, true), OutputOptions{});
  EXPECT_EQ(AfterKey({}, OutputKey::ZoomIn, false).zoom, 1);
}

TEST(OutputKeys, DigitalZoomAndPanStayInTheCroppedArea) {
  const auto options = [](int32_t zoom, int32_t x, int32_t y) {
    OutputOptions o;
    o.zoom = zoom;
    o.panX = x;
    o.panY = y;
    return o;
  };
  const struct {
    OutputOptions before;
    OutputKey key;
    OutputOptions after;
  } cases[] = {
      {options(3, -3, 2), OutputKey::ZoomOut, options(2, -2, 2)},
      {options(1, 1, -1), OutputKey::ZoomOut, options(0, 0, 0)},
      {options(0, 0, 0), OutputKey::ZoomOut, options(0, 0, 0)},
      {options(40, 0, 0), OutputKey::ZoomIn, options(40, 0, 0)},
      {options(2, -2, 0), OutputKey::PanLeft, options(2, -2, 0)},
      {options(2, 1, 0), OutputKey::PanRight, options(2, 2, 0)},
      {options(2, 0, -2), OutputKey::PanUp, options(2, 0, -2)},
      {options(2, 0, 1), OutputKey::PanDown, options(2, 0, 2)},
      {options(0, 0, 0), OutputKey::PanRight, options(0, 0, 0)},
  };
  for (const auto& c : cases) {
    const OutputOptions after = AfterKey(c.before, c.key, false);
    EXPECT_EQ(after, c.after) << static_cast<int>(c.key) << ": " << after.zoom << " " << after.panX << " " << after.panY;
  }
}

TEST(OutputKeys, TogglesFillModeAndReset) {
  OutputOptions options;
  options = AfterKey(options, OutputKey::Mirror, false);
  options = AfterKey(options, OutputKey::Flip, false);
  options = AfterKey(options, OutputKey::Rotate, false);
  EXPECT_TRUE(options.mirror && options.flip && options.rotate);
  EXPECT_FALSE(AfterKey(options, OutputKey::Mirror, false).mirror);
  for (const auto& [from, to] : {std::pair{0, 1}, {1, 2}, {2, 0}, {7, 2}, {-1, 0}, {-5, 2},
                                 {std::numeric_limits<int32_t>::max(), 2}}) {
    options.fillMode = from;
    EXPECT_EQ(AfterKey(options, OutputKey::NextFillMode, false).fillMode, to) << from;
  }
  options.zoom = 5;
  options.panX = -3;
  EXPECT_EQ(AfterKey(options, OutputKey::Reset, true), OutputOptions{});
  EXPECT_EQ(AfterKey(options, OutputKey::Pause, false), options);
}

}  // namespace
}  // namespace orvane
