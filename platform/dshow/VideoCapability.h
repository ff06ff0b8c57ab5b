// One capture format as IAMStreamConfig describes it: a VIDEOINFOHEADER media type (the format with
// its default frame interval) and its VIDEO_STREAM_CONFIG_CAPS (size and frame-interval range), and
// the rule that decides whether a requested media type is one of them. Plain data and functions;
// any thread.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "platform/dshow/MediaType.h"

namespace orvane {

struct VideoCapability {
  MediaType type;
  VIDEO_STREAM_CONFIG_CAPS caps{};
};

// A capability of one frame size: `subtype` RGB24, RGB32, YUY2, NV12 or MJPG; `height` negative for a
// top-down RGB picture; frame intervals from `fastest` to `slowest` (100-ns units), the media type
// announcing `interval`. E_INVALIDARG for a size the subtype cannot have (odd YUY2 widths, odd NV12
// sizes, negative YUY2/NV12 heights, sizes whose byte count does not fit) or an interval outside the
// range (an interval of 0 is allowed: the format then states no rate).
HRESULT MakeVideoCapability(const GUID& subtype, LONG width, LONG height, REFERENCE_TIME interval,
                            REFERENCE_TIME fastest, REFERENCE_TIME slowest, VideoCapability& capability);

// Whether `type` describes a format of `capability`: same major type, subtype, format type,
// compression and bit depth, the capability's size with the same orientation, and a frame interval
// of 0 or within its range.
bool MatchesCapability(const AM_MEDIA_TYPE& type, const VideoCapability& capability);

// The frame interval a video media type announces (AvgTimePerFrame), 0 when it has none.
REFERENCE_TIME FrameIntervalOf(const AM_MEDIA_TYPE& type);
// The bitmap header of a VIDEOINFOHEADER or VIDEOINFOHEADER2 media type, or null.
const BITMAPINFOHEADER* BitmapHeaderOf(const AM_MEDIA_TYPE& type);

}  // namespace orvane
