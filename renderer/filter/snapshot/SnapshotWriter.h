// Writes one delivered picture as an upright JPEG file with the Windows Imaging Component: RGB24,
// RGB32, YUY2 (DirectShow byte order Y0, U, Y1, V) or NV12 (both planes at the frame's stride), at the
// picture's own size, with the encoder's default quality.
//
// Threading: any thread; the renderer calls it on its SnapshotWorker's thread, away from the frame
// path. It keeps no state between calls and may run on several threads at once; which request a call
// serves (one file per request, the later of two pending requests winning) is the caller's atomic
// hand-off. It initialises COM on the calling thread for the call when nobody has (and leaves an
// apartment that is already there alone).
// Ownership: borrows the factory and the pixels for the call only; owns every temporary it makes.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <cstdint>

#include "shared/FrameFormat.h"

namespace orvane {

// `pixels` holds the picture as it sits in a frame record: `geometry` (its stride 0 or less meaning
// the default) gives the layout, the size and the rows (for NV12 the chroma plane follows the luma
// plane at |height| x stride bytes); `bottomUp` says that the first row in memory is the bottom of the
// picture (the frame push's rule: RGB24 or RGB32 with a positive height). The file shows the picture
// upright, |height| rows of `width` pixels.
//
// The file appears at `path` complete or not at all: the JPEG is encoded in memory and written to a
// temporary file beside `path`, which then replaces any file of that name; on any failure the
// temporary file is removed and an existing file at `path` stays as it was.
//
// Results: S_OK; E_POINTER for a null factory, path or pixel pointer; E_INVALIDARG for an empty path
// or a geometry that CheckFrameGeometry refuses; E_OUTOFMEMORY when a buffer cannot be had; otherwise
// the failing WIC or file call's HRESULT, unchanged (Windows errors as HRESULT_FROM_WIN32).
HRESULT WriteSnapshotJpeg(IWICImagingFactory* factory, const wchar_t* path, const uint8_t* pixels,
                          const FrameHeader& geometry, bool bottomUp);

}  // namespace orvane
