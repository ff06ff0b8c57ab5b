#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "FrameTestSupport.h"
#include "media/frame/PixelConversion.h"

namespace orvane {
namespace {

using test::FirstDifference;
using test::ForEachSimdLevel;
using test::GuardedBuffer;

enum class Conversion { Yuy2To24, Rgb24To422, Nv12To24, Rgb32To24, Yuy2ToBgr };

const char* Name(Conversion conversion) {
  switch (conversion) {
    case Conversion::Yuy2To24: return "Convert422To24";
    case Conversion::Rgb24To422: return "Convert24To422";
    case Conversion::Nv12To24: return "ConvertNV12To24";
    case Conversion::Rgb32To24: return "Convert32To24";
    case Conversion::Yuy2ToBgr: return "ConvertYUY2To24";
  }
  return "?";
}

// Bytes that `width` pixels occupy in the source and in the destination row.
int SourceRowBytes(Conversion conversion, int width) {
  switch (conversion) {
    case Conversion::Yuy2To24:
    case Conversion::Yuy2ToBgr: return 2 * width;
    case Conversion::Rgb24To422: return 3 * width;
    case Conversion::Nv12To24: return width;
    case Conversion::Rgb32To24: return 4 * width;
  }
  return 0;
}
int DestinationRowBytes(Conversion conversion, int width) {
  return conversion == Conversion::Rgb24To422 ? 2 * width : 3 * width;
}

// NV12 reads its chroma rows from `chroma`; the others ignore it.
int RunConversion(Conversion conversion, const uint8_t* src, int srcStep, const uint8_t* chroma, int chromaStep,
                  uint8_t* dst, int dstStep, int width, int height) {
  switch (conversion) {
    case Conversion::Yuy2To24: return Convert422To24(src, srcStep, dst, dstStep, width, height);
    case Conversion::Rgb24To422: return Convert24To422(src, srcStep, dst, dstStep, width, height);
    case Conversion::Nv12To24:
      return ConvertNV12To24(src, srcStep, chroma, chromaStep, dst, dstStep, width, height);
    case Conversion::Rgb32To24: return Convert32To24(src, srcStep, dst, dstStep, width, height);
    case Conversion::Yuy2ToBgr: return ConvertYUY2To24(src, srcStep, dst, dstStep, width, height);
  }
  return -1;
}

constexpr Conversion kAllConversions[] = {Conversion::Yuy2To24, Conversion::Rgb24To422, Conversion::Nv12To24,
                                          Conversion::Rgb32To24, Conversion::Yuy2ToBgr};

// The formulas once more, written independently of the implementation, for single worked pixels.
int Clamp(int64_t value) { return value < 0 ? 0 : value > 255 ? 255 : static_cast<int>(value); }
std::vector<int> Expected422Pixel(int y, int c1, int c2) {
  const int64_t t = 76284 * int64_t{y - 16} + 32768;
  return {Clamp((t + 104595 * int64_t{c1 - 128}) >> 16),
          Clamp((t - 53281 * int64_t{c1 - 128} - 25690 * int64_t{c2 - 128}) >> 16),
          Clamp((t + 132186 * int64_t{c2 - 128}) >> 16)};
}
std::vector<int> Bytes(const uint8_t* data, size_t size) { return {data, data + size}; }

TEST(PixelConversion, WorkedExamples) {
  ForEachSimdLevel([](SimdLevel) {
    {
      const uint8_t pair[] = {16, 128, 235, 128};
      uint8_t out[6] = {};
      ASSERT_EQ(Convert422To24(pair, 4, out, 6, 2, 1), kConvertOk);
      EXPECT_EQ(Bytes(out, 6), (std::vector<int>{0, 0, 0, 255, 255, 255}));
    }
    {
      const uint8_t pair[] = {128, 255, 128, 128};
      uint8_t out[6] = {};
      ASSERT_EQ(Convert422To24(pair, 4, out, 6, 2, 1), kConvertOk);
      EXPECT_EQ(out[0], 255) << "saturated";
      EXPECT_EQ(out[2], 130);
    }
    {
      const uint8_t pixels[] = {0, 0, 0, 255, 255, 255};
      uint8_t out[4] = {};
      ASSERT_EQ(Convert24To422(pixels, 6, out, 4, 2, 1), kConvertOk);
      EXPECT_EQ(Bytes(out, 4), (std::vector<int>{16, 128, 235, 128}));
    }
    {
      // Width 5: four columns of each row, the fifth left as it was.
      const uint8_t luma[10] = {16, 60, 90, 120, 150, 180, 200, 220, 235, 240};
      const uint8_t chroma[6] = {128, 128, 90, 200, 7, 7};
      std::vector<uint8_t> out(30, 0xAB);
      EXPECT_EQ(ConvertNV12To24(luma, 5, chroma, 6, out.data(), 15, 5, 2), kConvertOddSize);
      for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 4; ++x) {
          const int y = luma[row * 5 + x];
          const int u = chroma[x & ~1], v = chroma[(x & ~1) + 1];
          // NV12's U drives the first byte: the 4:2:2 formula with the chroma roles swapped.
          std::vector<int> bgr = Expected422Pixel(y, v, u);
          std::swap(bgr[0], bgr[2]);
          EXPECT_EQ(Bytes(&out[row * 15 + 3 * x], 3), bgr) << "row " << row << " column " << x;
        }
        EXPECT_EQ(Bytes(&out[row * 15 + 12], 3), (std::vector<int>{0xAB, 0xAB, 0xAB}));
      }
    }
  });
}

