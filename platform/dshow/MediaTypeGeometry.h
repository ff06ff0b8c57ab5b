// Maps a DirectShow video media type (its three GUIDs and its format block) to the geometry of the frames
// that arrive with it. Platform-neutral: the block is read as bytes at the offsets of the bitmap header in
// VIDEOINFOHEADER and VIDEOINFOHEADER2, so the mapping builds and is tested natively too. Thread-free.
#pragma once

#include <cstddef>
#include <cstdint>

#include "shared/FrameFormat.h"
#include "shared/Guid.h"

namespace orvane {

enum class MediaTypeError {
  None,
  NotVideo,             // major type is not MEDIATYPE_Video
  UnknownSubtype,       // not RGB24, RGB32, YUY2 or NV12
  UnknownFormatType,    // not FORMAT_VideoInfo or FORMAT_VideoInfo2
  FormatBlockTooSmall,  // the block does not hold the whole header with its bitmap header
  BadGeometry,          // frame.error says why
};

const char* DescribeMediaTypeError(MediaTypeError error);

struct VideoMediaGeometry {
  MediaTypeError error = MediaTypeError::None;
  CheckedFrame frame;  // geometry with the subtype's default stride, and its image size
  bool ok() const { return error == MediaTypeError::None; }
};

struct VideoMediaType {
  Guid majorType;
  Guid subtype;
  Guid formatType;
  const uint8_t* formatBlock;  // may be null when formatSize is 0
  size_t formatSize;
};

VideoMediaGeometry GeometryFromMediaType(const VideoMediaType& type);

}  // namespace orvane
