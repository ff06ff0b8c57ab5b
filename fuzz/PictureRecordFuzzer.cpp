// The virtual camera's picture pipeline as every call app runs it: a producer frame of a layout and a
// geometry taken from the input (any size the frame record allows, up to kMaxFrameSide on a side),
// rendered into a client frame whose layout, size, stride, fill mode, mirror and flip come from the
// input too. Buffers are exactly as large as their geometry, so AddressSanitizer reports any byte read
// or written outside them. A valid frame must render, a second render through the warm plan must give
// the same bytes, and with -timeout a slow render is a finding: the work must follow the client's
// size, never the producer's. A few inputs instead hand the renderer raw bytes as a record, which it
// must refuse or render.
//
//   build/fuzz/fuzz/picture_record_fuzzer -timeout=10 -max_total_time=300 fuzz/corpus/picture_record_fuzzer
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "media/picture/PictureRenderer.h"

namespace {

using namespace orvane;

using Input = fuzzing::FuzzInput;

// Producer frames are kept to 2^20 pixels (4 MiB of RGB32), so that a run stays quick under the
// fuzzer's instrumentation while either side still reaches the cap; the largest frames are the
// benchmark's and the unit tests' business.
constexpr int64_t kMostProducerPixels = int64_t{1} << 20;
// Clients of any shape with sides up to 2048, but at most 2^16 pixels: a render's work follows the
// client's size, so larger clients would only make every run slower, and a slow run would no longer
// point at work that follows the producer.
constexpr int32_t kMostClientSide = 2048;
constexpr int32_t kMostClientPixels = 1 << 16;

bool IsRgb(FramePixelType type) { return type == FramePixelType::RGB24 || type == FramePixelType::RGB32; }

FrameHeader ClientOf(Input& in) {
  const auto type = static_cast<FramePixelType>(in.Byte() % 4);
  const int32_t width = in.Side(kMostClientSide);
  int32_t height = in.Side(kMostClientSide);
  if (width * height > kMostClientPixels) height = kMostClientPixels / width;
  if (IsRgb(type) && (in.Byte() & 1)) height = -height;
  const int32_t padding = in.Byte() % 8;  // 0: the default stride
  return {type, width, height, padding == 0 ? 0 : static_cast<int32_t>(RowBytes(type, width) + padding)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  const uint8_t shape = in.Byte();
  const FrameHeader client = ClientOf(in);
  const uint8_t flags = in.Byte();
  const picture::PictureOptions options{static_cast<FillMode>(flags % 3), (flags & 4) != 0, (flags & 8) != 0};
  const size_t clientSize = picture::ClientFrameSize(client);
  if (clientSize == 0) std::abort();  // every client made above is valid
  std::vector<uint8_t> out(clientSize);
  picture::PictureRenderer renderer;

  if (shape % 16 == 0) {
    // Raw bytes as a record: refused, or rendered when they happen to describe a frame exactly.
    std::vector<uint8_t> record(in.Rest(), in.Rest() + in.Left());
    renderer.RenderRecord(record.empty() ? nullptr : record.data(), record.size(), client, out.data(), out.size(),
                          options);
    return 0;
  }

  const auto type = static_cast<FramePixelType>(shape % 4);
  const int32_t width = in.Side(kMaxFrameSide);
  int32_t rows = in.Side(kMaxFrameSide);
  if (int64_t{width} * rows > kMostProducerPixels) rows = static_cast<int32_t>(kMostProducerPixels / width);
  const int32_t height = (in.Byte() & 1) ? -rows : rows;  // RGB: top-down; YUV: the sign is carried
  const int32_t padding = in.Byte() % 8;
  const FrameHeader geometry{type, width, height,
                             padding == 0 ? 0 : static_cast<int32_t>(RowBytes(type, width) + padding)};
  const CheckedFrame checked = CheckFrameGeometry(geometry);
  if (!checked.ok()) std::abort();  // every producer made above is within the cap
  std::vector<uint8_t> record(checked.recordSize());
  std::memcpy(record.data(), &checked.header, sizeof checked.header);
  in.Fill(record.data() + kFrameHeaderSize, checked.imageSize);

  const picture::PictureError first =
      renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(), options);
  if (first == picture::PictureError::OutOfMemory) return 0;
  if (first != picture::PictureError::None) std::abort();
  const std::vector<uint8_t> rendered = out;
  std::memset(out.data(), 0x5A, out.size());
  if (renderer.RenderRecord(record.data(), record.size(), client, out.data(), out.size(), options) !=
          picture::PictureError::None ||
      out != rendered) {
    std::abort();  // the warm plan must render what the fresh one did
  }
  return 0;
}
