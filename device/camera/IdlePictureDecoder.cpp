#include "device/camera/IdlePictureDecoder.h"

#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "device/camera/DeclaredPictureSize.h"
#include "device/camera/IdlePicturePath.h"
#include "platform/com/ComPtr.h"
#include "platform/win/WindowsError.h"

namespace orvane {
namespace {

// Not in MinGW's headers: files whose data lives elsewhere (cloud placeholders) and is fetched when
// they are opened or read.
constexpr DWORD kAttributeRecallOnOpen = 0x00040000;
constexpr DWORD kAttributeRecallOnDataAccess = 0x00400000;
constexpr DWORD kRefusedAttributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT |
                                     FILE_ATTRIBUTE_OFFLINE | kAttributeRecallOnOpen | kAttributeRecallOnDataAccess;

bool PassesPathRules(const std::wstring& path) {
  const std::u16string_view view(reinterpret_cast<const char16_t*>(path.data()), path.size());
  return camera::CheckIdlePicturePath(view) == camera::IdlePathError::None;
}

// The path with "." and ".." resolved and slashes turned round, as the system will open it; lexical only.
HRESULT FullPath(const wchar_t* path, std::wstring& full) {
  const DWORD needed = GetFullPathNameW(path, 0, nullptr, nullptr);
  if (needed == 0) return LastErrorResult();
  full.assign(needed, L'\0');
  const DWORD length = GetFullPathNameW(path, needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return E_INVALIDARG;
  full.resize(length);
  return S_OK;
}

// A folder on the way that is a symbolic link could lead to a network share: opening through it would
// reach the host before the opened file could be checked. Junctions and mount points only lead to local
// volumes. A folder that does not exist ends the walk; opening then fails on its own.
bool FoldersAreLocal(const std::wstring& full) {
  for (size_t separator = full.find(L'\\', 3); separator != std::wstring::npos;
       separator = full.find(L'\\', separator + 1)) {
    const std::wstring folder = full.substr(0, separator);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) continue;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(folder.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    if (found.dwReserved0 != IO_REPARSE_TAG_MOUNT_POINT) return false;
  }
  return true;
}

bool IsLocalDrive(const std::wstring& full) {
  const wchar_t root[] = {full[0], L':', L'\\', L'\0'};
  const UINT type = GetDriveTypeW(root);
  return type == DRIVE_FIXED || type == DRIVE_REMOVABLE;
}

bool WithinSideLimit(uint32_t width, uint32_t height) {
  return width != 0 && height != 0 && width <= kMaxIdlePictureSourceSide && height <= kMaxIdlePictureSourceSide;
}

HRESULT ReadWholeFile(HANDLE file, uint64_t size, std::vector<uint8_t>& bytes) {
  try {
    bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD read = 0;
    if (!ReadFile(file, bytes.data() + done, chunk, &read, nullptr)) return LastErrorResult();
    // The file shrank while it was read: what there is may be a half-written picture.
    if (read == 0) return HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
    done += read;
  }
  return S_OK;
}

}  // namespace

HRESULT OpenIdlePictureFile(const wchar_t* path, UniqueHandle& file, uint64_t& size) {
  file.reset();
  size = 0;
  if (path == nullptr || !PassesPathRules(path)) return E_INVALIDARG;
  std::wstring full;
  HRESULT result = FullPath(path, full);
  if (FAILED(result)) return result;
  if (!PassesPathRules(full) || !IsLocalDrive(full) || !FoldersAreLocal(full)) return E_INVALIDARG;
  // Opening a folder would fail with a reason that says nothing about the path.
  const DWORD attributes = GetFileAttributesW(full.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kRefusedAttributes) != 0) {
    return HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE);
  }
  // The link itself rather than where it leads, and no impersonation should a pipe be opened after all.
  UniqueHandle opened(CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN | SECURITY_SQOS_PRESENT |
                                      SECURITY_IDENTIFICATION,
                                  nullptr));
  if (!opened) return LastErrorResult();
  if (GetFileType(opened.get()) != FILE_TYPE_DISK) return HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE);
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(opened.get(), &information)) return LastErrorResult();
  if ((information.dwFileAttributes & kRefusedAttributes) != 0) return HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE);
  const uint64_t bytes = (uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
  if (bytes == 0) return HRESULT_FROM_WIN32(ERROR_EMPTY);
  if (bytes > kMaxIdlePictureFileBytes) return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
  file = std::move(opened);
  size = bytes;
  return S_OK;
}

