#include "tools/camclient/PictureFile.h"

#include <wincodec.h>

#include <cstdlib>
#include <cwctype>

#include "media/frame/FrameTransform.h"
#include "media/picture/PictureRenderer.h"
#include "platform/com/ComPtr.h"

namespace orvane::camclient {
namespace {

bool IsPng(const std::wstring& path) {
  return path.size() >= 4 && std::towlower(path[path.size() - 3]) == L'p' && std::towlower(path[path.size() - 2]) == L'n' &&
         std::towlower(path[path.size() - 1]) == L'g';
}

}  // namespace

HRESULT SavePicture(const std::wstring& path, const FrameHeader& geometry, const std::vector<uint8_t>& pixels) {
  const CheckedFrame source = CheckFrameGeometry(geometry);
  if (!source.ok() || pixels.size() < source.imageSize) return E_INVALIDARG;
  // Top-down 32-bit pixels of the same size, as WIC takes them.
  const FrameHeader bgra{FramePixelType::RGB32, geometry.width, -std::abs(geometry.height), 0};
  const CheckedFrame target = CheckFrameGeometry(bgra);
  if (!target.ok()) return E_INVALIDARG;
  std::vector<uint8_t> converted(target.imageSize);
  picture::PictureRenderer renderer;
  if (renderer.Render(MakeFrameView(pixels.data(), source.header), target.header, converted.data(), converted.size(),
                      picture::PictureOptions{}) != picture::PictureError::None) {
    return E_FAIL;
  }

  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
  if (FAILED(hr)) return hr;
  ComPtr<IWICStream> stream;
  hr = factory->CreateStream(&stream);
  if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapEncoder> encoder;
  hr = factory->CreateEncoder(IsPng(path) ? GUID_ContainerFormatPng : GUID_ContainerFormatBmp, nullptr, &encoder);
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  hr = encoder->CreateNewFrame(&frame, &options);
  if (SUCCEEDED(hr)) hr = frame->Initialize(options.Get());
  const auto width = static_cast<UINT>(geometry.width);
  const auto height = static_cast<UINT>(std::abs(geometry.height));
  if (SUCCEEDED(hr)) hr = frame->SetSize(width, height);
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (FAILED(hr)) return hr;
  if (format == GUID_WICPixelFormat32bppBGR) {
    hr = frame->WritePixels(height, width * 4, static_cast<UINT>(converted.size()), converted.data());
  } else {
    // The encoder wants another layout (24-bit BGR for BMP on some systems): let WIC convert.
    ComPtr<IWICBitmap> bitmap;
    hr = factory->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat32bppBGR, width * 4,
                                         static_cast<UINT>(converted.size()), converted.data(), &bitmap);
    ComPtr<IWICBitmapSource> convertedSource;
    if (SUCCEEDED(hr)) hr = WICConvertBitmapSource(format, bitmap.Get(), &convertedSource);
    if (SUCCEEDED(hr)) hr = frame->WriteSource(convertedSource.Get(), nullptr);
  }
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  return hr;
}

}  // namespace orvane::camclient
