// The status numbers that the frame library's conversions (PixelConversion.h) and transforms
// (FrameTransform.h) return. The values are fixed, since callers and logs know them as numbers.
#pragma once

namespace orvane {

// Done: every byte of the result was written.
inline constexpr int kConvertOk = 0;

// A source or destination pointer (or an NV12 view's chroma plane) was null. Nothing was written.
inline constexpr int kConvertNullPointer = -8;

// The size cannot be worked on, and nothing was written: a conversion's width or height is not
// positive; a transform's picture has geometry that CheckFrameGeometry refuses or a stride that is not
// resolved, its result could not be described in 32 bits, or a crop window does not lie inside it.
inline constexpr int kConvertBadSize = -6;

// NV12 to 3-byte pixels only: an odd width or height left the last column or row as it was, and
// everything else was written (4:2:0 chroma covers pixel pairs only).
inline constexpr int kConvertOddSize = 35;

}  // namespace orvane
