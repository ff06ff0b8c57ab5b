// Decodes the idle picture file (property 4) with the Windows Imaging Component into the 32-bit
// pixels that PictureRenderer fits into each client frame: BMP, PNG, JPEG, GIF (its first frame) and
// whatever else WIC decodes. Pictures larger than the idle picture box are scaled down on decoding.
// Any thread with COM initialised; the result belongs to the caller.
#pragma once

#include <windows.h>

#include "media/picture/IdlePicture.h"

namespace orvane {

// S_OK with `picture` filled, or the HRESULT of the step that failed (a missing file gives
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), a file WIC cannot read WINCODEC_ERR_COMPONENTNOTFOUND);
// `picture` is then empty.
HRESULT DecodeIdlePicture(const wchar_t* path, picture::Picture32& picture);

}  // namespace orvane
