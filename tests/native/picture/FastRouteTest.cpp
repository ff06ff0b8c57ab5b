// The fast routes against the general path: for every layout pair, fill mode, mirror and flip, on
// padded strides, band-crossing and odd sizes, the same client frame within a small tolerance, and
// the same bytes wherever both compute the same arithmetic.
#include <gtest/gtest.h>

#include <libyuv/convert.h>
#include <libyuv/planar_functions.h>
#include <libyuv/scale.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "PictureTestSupport.h"
#include "media/picture/PictureGeometry.h"
#include "media/picture/PictureRenderer.h"

namespace orvane::picture {
namespace {

using test::Bgr;
using test::PaintRecord;
using test::ReadPixel;
using test::Rows;

constexpr FramePixelType kLayouts[] = {FramePixelType::RGB24, FramePixelType::RGB32, FramePixelType::YUY2,
                                       FramePixelType::NV12};

bool IsRgb(FramePixelType type) { return type == FramePixelType::RGB24 || type == FramePixelType::RGB32; }

// A stride a few bytes longer than the row, so that a route that assumes dense rows shows.
FrameHeader Padded(FramePixelType type, int width, int height) {
  return FrameHeader{type, width, height, static_cast<int32_t>(RowBytes(type, width) + 12)};
}

// Every channel a different slope: a picture moved, mirrored or flipped by mistake differs by far
// more than the filters' disagreement on a smooth picture.
Bgr Gradient(int x, int y, int width, int height) {
  return {30 + 190 * x / width, 30 + 190 * y / height, 60 + 100 * (x + y) / (width + height)};
}

struct Route {
  FrameHeader source, client;
  PictureOptions options;
  std::string Describe() const {
    return test::DescribeRender(source, client, int(options.fill), options.mirror, options.flip);
  }
};

// Renders with and without the fast routes into buffers pre-filled differently, and compares every
// client pixel (decoded to blue, green, red) within `tolerance`, and every byte outside the picture
// (bars and padding) exactly.
void ExpectSamePicture(const Route& r, int tolerance) {
  SCOPED_TRACE(r.Describe());
  const int sw = r.source.width, sh = Rows(r.source);
  const std::vector<uint8_t> record = PaintRecord(r.source, [&](int x, int y) { return Gradient(x, y, sw, sh); });
  const size_t size = ClientFrameSize(r.client);
  std::vector<uint8_t> fast(size, 0xA5), general(size, 0x3C);
  PictureRenderer fastRenderer, generalRenderer;
  generalRenderer.UseFastRoutes(false);
  ASSERT_EQ(fastRenderer.RenderRecord(record.data(), record.size(), r.client, fast.data(), size, r.options),
            PictureError::None);
  ASSERT_EQ(generalRenderer.RenderRecord(record.data(), record.size(), r.client, general.data(), size, r.options),
            PictureError::None);

  const bool yuv = !IsRgb(r.client.pixelType);
  const FrameHeader client = CheckFrameGeometry(r.client).header;
  const PixelRect content = FitPicture(sw, sh, client.width, Rows(client), r.options.fill, yuv ? 2 : 1,
                                       client.pixelType == FramePixelType::NV12 ? 2 : 1)
                                .content;
  for (int y = 0; y < Rows(client); ++y) {
    for (int x = 0; x < client.width; ++x) {
      const bool inside = x >= content.x && x < content.x + content.width && y >= content.y &&
                          y < content.y + content.height;
      if (!inside) {
        ASSERT_EQ(test::RawSamples(client, fast.data(), x, y), test::RawSamples(client, general.data(), x, y))
            << "bar pixel " << x << "," << y;
        continue;
      }
      const Bgr a = ReadPixel(client, fast.data(), x, y), b = ReadPixel(client, general.data(), x, y);
      ASSERT_TRUE(std::abs(a.b - b.b) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
                  std::abs(a.r - b.r) <= tolerance)
          << "pixel " << x << "," << y << ": fast " << test::ToString(a) << ", general " << test::ToString(b);
    }
  }
  // Row padding is written by both (black), never left as it was.
  const size_t rowBytes = static_cast<size_t>(RowBytes(client.pixelType, client.width));
  for (int row = 0; row < Rows(client); ++row) {
    for (size_t i = rowBytes; i < size_t(client.stride); ++i) {
      ASSERT_EQ(fast[size_t(row) * client.stride + i], general[size_t(row) * client.stride + i])
          << "padding of row " << row;
    }
  }
}

std::vector<PictureOptions> EveryOption() {
  std::vector<PictureOptions> options;
  for (FillMode fill : {FillMode::AspectFit, FillMode::AspectFill, FillMode::Stretch}) {
    for (int bits = 0; bits < 4; ++bits) options.push_back({fill, (bits & 1) != 0, (bits & 2) != 0});
  }
  return options;
}

// Same size: a copy, a mirror or flip, a layout change. Between the RGB layouts the bytes are the
// general path's exactly. Elsewhere the chroma filters differ a little: a YUV picture's chroma is
// repeated over its pair where ours interpolates it, YUY2 into NV12 averages two rows' chroma where
// ours weighs four, and libyuv's BT.601 encoder is within a level of ours.
TEST(FastRoutes, SameSizeMatchesTheGeneralPath) {
  // 66 x 42: rows not a whole number of bands, a width that no vector kernel covers whole.
  const int sizes[][2] = {{66, 42}, {33, 27}, {2, 2}};
  for (FramePixelType from : kLayouts) {
    for (FramePixelType to : kLayouts) {
      const int tolerance = IsRgb(from) && IsRgb(to) ? 0 : 6;
      for (const auto& s : sizes) {
        for (const PictureOptions& options : EveryOption()) {
          const int sourceSign = IsRgb(from) && options.flip ? -1 : 1;  // both RGB orientations
          const int clientSign = IsRgb(to) && options.mirror ? -1 : 1;
          ExpectSamePicture({Padded(from, s[0], sourceSign * s[1]), Padded(to, s[0], clientSign * s[1]), options},
                            tolerance);
        }
      }
    }
  }
}

// Scaling: a mild shrink, a steep one through halvings, an enlargement, letterboxed and cropped fits.
// libyuv's bilinear filter samples a little apart from our tent, which a smooth picture keeps small.
TEST(FastRoutes, ScalingMatchesTheGeneralPath) {
  struct Sizes {
    int sw, sh, cw, ch;
  };
  const Sizes sizes[] = {
      {96, 64, 64, 48},     // shrink by 1.5 and 1.33; letterbox or crop by the fill mode
      {320, 256, 64, 48},   // shrink by 5: two halvings, then bilinear
      {40, 32, 96, 72},     // enlarge
      {200, 120, 66, 42},   // shrink by 3 into a size that is not a whole number of bands
  };
  for (FramePixelType from : kLayouts) {
    for (FramePixelType to : kLayouts) {
      for (const Sizes& s : sizes) {
        for (const PictureOptions& options : EveryOption()) {
          const int sourceSign = IsRgb(from) && options.mirror ? -1 : 1;
          const int clientSign = IsRgb(to) && options.flip ? -1 : 1;
          ExpectSamePicture(
              {Padded(from, s.sw, sourceSign * s.sh), Padded(to, s.cw, clientSign * s.ch), options}, 12);
        }
      }
    }
  }
}

// A shrink by up to 2 of a YUV producer is converted and scaled in bands that stay in the cache: the
// bands must give exactly the bytes of libyuv's calls over the whole picture.
TEST(FastRoutes, BandsScaleAsTheWholePictureDoes) {
  struct Sizes {
    int sw, sh, cw, ch;
  };
  // 3:2 in bands of 32 rows and a last one of 8; 5:4 with a period of 8 content rows.
  const Sizes sizes[] = {{192, 108, 128, 72}, {160, 100, 128, 80}};
  for (FramePixelType from : {FramePixelType::YUY2, FramePixelType::NV12}) {
    for (const Sizes& s : sizes) {
      const FrameHeader source = CheckFrameGeometry({from, s.sw, s.sh, 0}).header;
      const FrameHeader client = CheckFrameGeometry({FramePixelType::NV12, s.cw, s.ch, 0}).header;
      SCOPED_TRACE(test::DescribeRender(source, client, int(FillMode::Stretch), false, false));
      const std::vector<uint8_t> pixels =
          test::PaintFrame(source, [&](int x, int y) { return Bgr{(x * 37) % 256, (y * 53) % 256, (x * y) % 256}; });
      std::vector<uint8_t> ours(ClientFrameSize(client));
      PictureRenderer renderer;
      ASSERT_EQ(renderer.Render(MakeFrameView(pixels.data(), source), client, ours.data(), ours.size(),
                                {FillMode::Stretch}),
                PictureError::None);

      const size_t plane = size_t(s.sw) * s.sh, chroma = plane / 4;
      std::vector<uint8_t> y(plane), u(chroma), v(chroma);
      if (from == FramePixelType::YUY2) {
        libyuv::YUY2ToI420(pixels.data(), 2 * s.sw, y.data(), s.sw, u.data(), s.sw / 2, v.data(), s.sw / 2, s.sw, s.sh);
      } else {
        y.assign(pixels.begin(), pixels.begin() + plane);
        libyuv::SplitUVPlane(pixels.data() + plane, s.sw, u.data(), s.sw / 2, v.data(), s.sw / 2, s.sw / 2, s.sh / 2);
      }
      std::vector<uint8_t> expected(ours.size()), su(size_t(s.cw / 2) * (s.ch / 2)), sv(su.size());
      libyuv::ScalePlane(y.data(), s.sw, s.sw, s.sh, expected.data(), s.cw, s.cw, s.ch, libyuv::kFilterBilinear);
      libyuv::ScalePlane(u.data(), s.sw / 2, s.sw / 2, s.sh / 2, su.data(), s.cw / 2, s.cw / 2, s.ch / 2,
                         libyuv::kFilterBilinear);
      libyuv::ScalePlane(v.data(), s.sw / 2, s.sw / 2, s.sh / 2, sv.data(), s.cw / 2, s.cw / 2, s.ch / 2,
                         libyuv::kFilterBilinear);
      libyuv::MergeUVPlane(su.data(), s.cw / 2, sv.data(), s.cw / 2, expected.data() + size_t(s.cw) * s.ch, s.cw,
                           s.cw / 2, s.ch / 2);
      for (size_t i = 0; i < ours.size(); ++i) {
        ASSERT_EQ(ours[i], expected[i]) << "byte " << i << " (row " << i / s.cw << ")";
      }
    }
  }
}

// Bytes placed against an inaccessible page, before or after them, so that a read outside faults.
class GuardedBytes {
 public:
  GuardedBytes(const std::vector<uint8_t>& bytes, bool guardAfter) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t pages = (bytes.size() + page - 1) / page;
    length_ = (pages + 2) * page;
    void* mapped = mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    EXPECT_NE(mapped, MAP_FAILED);
    base_ = static_cast<uint8_t*>(mapped);
    mprotect(base_, page, PROT_NONE);
    mprotect(base_ + (pages + 1) * page, page, PROT_NONE);
    data_ = guardAfter ? base_ + (pages + 1) * page - bytes.size() : base_ + page;
    std::memcpy(data_, bytes.data(), bytes.size());
  }
  ~GuardedBytes() { munmap(base_, length_); }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;
  const uint8_t* data() const { return data_; }

