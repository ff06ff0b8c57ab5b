#include "device/camera/IdlePictureDecoder.h"

#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/com/ComPtr.h"

namespace orvane {

HRESULT DecodeIdlePicture(const wchar_t* path, picture::Picture32& picture) {
  picture = picture::Picture32{};
  if (path == nullptr || path[0] == 0) return E_INVALIDARG;
  ComPtr<IWICImagingFactory> factory;
  HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
  if (FAILED(result)) return result;
  ComPtr<IWICBitmapDecoder> decoder;
  result = factory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder);
  if (FAILED(result)) return result;
  ComPtr<IWICBitmapFrameDecode> frame;
  result = decoder->GetFrame(0, &frame);
  if (FAILED(result)) return result;
  UINT width = 0, height = 0;
  result = frame->GetSize(&width, &height);
  if (FAILED(result)) return result;
  if (width == 0 || height == 0) return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;

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
