// The two transforms the renderer applies to a frame before delivering it: the crop of the digital
// zoom with pan, and the rotation by 90 degrees clockwise. Pictures are FrameViews: pixels with their
// geometry, which a crop narrows without copying, so that a crop followed by a rotation reads the
// source only once. Geometry must have passed CheckFrameGeometry (stride resolved) before it reaches
// these functions. They allocate nothing; any thread may call them.
#pragma once

#include <cstdint>

#include "media/frame/FrameStatus.h"
#include "shared/FrameFormat.h"

namespace orvane {

// A picture in memory. For NV12, `chroma` is the interleaved U, V plane: |height| / 2 rows, `stride`
// bytes apart (in a frame as delivered it starts |height| x stride bytes after the luma plane).
struct FrameView {
  FrameHeader header;
  const uint8_t* pixels = nullptr;
  const uint8_t* chroma = nullptr;
};

// The view of a frame laid out as in a frame record: NV12 chroma right after the luma plane.
FrameView MakeFrameView(const uint8_t* pixels, const FrameHeader& header);

// The part of the picture that the digital zoom keeps, in pixels and in memory order (x from the left
// of a row, y from the first row in memory). Offsets and margins are multiples of 4.
struct CropWindow {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  friend constexpr bool operator==(const CropWindow&, const CropWindow&) = default;
};

// zoom 1..40 keeps about 10 / (zoom + 10) of each dimension; pan -zoom..+zoom moves the window from the
// first to the last possible position (0 centres it, as does a pan outside that range). zoom <= 0
// keeps the whole picture. Any 32-bit values are safe.
CropWindow ComputeCropWindow(int32_t width, int32_t rows, int32_t zoom, int32_t panX, int32_t panY);

// The window as a view into the same memory, same stride; NV12 chroma follows at half the rows.
FrameView CropView(const FrameView& view, const CropWindow& window);

// What a copy or a rotation writes: rows at the default stride of the layout. The stride is 0 when
// such rows could not be described in 32 bits; CheckFrameGeometry refuses those.
FrameHeader CompactGeometry(const FrameHeader& header);
// Width and height swap, the height keeping its sign (the orientation convention carries over).
FrameHeader RotatedGeometry(const FrameHeader& header);

// Writes the view with CompactGeometry: RGB24 row padding is zeroed, and for an odd NV12 size the
// chroma bytes outside the picture are set to 128 (no colour). Returns kConvertOk, or
// kConvertNullPointer or kConvertBadSize (FrameStatus.h) having written nothing.
int CopyFrame(const FrameView& view, uint8_t* dst);

// Crop of a whole frame laid out as in a frame record: CopyFrame of the window. A window that does not
// lie inside the frame gives kConvertBadSize.
int CropFrame(const uint8_t* src, const FrameHeader& header, const CropWindow& window, uint8_t* dst);

// Turns the view 90 degrees clockwise as a viewer sees it and writes it with RotatedGeometry. RGB rows
// follow their height's sign (positive = bottom-up); YUY2 and NV12 rows are always top-down. YUY2
// goes through 3-byte pixels and back (Convert422To24, Convert24To422) with identical results. Padding
// is filled as by CopyFrame. Returns what CopyFrame returns.
int RotateFrame(const FrameView& view, uint8_t* dst);

}  // namespace orvane
