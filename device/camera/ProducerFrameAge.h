// How old a producer frame is, from the publication time its frame slot carries and the reader's
// clock, both in 100-ns units of the performance counter that all processes share. The time comes from
// the shared section, which any process of the session can write, so it is not trusted: a time after
// now, or `limit` or more before it, says the frame is not live. No value of either can make the
// arithmetic overflow.
// Platform-neutral; any thread.
#pragma once

#include <cstdint>
#include <optional>

namespace orvane::camera {

// The frame's age, 0 <= age < limit, or nullopt when it is not live.
constexpr std::optional<int64_t> LiveFrameAge(uint64_t published, int64_t now, int64_t limit) {
  if (now < 0 || limit <= 0) return std::nullopt;
  const uint64_t current = static_cast<uint64_t>(now);
  if (published > current) return std::nullopt;
  const uint64_t age = current - published;
  if (age >= static_cast<uint64_t>(limit)) return std::nullopt;
  return static_cast<int64_t>(age);
}

}  // namespace orvane::camera
