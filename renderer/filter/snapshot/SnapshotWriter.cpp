#include "renderer/filter/snapshot/SnapshotWriter.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "media/frame/PixelConversion.h"
#include "platform/com/ComBoundary.h"
#include "platform/com/ComInitialization.h"
#include "platform/com/ComPtr.h"
#include "platform/com/WicEncoding.h"
#include "platform/win/UniqueResource.h"
#include "platform/win/WindowsError.h"

namespace orvane {
namespace {

// A baseline JPEG records its width and height in 16 bits.
constexpr int32_t kMaxJpegSide = 65535;

// Blue, green, red rows with the top of the picture first: either the caller's RGB24 pixels as they
// are, or a buffer of ours.
struct BgrRows {
  const uint8_t* first = nullptr;
  uint32_t stride = 0;
  uint32_t rows = 0;
  std::unique_ptr<uint8_t[]> owned;
};

HRESULT FromConversion(int status) {
  return status == kConvertOk || status == kConvertOddSize ? S_OK : E_UNEXPECTED;
}

// Convert422To24 gives the second byte of a 4:2:2 pair the red difference's role and the fourth byte
// the blue difference's; DirectShow's YUY2 carries U (blue) second and V (red) fourth. Fed with the two
// chroma bytes exchanged, the conversion yields red, green, blue, which are then stored as blue, green,
// red. An odd last pixel owns only Y and U: it borrows V from the pair before it (neutral when it is
// alone in the row) and is converted as the first pixel of a pair of its own.
HRESULT ConvertYuy2(const uint8_t* pixels, const FrameHeader& frame, uint32_t rows, uint8_t* dst,
                    uint32_t dstStride) {
  const int32_t width = frame.width;
  const int32_t evenWidth = width + (width & 1);
  std::unique_ptr<uint8_t[]> swapped(new (std::nothrow) uint8_t[2 * size_t(evenWidth)]);
  std::unique_ptr<uint8_t[]> rgb(new (std::nothrow) uint8_t[3 * size_t(evenWidth)]);
  if (!swapped || !rgb) return E_OUTOFMEMORY;
  const int32_t pairs = width / 2;
  for (uint32_t y = 0; y < rows; ++y) {
    const uint8_t* src = pixels + size_t(y) * size_t(frame.stride);
    uint8_t* exchanged = swapped.get();
    for (int32_t p = 0; p < pairs; ++p) {
      const uint8_t* in = src + 4 * size_t(p);
      uint8_t* out = exchanged + 4 * size_t(p);
      out[0] = in[0];
      out[1] = in[3];
      out[2] = in[2];
      out[3] = in[1];
    }
    if ((width & 1) != 0) {
      const uint8_t* in = src + 4 * size_t(pairs);
      uint8_t* out = exchanged + 4 * size_t(pairs);
      out[0] = in[0];
      out[1] = pairs > 0 ? in[-1] : 128;
      out[2] = in[0];
      out[3] = in[1];
    }
    const HRESULT hr = FromConversion(Convert422To24(exchanged, 0, rgb.get(), 0, evenWidth, 1));
    if (FAILED(hr)) return hr;
    uint8_t* bgr = dst + size_t(y) * dstStride;
    for (int32_t x = 0; x < width; ++x) {
      bgr[3 * size_t(x)] = rgb[3 * size_t(x) + 2];
      bgr[3 * size_t(x) + 1] = rgb[3 * size_t(x) + 1];
      bgr[3 * size_t(x) + 2] = rgb[3 * size_t(x)];
    }
  }
  return S_OK;
}

// ConvertNV12To24 works on 2 x 2 blocks. For an odd width or height the last column or row is
// converted here, pixel by pixel, with the chroma of the nearest whole block (neutral when there is
// none), so that the file never shows bytes nobody wrote.
void ConvertNv12Leftovers(const uint8_t* luma, const uint8_t* chroma, const FrameHeader& frame, uint32_t rows,
                          uint8_t* dst, uint32_t dstStride) {
  const int32_t width = frame.width;
  const auto height = static_cast<int32_t>(rows);
  const bool hasBlocks = width >= 2 && height >= 2;
  auto convertPixel = [&](int32_t x, int32_t y) {
    uint8_t uv[2] = {128, 128};
    if (hasBlocks) {
      const int32_t blockX = std::min(x / 2, width / 2 - 1);
      const int32_t blockY = std::min(y / 2, height / 2 - 1);
      std::memcpy(uv, chroma + size_t(blockY) * size_t(frame.stride) + 2 * size_t(blockX), 2);
    }
    const uint8_t value = luma[size_t(y) * size_t(frame.stride) + size_t(x)];
    const uint8_t block[4] = {value, value, value, value};
    uint8_t bgr[12];
    ConvertNV12To24(block, 2, uv, 2, bgr, 6, 2, 2);
    std::memcpy(dst + size_t(y) * dstStride + 3 * size_t(x), bgr, 3);
  };
  if ((width & 1) != 0) {
    for (int32_t y = 0; y < height; ++y) convertPixel(width - 1, y);
  }
  if ((height & 1) != 0) {
    for (int32_t x = 0; x < width; ++x) convertPixel(x, height - 1);
  }
}

void ReverseRows(uint8_t* first, uint32_t stride, uint32_t rows, size_t rowBytes, uint8_t* scratch) {
  for (uint32_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
    uint8_t* a = first + size_t(top) * stride;
    uint8_t* b = first + size_t(bottom) * stride;
    std::memcpy(scratch, a, rowBytes);
    std::memcpy(a, b, rowBytes);
    std::memcpy(b, scratch, rowBytes);
  }
}

HRESULT MakeUprightBgr(const uint8_t* pixels, const FrameHeader& frame, bool bottomUp, BgrRows& result) {
  const auto rows = static_cast<uint32_t>(frame.height < 0 ? -int64_t{frame.height} : frame.height);
  result.rows = rows;
  if (frame.pixelType == FramePixelType::RGB24 && !bottomUp) {
    result.first = pixels;
    result.stride = static_cast<uint32_t>(frame.stride);
    return S_OK;
  }
  const int64_t stride = DefaultStride(FramePixelType::RGB24, frame.width);
  const int64_t bytes = stride * rows;
  if (bytes > int64_t{UINT32_MAX}) return E_OUTOFMEMORY;  // more than WIC takes in one call
  result.owned.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
  if (!result.owned) return E_OUTOFMEMORY;
  result.first = result.owned.get();
  result.stride = static_cast<uint32_t>(stride);
  uint8_t* dst = result.owned.get();
  const auto dstStride = static_cast<int32_t>(stride);
  const auto height = static_cast<int32_t>(rows);
  HRESULT hr = S_OK;
  switch (frame.pixelType) {
    case FramePixelType::RGB24:
      for (uint32_t y = 0; y < rows; ++y) {
        std::memcpy(dst + size_t(y) * size_t(stride), pixels + size_t(y) * size_t(frame.stride),
                    3 * size_t(frame.width));
      }
      break;
    case FramePixelType::RGB32:
      hr = FromConversion(Convert32To24(pixels, frame.stride, dst, dstStride, frame.width, height));
      break;
    case FramePixelType::YUY2:
      hr = ConvertYuy2(pixels, frame, rows, dst, result.stride);
      break;
    case FramePixelType::NV12: {
      const uint8_t* chroma = pixels + size_t(rows) * size_t(frame.stride);
      const int status = ConvertNV12To24(pixels, frame.stride, chroma, frame.stride, dst, dstStride, frame.width,
                                         height);
      hr = FromConversion(status);
      if (status == kConvertOddSize) ConvertNv12Leftovers(pixels, chroma, frame, rows, dst, result.stride);
      break;
    }
  }
  if (FAILED(hr)) return hr;
  if (bottomUp && rows > 1) {
    const size_t rowBytes = 3 * size_t(frame.width);
    std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[rowBytes]);
    if (!scratch) return E_OUTOFMEMORY;
    ReverseRows(dst, result.stride, rows, rowBytes, scratch.get());
  }
  return S_OK;
}

// A file beside the target that becomes the target only when complete; removed otherwise.
class PendingFile {
 public:
  explicit PendingFile(std::wstring target) : target_(std::move(target)) {}
  ~PendingFile() {
    handle_.reset();
    if (!path_.empty() && !kept_) ::DeleteFileW(path_.c_str());
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  HRESULT Create() {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 16; ++attempt) {
      const std::wstring candidate = target_ + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                     std::to_wstring(counter.fetch_add(1)) + L".partial";
      // CREATE_NEW: never take over a file that is not ours.
      handle_.reset(::CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
      if (handle_) {
        path_ = candidate;
        return S_OK;
      }
      const DWORD error = ::GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return HRESULT_FROM_WIN32(error);
    }
    return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
  }

  HRESULT Write(const uint8_t* data, size_t size) {
    while (size > 0) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD written = 0;
      if (!::WriteFile(handle_.get(), data, chunk, &written, nullptr)) return LastErrorResult();
      if (written == 0) return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
      data += written;
      size -= written;
    }
    return S_OK;
  }

