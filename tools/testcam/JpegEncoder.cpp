#include "tools/testcam/JpegEncoder.h"

namespace orvane::testcam {

HRESULT JpegEncoder::Encode(const uint8_t* bgr, int width, int height, int stride, uint8_t* out, size_t capacity,
                            size_t& written) {
  written = 0;
  if (bgr == nullptr || out == nullptr) return E_POINTER;
  if (width <= 0 || height <= 0 || stride < 3 * width || capacity > MAXDWORD) return E_INVALIDARG;
  HRESULT hr = S_OK;
  if (!factory_) {
    hr = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory_));
    if (FAILED(hr)) return hr;
  }
  ComPtr<IWICStream> stream;
  hr = factory_->CreateStream(&stream);
  if (FAILED(hr)) return hr;
  hr = stream->InitializeFromMemory(out, static_cast<DWORD>(capacity));
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapEncoder> encoder;
  hr = factory_->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder);
  if (FAILED(hr)) return hr;
  hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  hr = encoder->CreateNewFrame(&frame, &options);
  if (FAILED(hr)) return hr;
  hr = frame->Initialize(options.Get());
  if (FAILED(hr)) return hr;
  hr = frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height));
  if (FAILED(hr)) return hr;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  hr = frame->SetPixelFormat(&format);
  if (FAILED(hr)) return hr;
  if (format != GUID_WICPixelFormat24bppBGR) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  const auto bytes = static_cast<UINT>(static_cast<size_t>(stride) * static_cast<size_t>(height));
  hr = frame->WritePixels(static_cast<UINT>(height), static_cast<UINT>(stride), bytes, const_cast<BYTE*>(bgr));
  if (FAILED(hr)) return hr;
  hr = frame->Commit();
  if (FAILED(hr)) return hr;
  hr = encoder->Commit();
  if (FAILED(hr)) return hr;
  ULARGE_INTEGER position{};
  hr = stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &position);
  if (FAILED(hr)) return hr;
  written = static_cast<size_t>(position.QuadPart);
  return S_OK;
}

}  // namespace orvane::testcam
