// The pixel conversions of the frame path and of the virtual camera's pictures, in the shape of an image library: source pointer and
// row step, destination pointer and row step, region width and height in pixels; a status number out.
// Steps may exceed the bytes a row uses (and may be negative, to walk a plane upwards); only `width`
// pixels of `height` rows are read and written. The statuses are those of FrameStatus.h. BT.601 studio
// range in 16.16 fixed point, every sample saturated to 0..255. The fastest instruction set of the
// processor is used (SimdLevel.h) and every level gives the same bytes. They allocate nothing; any
// thread may call them.
#pragma once

#include <cstdint>

#include "media/frame/FrameStatus.h"

namespace orvane {

// 4:2:2 (Y0, C1, Y1, C2 per pair) to 3-byte pixels; C1 drives the first byte, C2 the third.
int Convert422To24(const uint8_t* src, int32_t srcStep, uint8_t* dst, int32_t dstStep, int32_t width,
                   int32_t height);

// 3-byte pixels to 4:2:2, the inverse of Convert422To24 in the same byte roles. An odd last pixel
// writes two bytes (Y, C1).
int Convert24To422(const uint8_t* src, int32_t srcStep, uint8_t* dst, int32_t dstStep, int32_t width,
                   int32_t height);

// NV12 (a luma plane and an interleaved U, V plane at half resolution) to blue, green, red. Converts
// width / 2 * 2 columns and height / 2 * 2 rows; returns kConvertOddSize when something was left over.
int ConvertNV12To24(const uint8_t* srcY, int32_t yStep, const uint8_t* srcUV, int32_t uvStep, uint8_t* dst,
                    int32_t dstStep, int32_t width, int32_t height);

// YUY2 in DirectShow's byte order (Y0, U, Y1, V per pair) to blue, green, red: the arithmetic of
// ConvertNV12To24 with each row's own chroma, as the virtual camera's clients decode it. An odd last
// pixel keeps its U and borrows the V before it.
int ConvertYUY2To24(const uint8_t* src, int32_t srcStep, uint8_t* dst, int32_t dstStep, int32_t width,
                    int32_t height);

// 4-byte pixels to 3-byte pixels: the fourth byte is dropped.
int Convert32To24(const uint8_t* src, int32_t srcStep, uint8_t* dst, int32_t dstStep, int32_t width,
                  int32_t height);

}  // namespace orvane