// DirectShow's YUY2 (U first) decodes with NV12's roles: blue from U, red from V, row by row; an odd
// last pixel borrows the V before it.
TEST(PixelConversion, Yuy2InDirectShowOrderDecodesAsNv12Does) {
  ForEachSimdLevel([](SimdLevel) {
    const uint8_t row[] = {16, 90, 200, 240, 120, 30, 235, 150, 60, 210};
    uint8_t out[15] = {};
    ASSERT_EQ(ConvertYUY2To24(row, 10, out, 15, 5, 1), kConvertOk);
    const int pixels[][3] = {{16, 90, 240}, {200, 90, 240}, {120, 30, 150}, {235, 30, 150}, {60, 210, 150}};
    for (int x = 0; x < 5; ++x) {
      std::vector<int> bgr = Expected422Pixel(pixels[x][0], pixels[x][2], pixels[x][1]);
      std::swap(bgr[0], bgr[2]);
      EXPECT_EQ(Bytes(&out[3 * x], 3), bgr) << "column " << x;
    }
  });
}

TEST(PixelConversion, OddWidthRules) {
  ForEachSimdLevel([](SimdLevel) {
    // Width 1 uses its own C1 for both chroma roles; a longer odd row borrows C2 from the pair before.
    const uint8_t single[] = {100, 60};
    uint8_t out[3] = {};
    ASSERT_EQ(Convert422To24(single, 2, out, 3, 1, 1), kConvertOk);
    EXPECT_EQ(Bytes(out, 3), Expected422Pixel(100, 60, 60));

    const uint8_t row[] = {50, 30, 70, 220, 180, 90};
    uint8_t three[9] = {};
    ASSERT_EQ(Convert422To24(row, 6, three, 9, 3, 1), kConvertOk);
    EXPECT_EQ(Bytes(three + 6, 3), Expected422Pixel(180, 90, 220));

    // An odd last pixel is two bytes: Y and a C1 of its own colour; nothing after them is written.
    const uint8_t pixels[] = {10, 20, 30, 40, 50, 60, 250, 5, 128};
    uint8_t yuy2[8];
    std::fill(std::begin(yuy2), std::end(yuy2), 0xEE);
    ASSERT_EQ(Convert24To422(pixels, 9, yuy2, 8, 3, 1), kConvertOk);
    const int y = static_cast<int>((16843 * 250 + 33030 * 5 + 6423 * 128 + 0x108000) >> 16);
    const int c1 = static_cast<int>((28770 * 250 - 24117 * 5 - 4653 * 128 + 0x808000) >> 16);
    EXPECT_EQ(Bytes(yuy2 + 4, 4), (std::vector<int>{y, c1, 0xEE, 0xEE}));
  });
}

TEST(PixelConversion, RefusalsWriteNothing) {
  const uint8_t src[64] = {};
  struct Case {
    bool nullSource, nullChroma, nullDestination;
    int width, height;
    int status;
  };
  const Case cases[] = {
      {true, false, false, 2, 2, kConvertNullPointer},  {false, false, true, 2, 2, kConvertNullPointer},
      {false, false, false, 0, 2, kConvertBadSize},     {false, false, false, 2, 0, kConvertBadSize},
      {false, false, false, -2, 2, kConvertBadSize},    {false, false, false, 2, -2, kConvertBadSize},
      {true, false, false, 0, 0, kConvertNullPointer},
  };
  for (Conversion conversion : kAllConversions) {
    for (const Case& c : cases) {
      uint8_t dst[64];
      std::fill(std::begin(dst), std::end(dst), 0x5A);
      const int status = RunConversion(conversion, c.nullSource ? nullptr : src, 8, src, 8,
                             c.nullDestination ? nullptr : dst, 8, c.width, c.height);
      EXPECT_EQ(status, c.status) << Name(conversion) << " " << c.width << "x" << c.height;
      EXPECT_EQ(std::count(std::begin(dst), std::end(dst), 0x5A), 64) << Name(conversion);
    }
  }
  uint8_t dst[64] = {};
  EXPECT_EQ(ConvertNV12To24(src, 8, nullptr, 8, dst, 8, 2, 2), kConvertNullPointer);
}

