#include <gtest/gtest.h>

#include <vector>

#include "tools/camclient/FrameStatistics.h"

namespace orvane::camclient {
namespace {

constexpr int64_t kInterval = 333333;

PatternReading Pattern(uint32_t frameNumber, int64_t timestamp, bool mirrored = false, int turns = 0) {
  PatternReading reading;
  reading.found = true;
  reading.payload.frameNumber = frameNumber;
  reading.payload.timestamp = static_cast<uint64_t>(timestamp);
  reading.mirrored = mirrored;
  reading.quarterTurns = turns;
  reading.scaleX = 0.5;
  reading.scaleY = 0.5;
  return reading;
}

// Frames arrive every interval, 2 ms after their push; the source skipped one (a gap of two
// intervals), the producer's frame 3 never came and frame 5 came twice; frames without the pattern
// count as frames only.
TEST(FrameStatistics, CountsGapsRepeatsAndLatency) {
  FrameStatistics statistics(kInterval);
  const struct {
    int64_t slot;      // the sample's start, in intervals
    int64_t frame;     // producer frame number, -1 for none
    int64_t latency;   // 100-ns units
  } arrivals[] = {{0, -1, 0}, {1, 1, 20000}, {2, 2, 20000}, {3, 4, 20000}, {5, 5, 20000}, {6, 5, 350000}, {7, 6, 40000}};
  for (const auto& a : arrivals) {
    const int64_t arrival = 1000000000 + a.slot * kInterval;
    const PatternReading reading = Pattern(static_cast<uint32_t>(a.frame), arrival - a.latency);
    statistics.Add({arrival, true, a.slot * kInterval, a.frame >= 0 ? &reading : nullptr});
  }
  EXPECT_EQ(statistics.frames(), 7);
  EXPECT_EQ(statistics.skipped(), 1);
  EXPECT_EQ(statistics.patternFrames(), 6);
  EXPECT_EQ(statistics.producerMissed(), 1);
  EXPECT_EQ(statistics.producerRepeated(), 1);
  EXPECT_NEAR(statistics.Rate(), 6.0 / (7 * kInterval / 1e7), 1e-9);
  EXPECT_NEAR(statistics.LatencyMean(), (4 * 2.0 + 35.0 + 4.0) / 6, 1e-9);
  EXPECT_NEAR(statistics.LatencyPercentile(0.5), 2.0, 1e-9);
  EXPECT_NEAR(statistics.LatencyPercentile(0.95), 35.0, 1e-9);
  EXPECT_NEAR(statistics.LatencyMax(), 35.0, 1e-9);
  EXPECT_FALSE(statistics.Verified()) << "nothing was expected";
}

TEST(FrameStatistics, VerifiesOrientationAndScale) {
  struct Case {
    Orientation expected;
    bool mirrored;
    int turns;
    bool matches;
  };
  const Case cases[] = {{Orientation::Upright, false, 0, true},  {Orientation::Mirrored, true, 0, true},
                        {Orientation::Flipped, true, 2, true},   {Orientation::Rotated, false, 2, true},
                        {Orientation::Upright, true, 0, false},  {Orientation::Flipped, false, 2, false},
                        {Orientation::Mirrored, true, 2, false}, {Orientation::Upright, false, 1, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(MatchesExpectation(Pattern(1, 0, c.mirrored, c.turns), {c.expected, std::nullopt, std::nullopt}), c.matches)
        << OrientationName(c.expected) << " against mirrored " << c.mirrored << ", turns " << c.turns;
  }
  EXPECT_TRUE(MatchesExpectation(Pattern(1, 0), {Orientation::Upright, 0.51, 0.49}));
  EXPECT_FALSE(MatchesExpectation(Pattern(1, 0), {Orientation::Upright, 0.5, 0.55}));

  FrameStatistics statistics(kInterval, Expectation{Orientation::Mirrored, std::nullopt, std::nullopt});
  const PatternReading good = Pattern(1, 0, true), bad = Pattern(2, 0);
  statistics.Add({10, false, 0, &good});
  EXPECT_TRUE(statistics.Verified());
  statistics.Add({20, false, 0, &bad});
  EXPECT_FALSE(statistics.Verified());
  EXPECT_EQ(statistics.mismatches(), 1);
  EXPECT_NE(statistics.firstMismatch().find("frame 2"), std::string::npos) << statistics.firstMismatch();
}

}  // namespace
}  // namespace orvane::camclient
