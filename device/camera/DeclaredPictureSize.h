// The picture size a file's own header declares, read from its bytes before any decoder sees them.
// Some imaging decoders unpack every pixel as soon as they open a PNG, JPEG or GIF file, before their
// caller can ask for the size; reading it here first lets the idle picture decoder refuse a picture
// that is too large without a single pixel decoded. For GIF the largest of the logical screen and every
// image in the file counts. Other formats are left to the decoder's own size query.
// Platform-neutral; plain functions, any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace orvane::camera {

enum class DeclaredSize {
  Unknown,    // not one of the formats read here
  Found,      // `width` and `height` are what the header says
  Malformed,  // one of them, but its header is cut short or broken
};

struct PictureSize {
  uint32_t width = 0;
  uint32_t height = 0;
};

namespace declared_size_detail {

constexpr uint32_t Big16(const uint8_t* p) { return uint32_t{p[0]} << 8 | p[1]; }
constexpr uint32_t Big32(const uint8_t* p) { return Big16(p) << 16 | Big16(p + 2); }
constexpr uint32_t Little16(const uint8_t* p) { return uint32_t{p[1]} << 8 | p[0]; }
constexpr uint32_t Little32(const uint8_t* p) { return Little16(p + 2) << 16 | Little16(p); }

constexpr DeclaredSize Png(const uint8_t* data, size_t size, PictureSize& found) {
  // Signature, then the IHDR chunk: length, type, width, height.
  if (size < 24 || data[12] != 'I' || data[13] != 'H' || data[14] != 'D' || data[15] != 'R') {
    return DeclaredSize::Malformed;
  }
  found = {Big32(data + 16), Big32(data + 20)};
  return DeclaredSize::Found;
}

constexpr DeclaredSize Bmp(const uint8_t* data, size_t size, PictureSize& found) {
  if (size < 18) return DeclaredSize::Malformed;
  const uint32_t header = Little32(data + 14);
  if (header == 12 && size >= 22) {  // the OS/2 core header: 16-bit sizes
    found = {Little16(data + 18), Little16(data + 20)};
    return DeclaredSize::Found;
  }
  if (header < 40 || size < 26) return DeclaredSize::Malformed;
  const auto width = static_cast<int32_t>(Little32(data + 18));
  const auto height = static_cast<int32_t>(Little32(data + 22));  // negative: rows top-down
  if (width <= 0 || height == std::numeric_limits<int32_t>::min()) return DeclaredSize::Malformed;
  found = {static_cast<uint32_t>(width), static_cast<uint32_t>(height < 0 ? -height : height)};
  return DeclaredSize::Found;
}

constexpr DeclaredSize Jpeg(const uint8_t* data, size_t size, PictureSize& found) {
  size_t at = 2;
  for (;;) {
    if (at + 4 > size || data[at] != 0xFF) return DeclaredSize::Malformed;
    const uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    const size_t length = Big16(data + at + 2);
    if (length < 2) return DeclaredSize::Malformed;
    // Start of frame: every SOFn but DHT (C4), JPG (C8) and DAC (CC).
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (length < 7 || at + 9 > size) return DeclaredSize::Malformed;
      found = {Big16(data + at + 7), Big16(data + at + 5)};
      return DeclaredSize::Found;
    }
    if (marker == 0xDA || marker == 0xD9) return DeclaredSize::Malformed;  // scan or end before a frame
    at += 2 + length;
  }
}

// Skips data sub-blocks (a length byte, then that many bytes) up to and including the empty one.
constexpr bool SkipSubBlocks(const uint8_t* data, size_t size, size_t& at) {
  for (;;) {
    if (at >= size) return false;
    const size_t length = data[at];
    at += 1 + length;
    if (length == 0) return true;
  }
}

constexpr DeclaredSize Gif(const uint8_t* data, size_t size, PictureSize& found) {
  if (size < 13) return DeclaredSize::Malformed;
  PictureSize largest{Little16(data + 6), Little16(data + 8)};
  size_t at = 13;
  if (data[10] & 0x80) at += size_t{3} << ((data[10] & 7) + 1);  // global colour table
  for (;;) {
    if (at >= size) return DeclaredSize::Malformed;
    const uint8_t block = data[at];
    if (block == 0x3B) break;  // trailer
    if (block == 0x21) {       // extension: label, then sub-blocks
      at += 2;
      if (!SkipSubBlocks(data, size, at)) return DeclaredSize::Malformed;
    } else if (block == 0x2C) {  // image: position, size, flags, its colour table, code size, data
      if (at + 10 > size) return DeclaredSize::Malformed;
      const uint32_t right = Little16(data + at + 1) + Little16(data + at + 5);
      const uint32_t bottom = Little16(data + at + 3) + Little16(data + at + 7);
      if (right > largest.width) largest.width = right;
      if (bottom > largest.height) largest.height = bottom;
      const uint8_t flags = data[at + 9];
      at += 10;
      if (flags & 0x80) at += size_t{3} << ((flags & 7) + 1);
      at += 1;  // LZW minimum code size
      if (!SkipSubBlocks(data, size, at)) return DeclaredSize::Malformed;
    } else {
      return DeclaredSize::Malformed;
    }
  }
  found = largest;
  return DeclaredSize::Found;
}

}  // namespace declared_size_detail

constexpr DeclaredSize ReadDeclaredPictureSize(const uint8_t* data, size_t size, PictureSize& found) {
  using namespace declared_size_detail;
  found = {};
  if (data == nullptr) return DeclaredSize::Unknown;
  if (size >= 8 && data[0] == 0x89 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G' && data[4] == 0x0D &&
      data[5] == 0x0A && data[6] == 0x1A && data[7] == 0x0A) {
    return Png(data, size, found);
  }
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return Bmp(data, size, found);
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return Jpeg(data, size, found);
  if (size >= 6 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F' && data[3] == '8' &&
      (data[4] == '7' || data[4] == '9') && data[5] == 'a') {
    return Gif(data, size, found);
  }
  return DeclaredSize::Unknown;
}

}  // namespace orvane::camera
