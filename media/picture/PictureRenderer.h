// Turns the latest producer picture into one client's frame: the picture is fitted into the client's
// size by the fill mode ("Aspect Fit" letterboxes in black, "Aspect Fill" crops, "Stretch" distorts),
// scaled, mirrored and flipped as set, and written in the client's layout (YUY2, NV12, RGB24 or RGB32;
// RGB bottom-up for a positive height, top-down for a negative one). A FastRoute does the work when
// one serves the geometry (FastRoute.h); the general path, Resampler's filter and the colour
// conversions of ColorSpace.h, renders everything else.
//
// One PictureRenderer belongs to one client stream and is used by one thread at a time. It owns its
// plans and working buffers, rebuilt only when the source geometry, the client geometry or the options
// change: a steady stream allocates nothing. Nothing is thrown; every refusal writes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "media/frame/FrameTransform.h"
#include "shared/FrameFormat.h"
#include "shared/VirtualCameraProperties.h"

namespace orvane::picture {

enum class PictureError {
  None,
  RecordTooShort,      // fewer bytes than a FrameHeader
  RecordGeometry,      // the header's geometry cannot be a frame (see `geometry`)
  RecordLength,        // the record is not exactly 16 + ImageSize bytes long
  ClientGeometry,      // the client's frame geometry is not valid
  ClientBufferTooSmall,
  OutOfMemory,
};

const char* DescribePictureError(PictureError error);

struct PictureOptions {
  FillMode fill = FillMode::AspectFit;
  bool mirror = false;  // left and right swapped, as a viewer sees the picture
  bool flip = false;    // top and bottom swapped
  friend constexpr bool operator==(const PictureOptions&, const PictureOptions&) = default;
};

// A frame record that came from another process, checked before anything reads its pixels: at least a
// header, a geometry CheckFrameGeometry accepts, and a length of exactly 16 + ImageSize.
struct CheckedRecord {
  PictureError error = PictureError::None;
  GeometryError geometry = GeometryError::None;
  FrameView view;  // the pixels inside the record, stride resolved; valid while the record is
  bool ok() const { return error == PictureError::None; }
};
CheckedRecord CheckFrameRecord(const uint8_t* record, size_t size);

// Bytes a client frame of this geometry needs (0 when CheckFrameGeometry refuses it).
size_t ClientFrameSize(const FrameHeader& client);

// Paints the whole client frame black (Y 16 and U, V 128 for YUY2 and NV12; 0 for RGB, with the
// fourth byte of RGB32 at 255), padding included. A stride of 0 or less means the layout's default.
PictureError FillBlack(const FrameHeader& client, uint8_t* out, size_t outSize);

class PictureRenderer {
 public:
  PictureRenderer();
  ~PictureRenderer();
  PictureRenderer(const PictureRenderer&) = delete;
  PictureRenderer& operator=(const PictureRenderer&) = delete;

  // Checks the record (CheckFrameRecord), then renders it.
  PictureError RenderRecord(const uint8_t* record, size_t size, const FrameHeader& client, uint8_t* out,
                            size_t outSize, const PictureOptions& options);

  // `source` must be a checked view (its header passes CheckFrameGeometry with a resolved stride, NV12
  // with its chroma plane) whose pixels cover ImageSize bytes. The client's stride may be 0 or less
  // for the default; `outSize` must cover ClientFrameSize(client).
  PictureError Render(const FrameView& source, const FrameHeader& client, uint8_t* out, size_t outSize,
                      const PictureOptions& options);

  // What the current plan reads for one client frame (zeros before the first render, and for a plain
  // copy; for a fast route, `rowReads` counts the bytes its converters and scalers read): `rowReads` source bytes over all rows of the vertical passes, `sampleReads` filtered samples
  // over all samples of the horizontal passes. Both follow the client's size, not the producer's: each
  // destination sample reads at most kMaxTaps samples per axis, and a vertical pass filters no more of
  // a source row than its destination samples reach (only the samples they read, when a shrink skips).
  struct Work {
    int64_t rowReads = 0;
    int64_t sampleReads = 0;
  };
  Work PlannedWork() const;

  // The fast routes (FastRoute.h) are on by default; tests and benchmarks turn them off to compare
  // them with the general path. A change takes effect at the next render.
  void UseFastRoutes(bool on) { fastRoutes_ = on; }

 private:
  struct Plan;
  std::unique_ptr<Plan> plan_;
  bool fastRoutes_ = true;
};

}  // namespace orvane::picture