// Every vector level gives the reference's bytes on random pictures of many shapes: odd and even
// sizes around the vector widths, padded steps, sources and destinations that end where an
// inaccessible page begins, and destinations filled differently beforehand (untouched bytes must stay).
TEST(PixelConversion, VectorLevelsMatchReferenceOnRandomPictures) {
  struct Shape {
    int width, height, padding;
  };
  const Shape shapes[] = {{1, 1, 0},   {2, 1, 3},   {3, 2, 0},   {5, 3, 1},    {7, 7, 0},   {15, 4, 5},
                          {16, 2, 0},  {17, 3, 2},  {31, 5, 0},  {32, 4, 7},   {33, 2, 0},  {47, 2, 1},
                          {63, 3, 0},  {64, 2, 0},  {65, 3, 9},  {95, 2, 0},   {127, 2, 3}, {129, 3, 0},
                          {255, 2, 0}, {258, 4, 1}, {641, 3, 0}, {1280, 2, 0}};
  std::mt19937 random(20240611);
  for (Conversion conversion : kAllConversions) {
    for (const Shape& shape : shapes) {
      SCOPED_TRACE(testing::Message() << Name(conversion) << " " << shape.width << "x" << shape.height
                                      << " padding " << shape.padding);
      const int srcStep = SourceRowBytes(conversion, shape.width) + shape.padding;
      const int dstStep = DestinationRowBytes(conversion, shape.width) + shape.padding;
      const size_t srcSize = size_t(srcStep) * (shape.height - 1) + SourceRowBytes(conversion, shape.width);
      const size_t dstSize = size_t(dstStep) * (shape.height - 1) + DestinationRowBytes(conversion, shape.width);
      const int chromaRows = std::max(1, shape.height / 2);
      const size_t chromaSize = size_t(srcStep) * (chromaRows - 1) + shape.width;
      GuardedBuffer src(srcSize), chroma(chromaSize);
      test::FillRandom(src.data(), srcSize, random);
      test::FillRandom(chroma.data(), chromaSize, random);
      for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xFF}}) {
        std::vector<uint8_t> expected;
        ForEachSimdLevel([&](SimdLevel level) {
          GuardedBuffer dst(dstSize, fill);
          const int status = RunConversion(conversion, src.data(), srcStep, chroma.data(), srcStep, dst.data(), dstStep,
                                 shape.width, shape.height);
          const int odd = conversion == Conversion::Nv12To24 && ((shape.width | shape.height) & 1) != 0;
          EXPECT_EQ(status, odd ? kConvertOddSize : kConvertOk);
          if (level == SimdLevel::Reference) {
            expected = dst.bytes();
          } else {
            EXPECT_EQ(dst.bytes(), expected) << FirstDifference(expected.data(), dst.data(), dstSize);
          }
        });
      }
    }
  }
}

