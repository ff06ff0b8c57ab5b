#include "renderer/filter/NimbRenderer.h"

#include <mutex>

#include "platform/dshow/MediaType.h"
#include "platform/dshow/PropertyPageBase.h"

namespace orvane {

NimbRenderer::NimbRenderer() : RendererBase(CLSID_NimbRenderer, kNimbRendererName) {}

NimbRenderer::~NimbRenderer() = default;

HRESULT NimbRenderer::FinalConstruct() {
  const HRESULT hr = RendererBase::FinalConstruct();
  if (FAILED(hr)) return hr;
  // Without a virtual camera the filter still connects and runs; only the control interface is refused.
  channel_.Open();
  return S_OK;
}

HRESULT NimbRenderer::QueryInterfaceHook(REFIID iid, void** out) {
  // E_FAIL rather than E_NOINTERFACE: this is how the application learns that no virtual camera was found.
  if (iid == IID_INimbRenderer && !channel_.HasCamera()) return E_FAIL;
  return RendererBase::QueryInterfaceHook(iid, out);
}

STDMETHODIMP NimbRenderer::GetPages(CAUUID* pages) {
  static constexpr CLSID kPages[] = {CLSID_NimbRendererPropertyPage};
  return FillPageList(kPages, pages);
}

// Video of the four layouts, in VIDEOINFOHEADER or VIDEOINFOHEADER2, whose format block describes a
// frame that can be delivered. A block that cannot be read (too small, no width, no height, too large)
// is refused here too, so that the graph builder tries another type instead of connecting a stream
// that would never reach the virtual camera.
HRESULT NimbRenderer::CheckMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  return GeometryFromMediaType(*type).ok() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

// The connection's type, and later any type a sample announces: the geometry of the frames from then
// on. Samples are rendered one at a time, so no sample of the old type is still waiting to be pushed.
HRESULT NimbRenderer::SetMediaType(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) return E_POINTER;
  const VideoMediaGeometry geometry = GeometryFromMediaType(*type);
  if (!geometry.ok()) return VFW_E_TYPE_NOT_ACCEPTED;
  std::lock_guard render(RenderLock());
  geometry_ = geometry.frame.header;
  imageSize_ = geometry.frame.imageSize;
  return S_OK;
}

// Every outcome but a null sample is S_OK: a frame that cannot be delivered is dropped, and a driver
// that refuses frames never stops the stream.
HRESULT NimbRenderer::DoRenderSample(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  if (geometry_.width <= 0 || geometry_.height == 0) return S_OK;
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || data == nullptr) return S_OK;
  const long length = sample->GetActualDataLength();
  // A short sample is skipped, never padded: the frame would show another frame's leftovers.
  if (length <= 0 || static_cast<unsigned long>(length) < imageSize_) return S_OK;
  // The streaming thread never waits for a snapshot's file: a slow disk must not hold the stream.
  channel_.PushFrame(data, geometry_.width, geometry_.height, geometry_.stride, geometry_.pixelType,
                     SnapshotHandOff::Detached);
  return S_OK;
}

}  // namespace orvane
