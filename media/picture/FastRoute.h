// The quick routes to a client frame, tried before the general resampler of PictureRenderer: whole
// frames through libyuv's converters and scalers, and through the frame library's kernels wherever a
// picture turns from YUV into RGB (ConvertYUY2To24, ConvertNV12To24), so that those colours are the
// device's own exact BT.601 ones (libyuv's YUV to RGB arithmetic is up to 4 levels off at saturated
// colours), and from RGB32 into RGB24.
//
// A route covers a layout change at the same size, and scaling with a layout change:
//   - same size: the producer's rows go into the client's in one conversion where one call does it;
//     otherwise, and whenever a mirror is set, band by band through buffers of a few rows that stay in
//     the cache, so the client frame is written once. A flip writes the client's rows from the last
//     one up (or, band by band, reads the producer's from the last one up).
//   - scaling: the shown part of the producer frame is scaled as I420 planes (YUV producers: NV12's
//     luma in place) or as RGB32 (RGB producers: RGB32 in place), then converted as above. When no
//     mirror is set, the scaler writes an RGB32 client's frame, and a NV12 client's luma, itself.
//     YUV producers shrunk by at most 2 are converted and scaled in bands (see Plan).
// A shrink by more than 2 first halves the picture with 2 x 2 averages (exactly rounded, so a flat
// colour stays the same) until at most a factor of 2 is left, which the bilinear filter finishes: no
// aliasing. Declined, and rendered by the general path instead: a shrink that cannot be halved in
// both directions, one steeper than kMaxFastShrink, 4:2:x layouts of odd size, and scaling of
// pictures under kMinFastSide, where libyuv's filter places its edge samples differently from ours
// (and the general path costs nothing anyway).
//
// One FastRoute belongs to one PictureRenderer plan and is used by one thread at a time. It owns its
// working planes, sized when it is planned; rendering allocates nothing in our code (libyuv's scalers
// and its RGB to YUV converters take a row buffer of a few KiB from the heap inside some calls).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "media/picture/PictureGeometry.h"
#include "shared/FrameFormat.h"

namespace orvane::picture {

// The steepest shrink per axis a fast route takes on (the general path bounds its own work by
// sampling beyond that).
inline constexpr int32_t kMaxFastShrink = 16;
inline constexpr int32_t kMinFastSide = 32;

class FastRoute {
 public:
  // Plans the route for a producer frame of `sourceType` (sourceWidth x sourceRows) into a client
  // frame of `clientType` with `fit`'s content rectangle. False when no fast route serves it; the
  // route is then empty. May throw std::bad_alloc.
  bool Plan(FramePixelType sourceType, int32_t sourceWidth, int32_t sourceRows, FramePixelType clientType,
            const PictureFit& fit, bool mirror, bool flip);

  // Renders the planned route. The producer's rows start at `sourceTop` (its top row as a viewer sees
  // it), `sourceStep` bytes apart (negative for bottom-up RGB); NV12 chroma rows at `sourceChroma`,
  // `sourceStride` apart. The client's content rectangle starts at `contentTop`, rows `clientStep`
  // apart, NV12 chroma at `contentChroma`, `clientStride` apart. Bars are not touched.
  void Render(const uint8_t* sourceTop, ptrdiff_t sourceStep, const uint8_t* sourceChroma, int32_t sourceStride,
              uint8_t* contentTop, ptrdiff_t clientStep, uint8_t* contentChroma, int32_t clientStride);

  // Source bytes a render reads, and the bytes of the working planes it writes and reads again.
  int64_t BytesRead() const;

  // The layouts a route passes through: the four client layouts, and I420 working planes.
  enum class Layout { Yuy2, Nv12, Rgb24, Argb, I420 };

 private:

  Layout source_ = Layout::Yuy2, client_ = Layout::Yuy2;
  bool mirror_ = false, flip_ = false;
  int32_t windowX_ = 0, windowY_ = 0, windowWidth_ = 0, windowHeight_ = 0;
  int32_t width_ = 0, height_ = 0;  // the content rectangle
  bool scaling_ = false;
  Layout scaled_ = Layout::Yuy2;  // the layout the scaler works in
  int32_t halvings_ = 0;          // 2 x 2 averages before the bilinear step
  // Content rows scaled per band from `bandSourceRows_` window rows, or 0 for the whole picture at
  // once (see Plan).
  int32_t bandRows_ = 0, bandSourceRows_ = 0;
  bool scaleIntoClient_ = false;
  // Working planes: the window in the scaled layout (when it is not the source's), the halved
  // pictures (alternating between two buffers), the scaled picture (unless the client takes it),
  // and bands for a mirror and the conversions that go through a layout in between.
  std::vector<uint8_t> prepared_, halved_[2], scaledPlanes_, bands_[3];
};

}  // namespace orvane::picture
