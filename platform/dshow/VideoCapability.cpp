#include "platform/dshow/VideoCapability.h"

#include <amvideo.h>
#include <dvdmedia.h>
#include <uuids.h>

#include <climits>
#include <cstdlib>

#include "shared/FrameFormat.h"

namespace orvane {
namespace {

struct SubtypeLayout {
  const GUID* subtype;
  DWORD compression;
  WORD bitCount;
  bool uncompressed;
  FramePixelType pixelType;
};

const SubtypeLayout kLayouts[] = {
    {&MEDIASUBTYPE_RGB24, BI_RGB, 24, true, FramePixelType::RGB24},
    {&MEDIASUBTYPE_RGB32, BI_RGB, 32, true, FramePixelType::RGB32},
    {&MEDIASUBTYPE_YUY2, MAKEFOURCC('Y', 'U', 'Y', '2'), 16, true, FramePixelType::YUY2},
    {&MEDIASUBTYPE_NV12, MAKEFOURCC('N', 'V', '1', '2'), 12, true, FramePixelType::NV12},
    {&MEDIASUBTYPE_MJPG, MAKEFOURCC('M', 'J', 'P', 'G'), 24, false, FramePixelType::RGB24},
};

const SubtypeLayout* LayoutOf(const GUID& subtype) {
  for (const SubtypeLayout& layout : kLayouts) {
    if (*layout.subtype == subtype) return &layout;
  }
  return nullptr;
}

LONG BitsPerSecond(LONGLONG imageBytes, REFERENCE_TIME interval) {
  if (interval <= 0) return 0;
  const long double bits = static_cast<long double>(imageBytes) * 8 * 10000000 / interval;
  return bits > LONG_MAX ? LONG_MAX : static_cast<LONG>(bits);
}

}  // namespace

const BITMAPINFOHEADER* BitmapHeaderOf(const AM_MEDIA_TYPE& type) {
  if (type.pbFormat == nullptr) return nullptr;
  if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    return &reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
  }
  if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    return &reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat)->bmiHeader;
  }
  return nullptr;
}

REFERENCE_TIME FrameIntervalOf(const AM_MEDIA_TYPE& type) {
  if (type.pbFormat == nullptr) return 0;
  if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->AvgTimePerFrame;
  }
  if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    return reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat)->AvgTimePerFrame;
  }
  return 0;
}

HRESULT MakeVideoCapability(const GUID& subtype, LONG width, LONG height, REFERENCE_TIME interval,
                            REFERENCE_TIME fastest, REFERENCE_TIME slowest, VideoCapability& capability) {
  const SubtypeLayout* layout = LayoutOf(subtype);
  if (layout == nullptr || width <= 0 || height == 0) return E_INVALIDARG;
  if (fastest <= 0 || slowest < fastest) return E_INVALIDARG;
  if (interval != 0 && (interval < fastest || interval > slowest)) return E_INVALIDARG;
  const bool packedYuv = layout->pixelType == FramePixelType::YUY2 || layout->pixelType == FramePixelType::NV12;
  if (layout->uncompressed && packedYuv && (height < 0 || width % 2 != 0)) return E_INVALIDARG;
  if (layout->pixelType == FramePixelType::NV12 && layout->uncompressed && height % 2 != 0) return E_INVALIDARG;
  if (!layout->uncompressed && height < 0) return E_INVALIDARG;

  // The byte count is checked in 64 bits; a compressed frame is bounded by its RGB24 size.
  const CheckedFrame frame = CheckFrameGeometry({layout->pixelType, width, height, 0});
  if (!frame.ok()) return E_INVALIDARG;
  const LONGLONG imageBytes = frame.imageSize;
  const LONG rows = std::labs(height);

  VIDEOINFOHEADER info{};
  info.AvgTimePerFrame = interval;
  info.dwBitRate = static_cast<DWORD>(BitsPerSecond(imageBytes, interval));
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = layout->bitCount;
  info.bmiHeader.biCompression = layout->compression;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(imageBytes);

  MediaType type;
  type->majortype = MEDIATYPE_Video;
  type->subtype = subtype;
  type->bFixedSizeSamples = layout->uncompressed;
  type->bTemporalCompression = FALSE;
  type->lSampleSize = layout->uncompressed ? static_cast<ULONG>(imageBytes) : 0;
  HRESULT hr = type.SetFormat(FORMAT_VideoInfo, &info, sizeof info);
  if (FAILED(hr)) return hr;

  VIDEO_STREAM_CONFIG_CAPS caps{};
  caps.guid = FORMAT_VideoInfo;
  caps.InputSize = {width, rows};
  caps.MinCroppingSize = caps.InputSize;
  caps.MaxCroppingSize = caps.InputSize;
  caps.CropGranularityX = 1;
  caps.CropGranularityY = 1;
  caps.CropAlignX = 1;
  caps.CropAlignY = 1;
  caps.MinOutputSize = caps.InputSize;
  caps.MaxOutputSize = caps.InputSize;
  caps.OutputGranularityX = 1;
  caps.OutputGranularityY = 1;
  caps.MinFrameInterval = fastest;
  caps.MaxFrameInterval = slowest;
  caps.MinBitsPerSecond = BitsPerSecond(imageBytes, slowest);
  caps.MaxBitsPerSecond = BitsPerSecond(imageBytes, fastest);

  capability.type = std::move(type);
  capability.caps = caps;
  return S_OK;
}

bool MatchesCapability(const AM_MEDIA_TYPE& type, const VideoCapability& capability) {
  const AM_MEDIA_TYPE& offered = capability.type.get();
  if (type.majortype != offered.majortype || type.subtype != offered.subtype) return false;
  if (type.formattype != offered.formattype) return false;
  const BITMAPINFOHEADER* asked = BitmapHeaderOf(type);
  const BITMAPINFOHEADER* ours = BitmapHeaderOf(offered);
  if (asked == nullptr || ours == nullptr) return false;
  if (asked->biCompression != ours->biCompression || asked->biBitCount != ours->biBitCount) return false;
  if (asked->biWidth != ours->biWidth || asked->biHeight != ours->biHeight) return false;
  const REFERENCE_TIME interval = FrameIntervalOf(type);
  return interval == 0 ||
         (interval >= capability.caps.MinFrameInterval && interval <= capability.caps.MaxFrameInterval);
}

}  // namespace orvane
