// Helpers of the frame tests, native and under Wine: buffers that sit against an inaccessible page so
// that any read or write past them faults, random pictures, and a loop over every instruction-set
// level that this processor supports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "media/frame/SimdLevel.h"
#include "shared/FrameFormat.h"

namespace orvane::test {

inline constexpr FramePixelType RGB24 = FramePixelType::RGB24;
inline constexpr FramePixelType RGB32 = FramePixelType::RGB32;
inline constexpr FramePixelType YUY2 = FramePixelType::YUY2;
inline constexpr FramePixelType NV12 = FramePixelType::NV12;

// `size` bytes, ending exactly where a no-access page begins (or starting right after one, with
// Place::AfterGuard), so an overrun in that direction faults at once. Filled with `fill`.
class GuardedBuffer {
 public:
  enum class Place { BeforeGuard, AfterGuard };
  explicit GuardedBuffer(size_t size, uint8_t fill = 0, Place place = Place::BeforeGuard);
  ~GuardedBuffer();
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  std::vector<uint8_t> bytes() const { return {data_, data_ + size_}; }

 private:
  uint8_t* mapping_ = nullptr;
  size_t mappingSize_ = 0;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

void FillRandom(uint8_t* data, size_t size, std::mt19937& random);
std::vector<uint8_t> RandomBytes(size_t size, std::mt19937& random);

// Runs `body` once per supported level with that level forced, then restores the automatic choice.
void ForEachSimdLevel(const std::function<void(SimdLevel)>& body);

// Levels above the reference that this processor supports (for parameterised tests).
std::vector<SimdLevel> VectorLevels();

// Index and value of the first difference, for failure messages; empty when equal.
std::string FirstDifference(const uint8_t* expected, const uint8_t* actual, size_t size);

}  // namespace orvane::test
