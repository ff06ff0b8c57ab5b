// A fuzzer's input read as a stream of choices: bytes, numbers in ranges, side lengths, and picture
// bytes. Past the end every read gives 0, so any input, however short, is a complete set of choices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::fuzzing {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return position_ >= size_; }
  uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }
  uint32_t U32() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= uint32_t{Byte()} << (8 * i);
    return value;
  }
  uint64_t U64() { return uint64_t{U32()} | uint64_t{U32()} << 32; }
  // In [low, high], from two bytes.
  int32_t Int(int32_t low, int32_t high) {
    const uint32_t raw = uint32_t{Byte()} | uint32_t{Byte()} << 8;
    return low + static_cast<int32_t>(raw % static_cast<uint32_t>(high - low + 1));
  }
  // A side length in 1..most that reaches both ends often: up to 64, up to 1024, the last few, or any.
  int32_t Side(int32_t most) {
    switch (Byte() % 4) {
      case 0: return Int(1, 64 < most ? 64 : most);
      case 1: return Int(1, 1024 < most ? 1024 : most);
      case 2: return Int(most - 3 > 1 ? most - 3 : 1, most);
      default: return Int(1, most);
    }
  }

  const uint8_t* Rest() const { return data_ + position_; }
  size_t Left() const { return size_ - position_; }
  // The rest of the input as picture bytes, repeated with a twist on each round so that repeats differ;
  // a fixed pattern when nothing is left.
  void Fill(uint8_t* bytes, size_t count) const {
    const size_t left = Left();
    for (size_t i = 0; i < count; ++i) {
      bytes[i] = left == 0 ? static_cast<uint8_t>(i * 131) : data_[position_ + i % left] ^ static_cast<uint8_t>(i / left);
    }
  }
  void Fill(std::vector<uint8_t>& bytes) const { Fill(bytes.data(), bytes.size()); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

}  // namespace orvane::fuzzing
