#include "tools/camclient/FrameStatistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <sstream>

namespace orvane::camclient {
namespace {

constexpr double kScaleTolerance = 0.05;

bool Near(double value, double expected) { return std::abs(value - expected) <= kScaleTolerance * expected; }

// The orientation as the reader reports it: mirrored first, then quarter turns clockwise.
bool ShowsOrientation(const PatternReading& reading, Orientation orientation) {
  switch (orientation) {
    case Orientation::Upright: return !reading.mirrored && reading.quarterTurns == 0;
    case Orientation::Mirrored: return reading.mirrored && reading.quarterTurns == 0;
    case Orientation::Flipped: return reading.mirrored && reading.quarterTurns == 2;
    case Orientation::Rotated: return !reading.mirrored && reading.quarterTurns == 2;
  }
  return false;
}

}  // namespace

bool MatchesExpectation(const PatternReading& reading, const Expectation& expected) {
  if (!reading.found || !ShowsOrientation(reading, expected.orientation)) return false;
  if (expected.scaleX && !Near(reading.scaleX, *expected.scaleX)) return false;
  if (expected.scaleY && !Near(reading.scaleY, *expected.scaleY)) return false;
  return true;
}

FrameStatistics::FrameStatistics(int64_t interval, std::optional<Expectation> expected)
    : interval_(interval > 0 ? interval : 333333), expected_(std::move(expected)) {}

void FrameStatistics::Add(const FrameArrival& frame) {
  if (frames_ == 0) firstArrival_ = frame.arrival;
  lastArrival_ = frame.arrival;
  ++frames_;
  if (frame.hasTime) {
    // A gap of about n intervals means n - 1 frames that the source skipped.
    if (hadStart_ && frame.start - lastStart_ > interval_ + interval_ / 2) {
      skipped_ += (frame.start - lastStart_ + interval_ / 2) / interval_ - 1;
    }
    hadStart_ = true;
    lastStart_ = frame.start;
  }
  if (frame.reading == nullptr || !frame.reading->found) return;
  const PatternReading& reading = *frame.reading;
  ++patternFrames_;
  const uint32_t number = reading.payload.frameNumber;
  if (hadPattern_) {
    if (number == lastFrameNumber_) {
      ++repeated_;
    } else if (number > lastFrameNumber_) {
      missed_ += number - lastFrameNumber_ - 1;
    }  // smaller: the producer started again
  }
  hadPattern_ = true;
  lastFrameNumber_ = number;
  latencies_.push_back(static_cast<double>(frame.arrival - static_cast<int64_t>(reading.payload.timestamp)) / 10000.0);
  if (expected_ && !MatchesExpectation(reading, *expected_)) {
    if (mismatches_ == 0) {
      std::ostringstream text;
      text << "frame " << number << " reads " << (reading.mirrored ? "mirrored, " : "") << reading.quarterTurns
           << " quarter turns, scale " << reading.scaleX << " x " << reading.scaleY;
      firstMismatch_ = text.str();
    }
    ++mismatches_;
  }
}

double FrameStatistics::Seconds() const { return static_cast<double>(lastArrival_ - firstArrival_) / 1e7; }

double FrameStatistics::Rate() const {
  const double seconds = Seconds();
  return frames_ > 1 && seconds > 0 ? static_cast<double>(frames_ - 1) / seconds : 0;
}

double FrameStatistics::LatencyMean() const {
  if (latencies_.empty()) return 0;
  return std::accumulate(latencies_.begin(), latencies_.end(), 0.0) / static_cast<double>(latencies_.size());
}

double FrameStatistics::LatencyPercentile(double fraction) const {
  if (latencies_.empty()) return 0;
  std::vector<double> sorted = latencies_;
  std::sort(sorted.begin(), sorted.end());
  const auto rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
  return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

double FrameStatistics::LatencyMax() const {
  return latencies_.empty() ? 0 : *std::max_element(latencies_.begin(), latencies_.end());
}

}  // namespace orvane::camclient
