#include "tests/windows/camera/PictureFiles.h"

#include <wincodec.h>

#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/win/UniqueResource.h"

namespace orvane::testing {

std::wstring TempFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + L"orvane-idle-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
}

namespace {

HRESULT ExtendFile(const std::wstring& path, uint64_t size) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return HRESULT_FROM_WIN32(GetLastError());
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get())) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  return S_OK;
}

HRESULT EncodeHalvesPicture(const std::wstring& path, const GUID& container, UINT width, UINT height) {
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
  ComPtr<IWICStream> stream;
  if (SUCCEEDED(hr)) hr = factory->CreateStream(&stream);
  if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  ComPtr<IWICBitmapEncoder> encoder;
  if (SUCCEEDED(hr)) hr = factory->CreateEncoder(container, nullptr, &encoder);
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  ComPtr<IWICBitmapFrameEncode> frame;
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, nullptr);
  if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
  if (SUCCEEDED(hr)) hr = frame->SetSize(width, height);
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (FAILED(hr)) return hr;
  if (format != GUID_WICPixelFormat24bppBGR) {
    // The encoder wants another layout (GIF: indexed): hand it a bitmap to convert from.
    std::vector<BYTE> pixels(size_t(width) * height * 3);
    for (UINT y = 0; y < height; ++y)
      for (UINT x = 0; x < width; ++x) pixels[(size_t(y) * width + x) * 3 + (x < width / 2 ? 2 : 0)] = 255;
    ComPtr<IWICBitmap> bitmap;
    hr = factory->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat24bppBGR, width * 3,
                                         static_cast<UINT>(pixels.size()), pixels.data(), &bitmap);
    ComPtr<IWICPalette> palette;
    if (SUCCEEDED(hr)) hr = factory->CreatePalette(&palette);
    if (SUCCEEDED(hr)) hr = palette->InitializeFromBitmap(bitmap.Get(), 4, FALSE);
    if (SUCCEEDED(hr)) hr = frame->SetPalette(palette.Get());
    ComPtr<IWICFormatConverter> converter;
    if (SUCCEEDED(hr)) hr = factory->CreateFormatConverter(&converter);
    if (SUCCEEDED(hr)) {
      hr = converter->Initialize(bitmap.Get(), format, WICBitmapDitherTypeNone, palette.Get(), 0,
                                 WICBitmapPaletteTypeCustom);
    }
    if (SUCCEEDED(hr)) hr = frame->WriteSource(converter.Get(), nullptr);
  } else {
    std::vector<BYTE> row(size_t(width) * 3);
    for (UINT x = 0; x < width; ++x) row[size_t(x) * 3 + (x < width / 2 ? 2 : 0)] = 255;
    for (UINT y = 0; y < height && SUCCEEDED(hr); ++y) {
      hr = frame->WritePixels(1, width * 3, static_cast<UINT>(row.size()), row.data());
    }
  }
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  return hr;
}

}  // namespace

HRESULT WriteHalvesPicture(const std::wstring& path, const GUID& container, UINT width, UINT height,
                           uint64_t fileSize) {
  HRESULT hr = EncodeHalvesPicture(path, container, width, height);
  if (SUCCEEDED(hr) && fileSize != 0) hr = ExtendFile(path, fileSize);
  return hr;
}

}  // namespace orvane::testing
