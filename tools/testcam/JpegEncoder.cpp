#include "tools/testcam/JpegEncoder.h"

#include "platform/com/WicEncoding.h"

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
  hr = EncodeBgr24(factory_.Get(), stream.Get(), GUID_ContainerFormatJpeg, bgr, static_cast<uint32_t>(width),
                   static_cast<uint32_t>(height), static_cast<uint32_t>(stride));
  if (FAILED(hr)) return hr;
  ULARGE_INTEGER position{};
  hr = stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &position);
  if (FAILED(hr)) return hr;
  written = static_cast<size_t>(position.QuadPart);
  return S_OK;
}

}  // namespace orvane::testcam
