// What camclient measures about the frames a device delivers: count and rate, frames the source
// skipped (gaps in the time stamps at the negotiated rate), producer frames that never reached the
// client or reached it twice (gaps and repeats in the test pattern's frame numbers), latency from the
// pattern's capture time to arrival, and, for verification, how many pattern frames showed the
// expected orientation and scale. Platform-neutral; one object is fed by one thread at a time (the
// caller locks when others read it).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/camclient/ClientOptions.h"
#include "tools/testcam/pattern/TestPattern.h"

namespace orvane::camclient {

struct FrameArrival {
  int64_t arrival = 0;  // 100-ns units on the clock of the pattern's time stamps
  bool hasTime = false;
  int64_t start = 0;    // the sample's start time (stream time, 100-ns units)
  const PatternReading* reading = nullptr;  // null when the frame was not read
};

struct Expectation {
  Orientation orientation = Orientation::Upright;
  std::optional<double> scaleX, scaleY;  // within 5%
};

// Whether `reading` shows the pattern as `expected` says.
bool MatchesExpectation(const PatternReading& reading, const Expectation& expected);

class FrameStatistics {
 public:
  // `interval` is the negotiated frame interval (100-ns units).
  explicit FrameStatistics(int64_t interval, std::optional<Expectation> expected = std::nullopt);

  void Add(const FrameArrival& frame);

  int64_t frames() const { return frames_; }
  // Frames per second between the first and the last arrival; 0 with fewer than two frames.
  double Rate() const;
  double Seconds() const;
  int64_t skipped() const { return skipped_; }
  int64_t patternFrames() const { return patternFrames_; }
  int64_t producerMissed() const { return missed_; }
  int64_t producerRepeated() const { return repeated_; }
  // Latency in milliseconds: mean, 95th percentile and maximum; zeros without pattern frames.
  double LatencyMean() const;
  double LatencyPercentile(double fraction) const;
  double LatencyMax() const;
  int64_t mismatches() const { return mismatches_; }
  const std::string& firstMismatch() const { return firstMismatch_; }
  // Verification holds: something was expected, pattern frames were seen and every one matched.
  bool Verified() const { return expected_.has_value() && patternFrames_ > 0 && mismatches_ == 0; }

 private:
  int64_t interval_;
  std::optional<Expectation> expected_;
  int64_t frames_ = 0;
  int64_t firstArrival_ = 0, lastArrival_ = 0;
  bool hadStart_ = false;
  int64_t lastStart_ = 0;
  int64_t skipped_ = 0;
  int64_t patternFrames_ = 0;
  bool hadPattern_ = false;
  uint32_t lastFrameNumber_ = 0;
  int64_t missed_ = 0, repeated_ = 0;
  std::vector<double> latencies_;
  int64_t mismatches_ = 0;
  std::string firstMismatch_;
};

}  // namespace orvane::camclient
