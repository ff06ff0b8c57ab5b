#include "platform/com/WicEncoding.h"

#include "platform/com/ComPtr.h"

namespace orvane {

HRESULT EncodeBgr24(IWICImagingFactory* factory, IStream* stream, const GUID& container, const uint8_t* rows,
                    uint32_t width, uint32_t height, uint32_t stride) {
  if (factory == nullptr || stream == nullptr || rows == nullptr) return E_POINTER;
  const uint64_t bytes = uint64_t{stride} * height;
  if (bytes > UINT32_MAX) return E_OUTOFMEMORY;
  ComPtr<IWICBitmapEncoder> encoder;
  HRESULT hr = factory->CreateEncoder(container, nullptr, &encoder);
  if (FAILED(hr)) return hr;
  hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
  if (FAILED(hr)) return hr;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  hr = encoder->CreateNewFrame(&frame, &options);
  if (FAILED(hr)) return hr;
  hr = frame->Initialize(options.Get());
  if (FAILED(hr)) return hr;
  hr = frame->SetSize(width, height);
  if (FAILED(hr)) return hr;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  hr = frame->SetPixelFormat(&format);
  if (FAILED(hr)) return hr;
  // The encoder may answer with the format it would rather have; the rows are in this one only.
  if (format != GUID_WICPixelFormat24bppBGR) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  hr = frame->WritePixels(height, stride, static_cast<UINT>(bytes), const_cast<BYTE*>(rows));
  if (FAILED(hr)) return hr;
  hr = frame->Commit();
  if (FAILED(hr)) return hr;
  return encoder->Commit();
}

}  // namespace orvane
