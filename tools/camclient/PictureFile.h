// Saves one received frame as a picture file with the Windows Imaging Component: BMP or PNG, chosen by
// the file name's extension, without alpha. The frame (any of the four layouts) is first drawn as 32-bit
// pixels by the picture pipeline, so YUV frames are converted with the camera's own colour rules.
// Any thread with COM initialised.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "shared/FrameFormat.h"

namespace orvane::camclient {

HRESULT SavePicture(const std::wstring& path, const FrameHeader& geometry, const std::vector<uint8_t>& pixels);

}  // namespace orvane::camclient
