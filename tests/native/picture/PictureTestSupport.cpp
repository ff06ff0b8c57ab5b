#include "PictureTestSupport.h"

#include <cstring>

#include "media/picture/ColorSpace.h"

namespace orvane::test {

using picture::ChromaOfSum;
using picture::LumaOf;

std::string ToString(const Bgr& c) {
  return "(b " + std::to_string(c.b) + ", g " + std::to_string(c.g) + ", r " + std::to_string(c.r) + ")";
}

int Rows(const FrameHeader& header) { return header.height < 0 ? -header.height : header.height; }

std::string DescribeRender(const FrameHeader& source, const FrameHeader& client, int fill, bool mirror, bool flip) {
  return std::string(FramePixelTypeName(source.pixelType)) + " " + std::to_string(source.width) + "x" +
         std::to_string(source.height) + " -> " + FramePixelTypeName(client.pixelType) + " " +
         std::to_string(client.width) + "x" + std::to_string(client.height) + " fill " + std::to_string(fill) +
         (mirror ? " mirror" : "") + (flip ? " flip" : "");
}

namespace {

bool BottomUp(const FrameHeader& h) {
  return (h.pixelType == FramePixelType::RGB24 || h.pixelType == FramePixelType::RGB32) && h.height > 0;
}

size_t RowOffset(const FrameHeader& h, int y) {
  const int memoryRow = BottomUp(h) ? Rows(h) - 1 - y : y;
  return size_t(memoryRow) * size_t(h.stride);
}

}  // namespace

std::vector<uint8_t> PaintFrame(const FrameHeader& h, const Painter& paint) {
  const int width = h.width, rows = Rows(h);
  std::vector<uint8_t> frame(static_cast<size_t>(ImageSize(h.pixelType, h.height, h.stride)), 0x5A);
  switch (h.pixelType) {
    case FramePixelType::RGB24:
    case FramePixelType::RGB32: {
      const int bytes = h.pixelType == FramePixelType::RGB24 ? 3 : 4;
      for (int y = 0; y < rows; ++y) {
        uint8_t* row = frame.data() + RowOffset(h, y);
        for (int x = 0; x < width; ++x) {
          const Bgr c = paint(x, y);
          row[x * bytes] = uint8_t(c.b), row[x * bytes + 1] = uint8_t(c.g), row[x * bytes + 2] = uint8_t(c.r);
        }
      }
      break;
    }
    case FramePixelType::YUY2:
      for (int y = 0; y < rows; ++y) {
        uint8_t* row = frame.data() + RowOffset(h, y);
        for (int x = 0; x < width; x += 2) {
          const Bgr p = paint(x, y);
          const Bgr q = x + 1 < width ? paint(x + 1, y) : p;
          row[2 * x] = LumaOf(p.b, p.g, p.r);
          uint8_t v;
          ChromaOfSum(p.b + q.b, p.g + q.g, p.r + q.r, 2, row[2 * x + 1], v);
          if (x + 1 < width) row[2 * x + 2] = LumaOf(q.b, q.g, q.r), row[2 * x + 3] = v;
        }
      }
      break;
    case FramePixelType::NV12: {
      uint8_t* chroma = frame.data() + size_t(rows) * h.stride;
      for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < width; ++x) {
          const Bgr p = paint(x, y);
          frame[size_t(y) * h.stride + x] = LumaOf(p.b, p.g, p.r);
        }
      }
      for (int y = 0; y + 1 < rows; y += 2) {
        for (int x = 0; x + 1 < width; x += 2) {
          Bgr sum;
          for (int dy = 0; dy < 2; ++dy) {
            for (int dx = 0; dx < 2; ++dx) {
              const Bgr p = paint(x + dx, y + dy);
              sum.b += p.b, sum.g += p.g, sum.r += p.r;
            }
          }
          uint8_t* pair = chroma + size_t(y / 2) * h.stride + x;
          ChromaOfSum(sum.b, sum.g, sum.r, 4, pair[0], pair[1]);
        }
      }
      break;
    }
  }
  return frame;
}

std::vector<uint8_t> PaintRecord(const FrameHeader& header, const Painter& paint) {
  const std::vector<uint8_t> pixels = PaintFrame(header, paint);
  std::vector<uint8_t> record(sizeof header + pixels.size());
  std::memcpy(record.data(), &header, sizeof header);
  std::memcpy(record.data() + sizeof header, pixels.data(), pixels.size());
  return record;
}

std::vector<int> RawSamples(const FrameHeader& h, const uint8_t* frame, int x, int y) {
  const uint8_t* row = frame + RowOffset(h, y);
  switch (h.pixelType) {
    case FramePixelType::RGB24: return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
    case FramePixelType::RGB32: return {row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]};
    case FramePixelType::YUY2: {
      const uint8_t* pair = row + 4 * (x / 2);
      // An odd last pixel has no V of its own.
      const int v = 4 * (x / 2) + 3 < 2 * h.width ? pair[3] : 128;
      return {row[2 * x], pair[1], v};
    }
    case FramePixelType::NV12: {
      const int rows = Rows(h);
      const uint8_t* chroma = frame + size_t(rows) * h.stride;
      if (y / 2 >= rows / 2 || x / 2 >= h.width / 2) return {row[x], 128, 128};
      const uint8_t* pair = chroma + size_t(y / 2) * h.stride + 2 * (x / 2);
      return {row[x], pair[0], pair[1]};
    }
  }
  return {};
}

Bgr ReadPixel(const FrameHeader& h, const uint8_t* frame, int x, int y) {
  const std::vector<int> s = RawSamples(h, frame, x, y);
  if (h.pixelType == FramePixelType::RGB24 || h.pixelType == FramePixelType::RGB32) return {s[0], s[1], s[2]};
  uint8_t bgr[3];
  picture::YuvToBgr(s[0], s[1], s[2], bgr);
  return {bgr[0], bgr[1], bgr[2]};
}

}  // namespace orvane::test
