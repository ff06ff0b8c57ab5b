// Encoding of 24-bit pixel rows through the Windows Imaging Component: the one sequence of encoder,
// frame and commit that the snapshot writer and the synthetic webcam's JPEG frames both need.
// Any thread with COM initialised; nothing is kept between calls.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <cstdint>

namespace orvane {

// Writes `height` rows of 24-bit B, G, R pixels, top row first, `stride` bytes apart (all `stride` bytes
// of every row are readable), as one frame of `container` (GUID_ContainerFormatJpeg, ...) into
// `stream`. An encoder that wants another pixel layout gives WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT; rows
// too large for WIC's 32-bit byte count give E_OUTOFMEMORY. WIC's errors pass through unchanged.
HRESULT EncodeBgr24(IWICImagingFactory* factory, IStream* stream, const GUID& container, const uint8_t* rows,
                    uint32_t width, uint32_t height, uint32_t stride);

}  // namespace orvane
