// Opens and decodes the idle picture file (property 4) with the Windows Imaging Component into the
// 32-bit pixels that PictureRenderer fits into each client frame: BMP, PNG, JPEG, GIF (its first frame)
// and whatever else WIC decodes. Pictures larger than the idle picture box are scaled down on decoding.
//
// Every process that opens the camera reads the path from the shared section, which any process of the
// session can write, so a file is only read when it is a plain local one: the path passes
// CheckIdlePicturePath (IdlePicturePath.h), its drive is fixed or removable, no folder on the way is a
// symbolic link (which could lead to a network share), and the opened file is a regular disk file, not
// a link, a directory or a placeholder that would be fetched from elsewhere, of at most
// kMaxIdlePictureFileBytes. Its bytes are read once and decoded from memory, and a picture wider or
// taller than kMaxIdlePictureSourceSide is refused before any pixel is decoded (DeclaredPictureSize.h
// reads the size from the header where a decoder might unpack the pixels on opening).
// Any thread with COM initialised (DecodeIdlePicture); the result belongs to the caller. The file may
// be on a slow drive: clients call this off their streaming threads.
#pragma once

#include <windows.h>

#include <cstdint>

#include "media/picture/IdlePicture.h"
#include "platform/win/UniqueResource.h"

namespace orvane {

// Large enough for any photograph a camera or phone takes as JPEG or PNG.
inline constexpr uint64_t kMaxIdlePictureFileBytes = uint64_t{64} << 20;
// 8K (7680 x 4320) and 48-megapixel photographs (8000 x 6000) fit.
inline constexpr UINT kMaxIdlePictureSourceSide = 8192;

// Opens `path` for reading after the checks above: S_OK with `file` and its `size`; E_INVALIDARG for a
// path or drive the rules refuse; HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE) for something other than a
// regular disk file, ERROR_FILE_TOO_LARGE for a file above the limit, ERROR_EMPTY for an empty one;
// otherwise the error of opening (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ...).
HRESULT OpenIdlePictureFile(const wchar_t* path, UniqueHandle& file, uint64_t& size);

// Property 4's check in the producer's process, so that it learns of a refused path at once: S_OK for
// an empty path, an acceptable file and a file that does not exist (yet: it may be copied into place
// later, the clients try again), E_INVALIDARG for everything OpenIdlePictureFile refuses.
HRESULT CheckIdlePictureFile(const wchar_t* path);

// S_OK with `picture` filled, or the HRESULT of the step that failed (those of OpenIdlePictureFile, a
// file WIC cannot read WINCODEC_ERR_COMPONENTNOTFOUND, a PNG, JPEG, BMP or GIF whose header is cut
// short WINCODEC_ERR_BADHEADER, a picture beyond the side limit WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
// `picture` is then empty.
HRESULT DecodeIdlePicture(const wchar_t* path, picture::Picture32& picture);

}  // namespace orvane
