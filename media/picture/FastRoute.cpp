#include "media/picture/FastRoute.h"

#include <libyuv/convert.h>
#include <libyuv/convert_argb.h>
#include <libyuv/convert_from.h>
#include <libyuv/convert_from_argb.h>
#include <libyuv/planar_functions.h>
#include <libyuv/scale.h>
#include <libyuv/scale_argb.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "media/frame/PixelConversion.h"

namespace orvane::picture {
namespace {

using Layout = FastRoute::Layout;

// Rows converted at a time when a conversion goes through a layout in between or a mirror: a band of
// 1080p RGB32 is 120 KiB, still in the cache when the next step reads it.
constexpr int32_t kBandRows = 16;

bool IsYuv(Layout layout) { return layout != Layout::Rgb24 && layout != Layout::Argb; }
bool HalvesRows(Layout layout) { return layout == Layout::Nv12 || layout == Layout::I420; }

Layout LayoutOf(FramePixelType type) {
  switch (type) {
    case FramePixelType::YUY2: return Layout::Yuy2;
    case FramePixelType::NV12: return Layout::Nv12;
    case FramePixelType::RGB24: return Layout::Rgb24;
    case FramePixelType::RGB32: return Layout::Argb;
  }
  return Layout::Yuy2;
}

int32_t MainRowBytes(Layout layout, int32_t width) {
  switch (layout) {
    case Layout::Yuy2: return 2 * width;
    case Layout::Rgb24: return 3 * width;
    case Layout::Argb: return 4 * width;
    case Layout::Nv12:
    case Layout::I420: return width;
  }
  return 0;
}

// A picture in one of the route's layouts: rows in picture order, strides possibly negative. Plane 1
// holds the interleaved U, V of NV12, or I420's U with its V in plane 2.
struct Image {
  Layout layout;
  int32_t width, height;
  const uint8_t* plane[3];
  int32_t stride[3];
};

struct Canvas {
  Layout layout;
  uint8_t* plane[3];
  int32_t stride[3];
};

int32_t ChromaRow(Layout layout, int32_t row) { return HalvesRows(layout) ? row / 2 : row; }

// Rows from `row` on; `row` is even for the layouts that halve rows.
Image Rows(const Image& image, int32_t row, int32_t count) {
  Image part = image;
  part.height = count;
  part.plane[0] += ptrdiff_t{row} * image.stride[0];
  for (int p = 1; p < 3; ++p) {
    if (image.plane[p] != nullptr) part.plane[p] += ptrdiff_t{ChromaRow(image.layout, row)} * image.stride[p];
  }
  return part;
}
Canvas Rows(const Canvas& canvas, int32_t row) {
  Canvas part = canvas;
  part.plane[0] += ptrdiff_t{row} * canvas.stride[0];
  for (int p = 1; p < 3; ++p) {
    if (canvas.plane[p] != nullptr) part.plane[p] += ptrdiff_t{ChromaRow(canvas.layout, row)} * canvas.stride[p];
  }
  return part;
}

// Points the planes at their last rows and reverses their strides. The layouts that halve rows have
// an even number of them here, so each chroma row stays with its two luma rows.
template <class Pointer>
void FlipPlanes(Layout layout, int32_t height, Pointer (&plane)[3], int32_t (&stride)[3]) {
  const int32_t chromaRows = HalvesRows(layout) ? height / 2 : height;
  for (int p = 0; p < 3; ++p) {
    if (plane[p] == nullptr) continue;
    plane[p] += ptrdiff_t{(p == 0 ? height : chromaRows) - 1} * stride[p];
    stride[p] = -stride[p];
  }
}

// The same picture upside down, read from its last row.
Image Flipped(const Image& image) {
  Image flipped = image;
  FlipPlanes(image.layout, image.height, flipped.plane, flipped.stride);
  return flipped;
}

// A canvas written upside down, from its last row up. Writing backwards turns a picture over faster
// than reading backwards does: the reads, which the processor waits for, stay in order.
Canvas Flipped(const Canvas& canvas, int32_t height) {
  Canvas flipped = canvas;
  FlipPlanes(canvas.layout, height, flipped.plane, flipped.stride);
  return flipped;
}

// Dense planes of a layout at width x height (even for the 4:2:x layouts) in one buffer.
size_t PlanesSize(Layout layout, int32_t width, int32_t height) {
  const size_t main = size_t(MainRowBytes(layout, width)) * size_t(height);
  return HalvesRows(layout) ? main + main / 2 : main;
}
Canvas PlanesIn(uint8_t* buffer, Layout layout, int32_t width, int32_t height) {
  Canvas canvas{layout, {buffer, nullptr, nullptr}, {MainRowBytes(layout, width), 0, 0}};
  uint8_t* chroma = buffer + size_t(canvas.stride[0]) * size_t(height);
  if (layout == Layout::Nv12) {
    canvas.plane[1] = chroma;
    canvas.stride[1] = width;
  } else if (layout == Layout::I420) {
    canvas.plane[1] = chroma;
    canvas.plane[2] = chroma + size_t(width / 2) * size_t(height / 2);
    canvas.stride[1] = canvas.stride[2] = width / 2;
  }
  return canvas;
}
Image AsImage(const Canvas& canvas, int32_t width, int32_t height) {
  return {canvas.layout, width, height, {canvas.plane[0], canvas.plane[1], canvas.plane[2]},
          {canvas.stride[0], canvas.stride[1], canvas.stride[2]}};
}

// The layout after `from` on the way to `to`: `to` itself when one call converts between them.
Layout NextLayout(Layout from, Layout to) {
  switch (from) {
    case Layout::Yuy2: return to == Layout::Argb ? Layout::Rgb24 : to;
    case Layout::Nv12: return to == Layout::Argb ? Layout::Rgb24 : to == Layout::Yuy2 ? Layout::I420 : to;
    case Layout::I420: return IsYuv(to) ? to : Layout::Nv12;
    case Layout::Rgb24: return to == Layout::Rgb24 ? to : Layout::Argb;
    case Layout::Argb: return to;
  }
  return to;
}

// YUY2 pairs with their luma swapped (Y1, U, Y0, V), for libyuv's four-byte shuffle, four at a time.
alignas(16) constexpr uint8_t kSwapLuma[16] = {2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15};

// Writes the image mirrored into a canvas of the same layout. `scratch` holds the image's rows for
// YUY2, whose pairs are reversed as four-byte groups once their luma samples have been swapped.
void Mirror(const Image& in, const Canvas& out, uint8_t* scratch) {
  const int32_t w = in.width, h = in.height;
  switch (in.layout) {
    case Layout::Yuy2:
      libyuv::ARGBShuffle(in.plane[0], in.stride[0], scratch, 2 * w, kSwapLuma, w / 2, h);
      libyuv::ARGBMirror(scratch, 2 * w, out.plane[0], out.stride[0], w / 2, h);
      return;
    case Layout::Rgb24: libyuv::RGB24Mirror(in.plane[0], in.stride[0], out.plane[0], out.stride[0], w, h); return;
    case Layout::Argb: libyuv::ARGBMirror(in.plane[0], in.stride[0], out.plane[0], out.stride[0], w, h); return;
    case Layout::Nv12:
      libyuv::MirrorPlane(in.plane[0], in.stride[0], out.plane[0], out.stride[0], w, h);
      libyuv::MirrorUVPlane(in.plane[1], in.stride[1], out.plane[1], out.stride[1], w / 2, h / 2);
      return;
    case Layout::I420:
      libyuv::MirrorPlane(in.plane[0], in.stride[0], out.plane[0], out.stride[0], w, h);
      for (int p = 1; p < 3; ++p) {
        libyuv::MirrorPlane(in.plane[p], in.stride[p], out.plane[p], out.stride[p], w / 2, h / 2);
      }
      return;
  }
}

// One step of NextLayout (or a copy) over a whole image into a canvas of the same size.
void Convert(const Image& in, const Canvas& out) {
  const int32_t w = in.width, h = in.height;
  const uint8_t* const* s = in.plane;
  const int32_t* ss = in.stride;
  uint8_t* const* d = out.plane;
  const int32_t* ds = out.stride;
  switch (in.layout) {
    case Layout::Yuy2:
      switch (out.layout) {
        case Layout::Yuy2: libyuv::CopyPlane(s[0], ss[0], d[0], ds[0], 2 * w, h); return;
        case Layout::Nv12: libyuv::YUY2ToNV12(s[0], ss[0], d[0], ds[0], d[1], ds[1], w, h); return;
        case Layout::I420: libyuv::YUY2ToI420(s[0], ss[0], d[0], ds[0], d[1], ds[1], d[2], ds[2], w, h); return;
        case Layout::Rgb24: ConvertYUY2To24(s[0], ss[0], d[0], ds[0], w, h); return;
        default: return;
      }
    case Layout::Nv12:
      switch (out.layout) {
        case Layout::Nv12:
          libyuv::CopyPlane(s[0], ss[0], d[0], ds[0], w, h);
          libyuv::CopyPlane(s[1], ss[1], d[1], ds[1], w, h / 2);
          return;
        case Layout::Rgb24: ConvertNV12To24(s[0], ss[0], s[1], ss[1], d[0], ds[0], w, h); return;
        case Layout::I420:
          libyuv::CopyPlane(s[0], ss[0], d[0], ds[0], w, h);
          libyuv::SplitUVPlane(s[1], ss[1], d[1], ds[1], d[2], ds[2], w / 2, h / 2);
          return;
        default: return;
      }
    case Layout::I420:
      switch (out.layout) {
        case Layout::Nv12:
          libyuv::CopyPlane(s[0], ss[0], d[0], ds[0], w, h);
          libyuv::MergeUVPlane(s[1], ss[1], s[2], ss[2], d[1], ds[1], w / 2, h / 2);
          return;
        case Layout::Yuy2: libyuv::I420ToYUY2(s[0], ss[0], s[1], ss[1], s[2], ss[2], d[0], ds[0], w, h); return;
        default: return;
      }
    case Layout::Rgb24:
      switch (out.layout) {
        case Layout::Rgb24: libyuv::CopyPlane(s[0], ss[0], d[0], ds[0], 3 * w, h); return;
        case Layout::Argb: libyuv::RGB24ToARGB(s[0], ss[0], d[0], ds[0], w, h); return;
        default: return;
      }
    case Layout::Argb:
      switch (out.layout) {
        case Layout::Argb: libyuv::ARGBCopy(s[0], ss[0], d[0], ds[0], w, h); return;
        case Layout::Rgb24: Convert32To24(s[0], ss[0], d[0], ds[0], w, h); return;
        case Layout::Yuy2: libyuv::ARGBToYUY2(s[0], ss[0], d[0], ds[0], w, h); return;
        case Layout::Nv12: libyuv::ARGBToNV12(s[0], ss[0], d[0], ds[0], d[1], ds[1], w, h); return;
        default: return;
      }
  }
}

// One step into a band buffer. Between NV12 and I420 only the chroma moves; the luma is read in place.
Image ConvertInto(const Image& in, Layout next, uint8_t* buffer) {
  const int32_t w = in.width, h = in.height;
  if (in.layout == Layout::Nv12 && next == Layout::I420) {
    uint8_t* u = buffer;
    uint8_t* v = buffer + size_t(w / 2) * size_t(h / 2);
    libyuv::SplitUVPlane(in.plane[1], in.stride[1], u, w / 2, v, w / 2, w / 2, h / 2);
    return {Layout::I420, w, h, {in.plane[0], u, v}, {in.stride[0], w / 2, w / 2}};
  }
  if (in.layout == Layout::I420 && next == Layout::Nv12) {
    libyuv::MergeUVPlane(in.plane[1], in.stride[1], in.plane[2], in.stride[2], buffer, w, w / 2, h / 2);
    return {Layout::Nv12, w, h, {in.plane[0], buffer, nullptr}, {in.stride[0], w, 0}};
  }
  const Canvas out = PlanesIn(buffer, next, w, h);
  Convert(in, out);
  return AsImage(out, w, h);
}

// Halves the picture with 2 x 2 averages (libyuv's half-size path, exactly rounded).
void Halve(const Image& in, const Canvas& out) {
  const int32_t w = in.width, h = in.height;
  switch (in.layout) {
    case Layout::Argb:
      libyuv::ARGBScale(in.plane[0], in.stride[0], w, h, out.plane[0], out.stride[0], w / 2, h / 2, libyuv::kFilterBox);
      return;
    case Layout::I420:
      libyuv::ScalePlane(in.plane[0], in.stride[0], w, h, out.plane[0], out.stride[0], w / 2, h / 2, libyuv::kFilterBox);
      for (int p = 1; p < 3; ++p) {
        libyuv::ScalePlane(in.plane[p], in.stride[p], w / 2, h / 2, out.plane[p], out.stride[p], w / 4, h / 4,
                           libyuv::kFilterBox);
      }
      return;
    default: return;
  }
}

// The bilinear step to the content's size: a factor between 1/2 and any enlargement.
void ScaleBilinear(const Image& in, const Canvas& out, int32_t width, int32_t height) {
  const int32_t w = in.width, h = in.height;
  constexpr libyuv::FilterMode kBilinear = libyuv::kFilterBilinear;
  switch (in.layout) {
    case Layout::Argb:
      libyuv::ARGBScale(in.plane[0], in.stride[0], w, h, out.plane[0], out.stride[0], width, height, kBilinear);
      return;
    case Layout::I420:
      libyuv::ScalePlane(in.plane[0], in.stride[0], w, h, out.plane[0], out.stride[0], width, height, kBilinear);
      for (int p = 1; p < 3; ++p) {
        libyuv::ScalePlane(in.plane[p], in.stride[p], w / 2, h / 2, out.plane[p], out.stride[p], width / 2,
                           height / 2, kBilinear);
      }
      return;
    default: return;
  }
}

}  // namespace

bool FastRoute::Plan(FramePixelType sourceType, int32_t sourceWidth, int32_t sourceRows, FramePixelType clientType,
                     const PictureFit& fit, bool mirror, bool flip) {
  *this = FastRoute{};
  source_ = LayoutOf(sourceType);
  client_ = LayoutOf(clientType);
  mirror_ = mirror;
  flip_ = flip;
  width_ = fit.content.width;
  height_ = fit.content.height;

  // The shown window in whole pixels: "Aspect Fill" may cut it between pixels, and the 4:2:x layouts
  // cut it on whole chroma samples. Rounding moves its edges by at most a source pixel.
  const int32_t align = IsYuv(source_) ? 2 : 1;
  const auto snap = [&](double at) { return static_cast<int32_t>(std::lround(at / align)) * align; };
  windowX_ = snap(fit.source.x);
  windowY_ = snap(fit.source.y);
  windowWidth_ = std::min(snap(fit.source.x + fit.source.width), sourceWidth) - windowX_;
  windowHeight_ = std::min(snap(fit.source.y + fit.source.height), sourceRows) - windowY_;
  scaling_ = windowWidth_ != width_ || windowHeight_ != height_;

  if (!scaling_) {
    scaled_ = source_;
  } else if (IsYuv(source_)) {
    // YUV is scaled as I420 planes: YUY2 has no scaler of its own, and libyuv's scaler of NV12's
    // interleaved chroma has no 2 x 2 average and blends the next row's first sample into a row's
    // last one at some ratios.
    scaled_ = Layout::I420;
  } else {
    scaled_ = Layout::Argb;
  }

  // 4:2:x layouts of odd size keep a last odd column or row by rules of their own, which the general
  // path follows; here every picture of such a layout has even sides.
  const bool yuv = IsYuv(source_) || IsYuv(client_) || IsYuv(scaled_);
  const bool halvedRows = HalvesRows(source_) || HalvesRows(client_) || HalvesRows(scaled_);
  const auto evenEnough = [&](int32_t width, int32_t height) {
    return (!yuv || width % 2 == 0) && (!halvedRows || height % 2 == 0);
  };
  if (windowWidth_ <= 0 || windowHeight_ <= 0 || !evenEnough(width_, height_) ||
      !evenEnough(windowWidth_, windowHeight_)) {
    return false;
  }

  if (scaling_) {
    if (std::min({width_, height_, windowWidth_, windowHeight_}) < kMinFastSide) return false;
    if (windowWidth_ > kMaxFastShrink * width_ || windowHeight_ > kMaxFastShrink * height_) return false;
    // Halve while both directions shrink by more than 2, on whole chroma samples of the halved picture.
    const int32_t granule = scaled_ == Layout::I420 ? 4 : 2;
    int32_t w = windowWidth_, h = windowHeight_;
    size_t halvedSize[2] = {0, 0};
    while (w > 2 * width_ && h > 2 * height_ && w % granule == 0 && h % granule == 0) {
      w /= 2, h /= 2;
      halvedSize[halvings_ % 2] = std::max(halvedSize[halvings_ % 2], PlanesSize(scaled_, w, h));
      ++halvings_;
    }
    // What is left must be a bilinear step; a steeper one would alias.
    if (w > 2 * width_ || h > 2 * height_) return false;

    // A shrink to I420 without halvings converts and scales band by band, so that the converted
    // window stays in the cache. The bands keep libyuv's sample positions exactly: each covers whole
    // periods of the ratio (`period` window rows to `contentPeriod` content rows) whose 16.16 slope
    // is exact, so every band starts where the whole picture's rows would be, and a shrink by at most
    // 2 reads no row past its band.
    if (scaled_ == Layout::I420 && scaled_ != source_ && halvings_ == 0 && height_ < windowHeight_) {
      const int32_t common = std::gcd(windowHeight_, height_);
      int32_t period = windowHeight_ / common, contentPeriod = height_ / common;
      if (period % 2 != 0 || contentPeriod % 2 != 0) period *= 2, contentPeriod *= 2;  // whole chroma rows
      const bool exactSlope = (int64_t{period} << 16) % contentPeriod == 0;
      if (exactSlope && contentPeriod <= kBandRows * 4 && height_ % contentPeriod == 0) {
        bandRows_ = std::max(1, kBandRows * 2 / contentPeriod) * contentPeriod;
        bandSourceRows_ = bandRows_ / contentPeriod * period;
      }
    }
    if (scaled_ != source_) {
      prepared_.assign(PlanesSize(scaled_, windowWidth_, bandRows_ > 0 ? bandSourceRows_ : windowHeight_), 0);
    }
    for (int i = 0; i < 2; ++i) halved_[i].assign(halvedSize[i], 0);
    scaleIntoClient_ = !mirror_ && (scaled_ == client_ || (scaled_ == Layout::I420 && client_ == Layout::Nv12));
    if (!scaleIntoClient_ || scaled_ == Layout::I420) scaledPlanes_.assign(PlanesSize(scaled_, width_, height_), 0);
  }

  // Bands for the conversions that take more than one step, and for a mirror.
  const bool oneStep = NextLayout(scaled_, client_) == client_;
  if (!oneStep || (mirror_ && !scaleIntoClient_)) {
    for (auto& band : bands_) band.assign(PlanesSize(Layout::Argb, width_, kBandRows), 0);
  }
  return true;
}

int64_t FastRoute::BytesRead() const {
  const int64_t window = int64_t{MainRowBytes(source_, windowWidth_)} * windowHeight_;
  return window + (HalvesRows(source_) ? window / 2 : 0) + int64_t(prepared_.size()) + int64_t(halved_[0].size()) +
         int64_t(halved_[1].size()) + int64_t(scaledPlanes_.size());
}

void FastRoute::Render(const uint8_t* sourceTop, ptrdiff_t sourceStep, const uint8_t* sourceChroma,
                       int32_t sourceStride, uint8_t* contentTop, ptrdiff_t clientStep, uint8_t* contentChroma,
                       int32_t clientStride) {
  // The shown window of the producer frame, in place.
  Image window{source_, windowWidth_, windowHeight_, {}, {static_cast<int32_t>(sourceStep), 0, 0}};
  window.plane[0] = sourceTop + ptrdiff_t{windowY_} * sourceStep + MainRowBytes(source_, windowX_);
  if (source_ == Layout::Nv12) {
    window.plane[1] = sourceChroma + ptrdiff_t{windowY_ / 2} * sourceStride + windowX_;
    window.stride[1] = sourceStride;
  }
  const Canvas client{client_, {contentTop, contentChroma, nullptr},
                      {static_cast<int32_t>(clientStep), clientStride, 0}};

  // Converts a picture of the content's size into the client, mirrored and flipped as set: in one
  // call when one step does it and nothing is mirrored, else band by band.
  const auto deliver = [&](const Image& in) {
    if (!mirror_ && NextLayout(in.layout, client_) == client_) {
      Convert(in, flip_ ? Flipped(client, height_) : client);
      return;
    }
    const Image oriented = flip_ ? Flipped(in) : in;
    for (int32_t row = 0; row < height_; row += kBandRows) {
      const int32_t rows = std::min(kBandRows, height_ - row);
      Image part = Rows(oriented, row, rows);
      const Canvas target = Rows(client, row);
      int band = 0;
      if (mirror_ && part.layout == client_ && part.layout != Layout::Yuy2) {
        // Copied into the cache first: the mirror then reads backwards from the cache, not memory.
        const Canvas copy = PlanesIn(bands_[1].data(), part.layout, width_, rows);
        Convert(part, copy);
        Mirror(AsImage(copy, width_, rows), target, bands_[0].data());
        continue;
      }
      if (mirror_ && part.layout == client_) {
        Mirror(part, target, bands_[0].data());  // YUY2's mirror reads the rows in order already
        continue;
      }
      if (mirror_) {
        // Mirrored first, while the picture has no more bytes than on the way on.
        const Canvas mirrored = PlanesIn(bands_[0].data(), part.layout, width_, rows);
        Mirror(part, mirrored, bands_[1].data());
        part = AsImage(mirrored, width_, rows);
        band = 1;
      }
      // A step may keep reading its input's luma in place, so three bands take turns.
      for (Layout next = NextLayout(part.layout, client_); next != client_; next = NextLayout(part.layout, client_)) {
        part = ConvertInto(part, next, bands_[band].data());
        band = (band + 1) % 3;
      }
      Convert(part, target);
    }
  };

  if (!scaling_) {
    deliver(window);
    return;
  }

  // The scaler writes the client when it can (turning the picture over by writing its rows from the
  // last one up), else working planes that `deliver` converts.
  const Canvas target = flip_ ? Flipped(client, height_) : client;
  Canvas scaled = target;
  if (!scaledPlanes_.empty()) scaled = PlanesIn(scaledPlanes_.data(), scaled_, width_, height_);
  if (scaleIntoClient_) {
    scaled.plane[0] = target.plane[0];
    scaled.stride[0] = target.stride[0];
  }

  if (bandRows_ > 0) {
    for (int32_t row = 0; row < height_; row += bandRows_) {
      const int32_t rows = std::min(bandRows_, height_ - row);
      // Whole periods: the window rows of a band are exact multiples.
      const int32_t sourceRow = row / bandRows_ * bandSourceRows_;
      const auto sourceRows = static_cast<int32_t>(int64_t{rows} * bandSourceRows_ / bandRows_);
      const Image band = ConvertInto(Rows(window, sourceRow, sourceRows), scaled_, prepared_.data());
      ScaleBilinear(band, Rows(scaled, row), width_, rows);
    }
  } else {
    Image picture = window;
    if (!prepared_.empty()) picture = ConvertInto(window, scaled_, prepared_.data());
    for (int32_t i = 0; i < halvings_; ++i) {
      const Canvas half = PlanesIn(halved_[i % 2].data(), scaled_, picture.width / 2, picture.height / 2);
      Halve(picture, half);
      picture = AsImage(half, picture.width / 2, picture.height / 2);
    }
    ScaleBilinear(picture, scaled, width_, height_);
  }
  if (!scaleIntoClient_) {
    deliver(AsImage(scaled, width_, height_));
  } else if (scaled_ == Layout::I420) {
    libyuv::MergeUVPlane(scaled.plane[1], scaled.stride[1], scaled.plane[2], scaled.stride[2], target.plane[1],
                         target.stride[1], width_ / 2, height_ / 2);
  }
}

}  // namespace orvane::picture