 private:
  uint8_t* base_ = nullptr;
  uint8_t* data_ = nullptr;
  size_t length_ = 0;
};

// libyuv's row functions may read ahead of a row; the producer frame lives in a shared section whose
// end may be the end of the mapping. Every route reads only the frame, in either row order.
TEST(FastRoutes, NeverReadOutsideTheProducerFrame) {
  struct Sizes {
    int sw, sh, cw, ch;
  };
  const Sizes sizes[] = {{66, 42, 66, 42}, {96, 64, 64, 48}, {320, 256, 64, 48}, {40, 32, 96, 72}};
  for (FramePixelType from : kLayouts) {
    for (FramePixelType to : kLayouts) {
      for (const Sizes& s : sizes) {
        for (const bool guardAfter : {true, false}) {
          for (int bits = 0; bits < 4; ++bits) {
            const PictureOptions options{bits == 3 ? FillMode::AspectFill : FillMode::Stretch, (bits & 1) != 0,
                                         (bits & 2) != 0};
            // Dense rows: the last row ends where the frame does. RGB both ways up.
            const FrameHeader source = CheckFrameGeometry({from, s.sw, (bits & 1) ? -s.sh : s.sh, 0}).header;
            const FrameHeader client = CheckFrameGeometry({to, s.cw, (bits & 2) ? -s.ch : s.ch, 0}).header;
            SCOPED_TRACE((Route{source, client, options}.Describe()) + (guardAfter ? " guard after" : " guard before"));
            const GuardedBytes pixels(test::PaintFrame(source, [&](int x, int y) { return Gradient(x, y, s.sw, s.sh); }),
                                      guardAfter);
            std::vector<uint8_t> out(ClientFrameSize(client));
            PictureRenderer renderer;
            ASSERT_EQ(renderer.Render(MakeFrameView(pixels.data(), source), client, out.data(), out.size(), options),
                      PictureError::None);
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace orvane::picture
