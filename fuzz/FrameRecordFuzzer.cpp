// Drives the frame record builder and the four conversions with arbitrary geometry, strides, layouts,
// zoom, pan and rotation, at an arbitrary instruction-set level. Buffers are exactly as large as the
// geometry says, so AddressSanitizer reports any read or write outside them; every result is also
// compared with the reference level's, byte for byte.
//
//   build/fuzz/fuzz/frame_record_fuzzer -max_total_time=300
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "media/frame/FrameRecordBuilder.h"
#include "media/frame/PixelConversion.h"
#include "media/frame/SimdLevel.h"

namespace {

using namespace orvane;

using Input = fuzzing::FuzzInput;

SimdLevel ForceLevel(int level) { return SetSimdLevelMask(1u << level); }

void FuzzRecord(Input& in, int level) {
  const int32_t typeValue = in.Int(0, 4);  // 4 is not a layout
  const int32_t width = in.Int(-2, 300);
  const int32_t height = in.Int(-300, 300);
  const int32_t padding = in.Int(-8, 80);  // strides below a row, default (<= 0) and padded
  const bool rotate = (in.Byte() & 1) != 0;
  const int32_t zoom = in.Int(-3, 45);
  const int32_t panX = in.Int(-48, 48), panY = in.Int(-48, 48);
  const FramePixelType type = static_cast<FramePixelType>(typeValue);
  const int64_t row = IsFramePixelType(typeValue) && width > 0 ? RowBytes(type, width) : 0;
  const FrameHeader geometry{type, width, height, padding == 0 ? 0 : static_cast<int32_t>(row + padding)};
  const CheckedFrame checked = CheckFrameGeometry(geometry);
  std::vector<uint8_t> pixels(checked.ok() ? checked.imageSize : 16);
  in.Fill(pixels);
  const FrameTransformSettings settings{rotate, zoom, panX, panY};

  ForceLevel(0);
  FrameRecordBuilder reference;
  const FrameRecord expected = reference.Build(pixels.data(), geometry, settings);
  ForceLevel(level);
  FrameRecordBuilder builder;
  const FrameRecord record = builder.Build(pixels.data(), geometry, settings);

  if (record.ok() && !checked.ok()) abort();
  if (!record.ok() && checked.ok() && !rotate) abort();  // only a rotation can make a valid frame too large
  if (record.error != expected.error || record.geometry != expected.geometry) abort();
  if (!record.ok()) return;
  const CheckedFrame delivered = CheckFrameGeometry(record.header);
  if (!delivered.ok() || delivered.header.stride != record.header.stride) abort();
  if (record.size != delivered.recordSize() || record.size != expected.size) abort();
  if (std::memcmp(record.data, &record.header, sizeof(FrameHeader)) != 0) abort();
  if (std::memcmp(record.data, expected.data, record.size) != 0) abort();
}

void FuzzConversion(Input& in, int level, int which) {
  const int32_t width = in.Int(-1, 700);
  const int32_t height = in.Int(-1, 9);
  const int32_t padding = in.Int(0, 40);
  const bool upwards = (in.Byte() & 1) != 0;  // negative steps, from the last row
  const int srcPixel = which == 0 ? 2 : which == 1 ? 3 : which == 2 ? 1 : 4;
  const int dstPixel = which == 1 ? 2 : 3;
  const int32_t rows = height > 0 ? height : 1;
  const int32_t columns = width > 0 ? width : 1;
  const int32_t srcStep = columns * srcPixel + padding, dstStep = columns * dstPixel + padding;
  const int32_t chromaRows = rows / 2 > 0 ? rows / 2 : 1;
  std::vector<uint8_t> src(size_t(srcStep) * (rows - 1) + size_t(columns) * srcPixel);
  std::vector<uint8_t> chroma(size_t(srcStep) * (chromaRows - 1) + size_t(columns));
  in.Fill(src);
  in.Fill(chroma);

  std::vector<uint8_t> outputs[2];
  int statuses[2];
  for (int pass = 0; pass < 2; ++pass) {
    ForceLevel(pass == 0 ? 0 : level);
    std::vector<uint8_t>& dst = outputs[pass];
    dst.assign(size_t(dstStep) * (rows - 1) + size_t(columns) * dstPixel, 0x5A);
    const int sign = upwards ? -1 : 1;
    const uint8_t* s = upwards ? src.data() + size_t(srcStep) * (rows - 1) : src.data();
    const uint8_t* c = upwards ? chroma.data() + size_t(srcStep) * (chromaRows - 1) : chroma.data();
    uint8_t* d = upwards ? dst.data() + size_t(dstStep) * (rows - 1) : dst.data();
    switch (which) {
      case 0: statuses[pass] = Convert422To24(s, sign * srcStep, d, sign * dstStep, width, height); break;
      case 1: statuses[pass] = Convert24To422(s, sign * srcStep, d, sign * dstStep, width, height); break;
      case 2:
        // Upwards, two luma rows share one chroma row: only even heights keep the planes in step.
        if (upwards && (rows & 1) != 0) return;
        statuses[pass] = ConvertNV12To24(s, sign * srcStep, c, sign * srcStep, d, sign * dstStep, width, height);
        break;
      default: statuses[pass] = Convert32To24(s, sign * srcStep, d, sign * dstStep, width, height); break;
    }
  }
  if (statuses[0] != statuses[1] || outputs[0] != outputs[1]) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  const int mode = in.Byte() % 5;
  int level = in.Byte() % kSimdLevelCount;
  if (!IsSimdLevelSupported(static_cast<SimdLevel>(level))) level = 0;
  if (mode == 0) {
    FuzzRecord(in, level);
  } else {
    FuzzConversion(in, level, mode - 1);
  }
  SetSimdLevelMask(kAllSimdLevels);
  return 0;
}
