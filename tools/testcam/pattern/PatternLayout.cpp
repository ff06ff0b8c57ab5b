#include "tools/testcam/pattern/PatternLayout.h"

#include <algorithm>

namespace orvane::pattern {
namespace {

uint16_t Crc16(const uint8_t* data, size_t length) {
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < length; ++i) {
    crc ^= static_cast<uint16_t>(data[i] << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021) : static_cast<uint16_t>(crc << 1);
    }
  }
  return crc;
}

// Big-endian fields, in the order of PatternPayload.
class ByteWriter {
 public:
  explicit ByteWriter(PayloadBytes& bytes) : bytes_(bytes) {}
  void Put(uint64_t value, int size) {
    for (int i = size - 1; i >= 0; --i) bytes_[position_++] = static_cast<uint8_t>(value >> (8 * i));
  }
  size_t position() const { return position_; }

 private:
  PayloadBytes& bytes_;
  size_t position_ = 0;
};

class ByteReader {
 public:
  explicit ByteReader(const PayloadBytes& bytes) : bytes_(bytes) {}
  uint64_t Take(int size) {
    uint64_t value = 0;
    for (int i = 0; i < size; ++i) value = value << 8 | bytes_[position_++];
    return value;
  }
  size_t position() const { return position_; }

 private:
  const PayloadBytes& bytes_;
  size_t position_ = 0;
};

uint8_t Clamp(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

}  // namespace

BlockGeometry BlockFor(int width, int height) {
  BlockGeometry block{};
  block.cellWidth = std::max(2, width * 2 / (5 * (kGridColumns + 2)));
  block.cellHeight = std::max(2, height * 2 / (5 * (kGridRows + 2)));
  block.left = (width - block.ringWidth()) / 2;
  block.top = (height - block.ringHeight()) / 2;
  return block;
}

int CornerMarkSize(int width, int height) { return std::max(2, std::min(width, height) / 10); }

PayloadBytes PackPayload(const PatternPayload& payload) {
  PayloadBytes bytes{};
  ByteWriter writer(bytes);
  writer.Put(kMagic, 1);
  writer.Put(static_cast<uint64_t>(kVersion << 4 | (payload.cameraIndex & 0x0F)), 1);
  writer.Put(static_cast<uint8_t>(payload.format), 1);
  writer.Put(payload.frameNumber, 4);
  writer.Put(payload.width, 2);
  writer.Put(payload.height, 2);
  writer.Put(payload.timestamp, 8);
  writer.Put(payload.zoom, 2);
  writer.Put(static_cast<uint8_t>(payload.pan), 1);
  writer.Put(static_cast<uint8_t>(payload.tilt), 1);
  writer.Put(Crc16(bytes.data(), writer.position()), 2);
  return bytes;  // the last byte stays zero
}

bool UnpackPayload(const PayloadBytes& bytes, PatternPayload& payload) {
  ByteReader reader(bytes);
  if (reader.Take(1) != kMagic) return false;
  const auto versionAndCamera = static_cast<uint8_t>(reader.Take(1));
  if (versionAndCamera >> 4 != kVersion) return false;
  PatternPayload read;
  read.cameraIndex = versionAndCamera & 0x0F;
  read.format = static_cast<PatternFormat>(reader.Take(1));
  read.frameNumber = static_cast<uint32_t>(reader.Take(4));
  read.width = static_cast<uint16_t>(reader.Take(2));
  read.height = static_cast<uint16_t>(reader.Take(2));
  read.timestamp = reader.Take(8);
  read.zoom = static_cast<uint16_t>(reader.Take(2));
  read.pan = static_cast<int8_t>(reader.Take(1));
  read.tilt = static_cast<int8_t>(reader.Take(1));
  const size_t checked = reader.position();
  if (reader.Take(2) != Crc16(bytes.data(), checked)) return false;
  if (reader.Take(1) != 0) return false;
  payload = read;
  return true;
}

Yuv ToYuv(Rgb c) {
  return {Clamp(((66 * c.r + 129 * c.g + 25 * c.b + 128) >> 8) + 16),
          Clamp(((-38 * c.r - 74 * c.g + 112 * c.b + 128) >> 8) + 128),
          Clamp(((112 * c.r - 94 * c.g - 18 * c.b + 128) >> 8) + 128)};
}

Rgb ToRgb(int y, int u, int v) {
  const int c = y - 16;
  const int d = u - 128;
  const int e = v - 128;
  return {Clamp((298 * c + 409 * e + 128) >> 8), Clamp((298 * c - 100 * d - 208 * e + 128) >> 8),
          Clamp((298 * c + 516 * d + 128) >> 8)};
}

}  // namespace orvane::pattern