HRESULT CheckIdlePictureFile(const wchar_t* path) {
  if (path == nullptr || path[0] == 0) return S_OK;
  UniqueHandle file;
  uint64_t size = 0;
  const HRESULT opened = OpenIdlePictureFile(path, file, size);
  if (SUCCEEDED(opened) || opened == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
      opened == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)) {
    return S_OK;
  }
  // Failures that say nothing about the path (a file locked by its writer, access denied to this
  // process) may not happen in the clients: let them try.
  if (opened == E_INVALIDARG || opened == HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE) ||
      opened == HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE) || opened == HRESULT_FROM_WIN32(ERROR_EMPTY)) {
    return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT DecodeIdlePicture(const wchar_t* path, picture::Picture32& picture) {
  picture = picture::Picture32{};
  if (path == nullptr || path[0] == 0) return E_INVALIDARG;
  UniqueHandle file;
  uint64_t size = 0;
  HRESULT result = OpenIdlePictureFile(path, file, size);
  if (FAILED(result)) return result;
  // Decoding from the bytes read through the checked handle: nothing can swap the file in between.
  std::vector<uint8_t> bytes;
  result = ReadWholeFile(file.get(), size, bytes);
  if (FAILED(result)) return result;
  file.reset();
  // Some decoders unpack all pixels on opening: the size the header declares is checked before.
  camera::PictureSize declared;
  switch (camera::ReadDeclaredPictureSize(bytes.data(), bytes.size(), declared)) {
    case camera::DeclaredSize::Malformed: return WINCODEC_ERR_BADHEADER;
    case camera::DeclaredSize::Found:
      if (!WithinSideLimit(declared.width, declared.height)) return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
      break;
    case camera::DeclaredSize::Unknown: break;
  }

  ComPtr<IWICImagingFactory> factory;
  result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
  if (FAILED(result)) return result;
  ComPtr<IWICStream> stream;
  result = factory->CreateStream(&stream);
  if (SUCCEEDED(result)) result = stream->InitializeFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()));
  if (FAILED(result)) return result;
  ComPtr<IWICBitmapDecoder> decoder;
  result = factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
  if (FAILED(result)) return result;
  ComPtr<IWICBitmapFrameDecode> frame;
  result = decoder->GetFrame(0, &frame);
  if (FAILED(result)) return result;
  UINT width = 0, height = 0;
  result = frame->GetSize(&width, &height);
  if (FAILED(result)) return result;
  if (!WithinSideLimit(width, height)) return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;

  // Large photographs are brought down to the box, keeping their aspect, before any pixel is kept.
  ComPtr<IWICBitmapSource> source = frame;
  const double scale = std::min({1.0, double(picture::kMaxIdlePictureWidth) / width,
                                 double(picture::kMaxIdlePictureHeight) / height});
  if (scale < 1.0) {
    const UINT scaledWidth = std::max(1u, static_cast<UINT>(std::lround(width * scale)));
    const UINT scaledHeight = std::max(1u, static_cast<UINT>(std::lround(height * scale)));
    ComPtr<IWICBitmapScaler> scaler;
    result = factory->CreateBitmapScaler(&scaler);
    if (SUCCEEDED(result)) result = scaler->Initialize(frame.Get(), scaledWidth, scaledHeight, WICBitmapInterpolationModeFant);
    if (FAILED(result)) return result;
    source = scaler;
    width = scaledWidth;
    height = scaledHeight;
  }
  ComPtr<IWICBitmapSource> converted;
  result = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, source.Get(), &converted);
  if (FAILED(result)) return result;

  picture::Picture32 decoded;
  const UINT stride = width * 4;
  try {
    decoded.pixels.resize(size_t(stride) * height);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  result = converted->CopyPixels(nullptr, stride, static_cast<UINT>(decoded.pixels.size()), decoded.pixels.data());
  if (FAILED(result)) return result;
  // Transparent parts of a PNG or GIF are shown over black, like the bars around it.
  for (size_t i = 0; i < decoded.pixels.size(); i += 4) {
    const unsigned alpha = decoded.pixels[i + 3];
    if (alpha != 255) {
      for (size_t c = 0; c < 3; ++c) decoded.pixels[i + c] = static_cast<uint8_t>(decoded.pixels[i + c] * alpha / 255);
      decoded.pixels[i + 3] = 255;
    }
  }
  decoded.width = static_cast<int32_t>(width);
  decoded.height = static_cast<int32_t>(height);
  picture = std::move(decoded);
  return S_OK;
}

}  // namespace orvane
