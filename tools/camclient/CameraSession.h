// A capture graph as a call app builds it around one video input device: the device's capture filter
// bound from its moniker, the capture pin's IAMStreamConfig found through the capture graph builder,
// SetFormat with the asked layout, size and rate, RenderStream from the capture pin into a CaptureSink.
// Used by camclient's read mode and by the tests that look at what a device delivers.
// Belongs to the thread that opened it (a single-threaded apartment in camclient, either kind in tests);
// the sink it holds may be read from any thread.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <optional>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/dshow/MediaType.h"
#include "platform/win/UniqueResource.h"
#include "tools/camclient/CaptureSink.h"
#include "tools/camclient/VideoDevices.h"

namespace orvane::camclient {

struct FormatRequest {
  std::optional<FramePixelType> layout;  // absent: any
  int32_t width = 0;                     // 0: any size
  int32_t height = 0;
  int32_t fps = 0;                       // 0: the capability's own rate
  // Nothing asked: the device's default format is kept (no SetFormat).
  bool any() const { return layout || width != 0 || fps != 0; }
};

// The first capability of `config` with the asked layout and size, set to the asked rate when its
// range allows it; VFW_E_NO_ACCEPTABLE_TYPES when there is none.
HRESULT ChooseCaptureFormat(IAMStreamConfig& config, const FormatRequest& request, MediaType& chosen);

class CameraSession {
 public:
  CameraSession() = default;
  ~CameraSession();
  CameraSession(const CameraSession&) = delete;
  CameraSession& operator=(const CameraSession&) = delete;

  // Builds and connects the graph; `what` (optional) names the step that failed.
  HRESULT Open(const VideoDevice& device, const FormatRequest& request, const char** what = nullptr);
  HRESULT Run();
  // Stops the graph; the connection stays, so it may run again.
  HRESULT Stop();

  IBaseFilter* source() const { return source_.Get(); }
  CaptureSink& sink() const { return *sink_.Get(); }
  // The connection's media type (valid after Open).
  const AM_MEDIA_TYPE& connection() const { return connection_.get(); }
  // The connection's frame geometry, stride resolved.
  FrameHeader geometry() const;

 private:
  ComPtr<IBaseFilter> source_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<ComObject<CaptureSink>> sink_;
  ComPtr<IMediaControl> control_;
  MediaType connection_;
};

}  // namespace orvane::camclient