  // Closes the file and puts it in the target's place, replacing what was there.
  HRESULT Publish() {
    handle_.reset();
    if (!::MoveFileExW(path_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      return LastErrorResult();
    }
    kept_ = true;
    return S_OK;
  }

 private:
  std::wstring target_;
  std::wstring path_;
  UniqueHandle handle_;
  bool kept_ = false;
};

HRESULT WriteStreamToFile(IStream* stream, const wchar_t* path) {
  STATSTG stat{};
  HRESULT hr = stream->Stat(&stat, STATFLAG_NONAME);
  if (FAILED(hr)) return hr;
  HGLOBAL memory = nullptr;
  hr = ::GetHGlobalFromStream(stream, &memory);
  if (FAILED(hr)) return hr;
  if (stat.cbSize.QuadPart > ::GlobalSize(memory)) return E_UNEXPECTED;
  const auto* bytes = static_cast<const uint8_t*>(::GlobalLock(memory));
  if (bytes == nullptr) return LastErrorResult();
  PendingFile file(path);
  hr = file.Create();
  if (SUCCEEDED(hr)) hr = file.Write(bytes, static_cast<size_t>(stat.cbSize.QuadPart));
  ::GlobalUnlock(memory);
  if (FAILED(hr)) return hr;
  return file.Publish();
}

}  // namespace

HRESULT WriteSnapshotJpeg(IWICImagingFactory* factory, const wchar_t* path, const uint8_t* pixels,
                          const FrameHeader& geometry, bool bottomUp) {
  if (factory == nullptr || path == nullptr || pixels == nullptr) return E_POINTER;
  if (path[0] == L'\0') return E_INVALIDARG;
  const CheckedFrame checked = CheckFrameGeometry(geometry);
  if (!checked.ok()) return E_INVALIDARG;
  const FrameHeader& frame = checked.header;
  const int64_t rows = frame.height < 0 ? -int64_t{frame.height} : frame.height;
  if (frame.width > kMaxJpegSide || rows > kMaxJpegSide) return E_INVALIDARG;

  return GuardComCall([&] {
    // Streaming threads of other filters need not have initialised COM; the encoder's creation does.
    const ComInitialization com(COINIT_MULTITHREADED);
    if (!com.ok()) return com.result();
    BgrRows picture;
    HRESULT hr = MakeUprightBgr(pixels, frame, bottomUp, picture);
    if (FAILED(hr)) return hr;
    ComPtr<IStream> stream;
    hr = ::CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    if (FAILED(hr)) return hr;
    hr = EncodeBgr24(factory, stream.Get(), GUID_ContainerFormatJpeg, picture.first, static_cast<uint32_t>(frame.width),
                     picture.rows, picture.stride);
    if (FAILED(hr)) return hr;
    return WriteStreamToFile(stream.Get(), path);
  });
}

}  // namespace orvane