// Every luma and chroma combination decodes exactly as the reference does at every level; this is
// where saturation and rounding of the vector arithmetic would show.
TEST(PixelConversion, EveryYuvCombinationDecodesAsTheReference) {
  constexpr int kWidth = 512;  // per row: Y0 = 0..255 with Y1 = 255 - Y0, one C2 value per row
  std::vector<uint8_t> yuy2(size_t(256) * kWidth * 2), luma(size_t(2) * 256 * kWidth), uv(size_t(256) * kWidth);
  std::vector<std::vector<uint8_t>> expectedYuy2(256), expectedNv12(256);
  std::vector<uint8_t> out(size_t(512) * kWidth * 3);
  for (int c1 = 0; c1 < 256; c1 += 1) {
    for (int row = 0; row < 256; ++row) {
      for (int pair = 0; pair < kWidth / 2; ++pair) {
        uint8_t* p = &yuy2[(size_t(row) * kWidth + pair * 2) * 2];
        p[0] = static_cast<uint8_t>(pair), p[1] = static_cast<uint8_t>(c1);
        p[2] = static_cast<uint8_t>(255 - pair), p[3] = static_cast<uint8_t>(row);
        uv[size_t(row) * kWidth + pair * 2] = static_cast<uint8_t>(row);
        uv[size_t(row) * kWidth + pair * 2 + 1] = static_cast<uint8_t>(c1);
      }
      for (int x = 0; x < kWidth; ++x) {
        luma[size_t(2 * row) * kWidth + x] = static_cast<uint8_t>(x / 2);
        luma[size_t(2 * row + 1) * kWidth + x] = static_cast<uint8_t>(255 - x / 2);
      }
    }
    ForEachSimdLevel([&](SimdLevel level) {
      ASSERT_EQ(Convert422To24(yuy2.data(), kWidth * 2, out.data(), kWidth * 3, kWidth, 256), kConvertOk);
      std::vector<uint8_t> fromYuy2(out.begin(), out.begin() + size_t(256) * kWidth * 3);
      ASSERT_EQ(ConvertNV12To24(luma.data(), kWidth, uv.data(), kWidth, out.data(), kWidth * 3, kWidth, 512),
                kConvertOk);
      if (level == SimdLevel::Reference) {
        expectedYuy2[c1] = std::move(fromYuy2);
        expectedNv12[c1] = out;
      } else {
        ASSERT_EQ(fromYuy2, expectedYuy2[c1])
            << "C1 " << c1 << ": " << FirstDifference(expectedYuy2[c1].data(), fromYuy2.data(), fromYuy2.size());
        ASSERT_EQ(out, expectedNv12[c1])
            << "V " << c1 << ": " << FirstDifference(expectedNv12[c1].data(), out.data(), out.size());
      }
    });
    expectedYuy2[c1].clear(), expectedNv12[c1].clear();
  }
}

// Every colour, paired with its complement so that each pair's chroma sums vary too.
TEST(PixelConversion, EveryColourEncodesAsTheReference) {
  constexpr int kWidth = 4096;
  std::vector<uint8_t> rgb(size_t(kWidth) * 3 * 2);
  for (int block = 0; block < (1 << 24) / (kWidth / 2); ++block) {
    for (int pair = 0; pair < kWidth / 2; ++pair) {
      const uint32_t colour = uint32_t(block) * (kWidth / 2) + pair;
      uint8_t* p = &rgb[size_t(pair) * 6];
      p[0] = colour & 0xFF, p[1] = (colour >> 8) & 0xFF, p[2] = colour >> 16;
      p[3] = ~p[0], p[4] = ~p[1], p[5] = ~p[2];
    }
    std::vector<uint8_t> expected;
    ForEachSimdLevel([&](SimdLevel level) {
      std::vector<uint8_t> yuy2(size_t(kWidth) * 2);
      ASSERT_EQ(Convert24To422(rgb.data(), kWidth * 3, yuy2.data(), kWidth * 2, kWidth, 1), kConvertOk);
      if (level == SimdLevel::Reference) {
        expected = yuy2;
      } else {
        ASSERT_EQ(yuy2, expected) << "block " << block << ": "
                                  << FirstDifference(expected.data(), yuy2.data(), yuy2.size());
      }
    });
  }
}

// Decoding and encoding again keeps 4:2:2 pictures that came from colours inside the RGB cube within
// rounding of where they were.
TEST(PixelConversion, Yuy2RoundTripKeepsColours) {
  constexpr int kWidth = 256, kHeight = 64;
  std::mt19937 random(7);
  std::uniform_int_distribution<int> base(24, 231), delta(-24, 24);
  std::vector<uint8_t> rgb(size_t(kWidth) * 3 * kHeight), yuy2(size_t(kWidth) * 2 * kHeight);
  for (size_t i = 0; i < rgb.size(); i += 6) {
    for (int channel = 0; channel < 3; ++channel) {
      const int value = base(random);
      rgb[i + channel] = static_cast<uint8_t>(value);
      rgb[i + 3 + channel] = static_cast<uint8_t>(value + delta(random));  // a neighbour of similar colour
    }
  }
  ASSERT_EQ(Convert24To422(rgb.data(), kWidth * 3, yuy2.data(), kWidth * 2, kWidth, kHeight), kConvertOk);
  ForEachSimdLevel([&](SimdLevel) {
    std::vector<uint8_t> decoded(rgb.size()), back(yuy2.size());
    ASSERT_EQ(Convert422To24(yuy2.data(), kWidth * 2, decoded.data(), kWidth * 3, kWidth, kHeight), kConvertOk);
    ASSERT_EQ(Convert24To422(decoded.data(), kWidth * 3, back.data(), kWidth * 2, kWidth, kHeight), kConvertOk);
    int worst = 0;
    for (size_t i = 0; i < yuy2.size(); ++i) worst = std::max(worst, std::abs(int{back[i]} - int{yuy2[i]}));
    EXPECT_LE(worst, 1);
  });
}

}  // namespace
}  // namespace orvane
