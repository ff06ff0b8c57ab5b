// The one media graph of the program: a camera's capture graph or a video file's playback graph, both
// ending in the process's renderer filter, plus the hand-over of a still picture to the renderer. It
// runs, pauses and tears the graph down, picks the camera's stored capture format, keeps the virtual
// camera's output size in step with the camera, shows the camera's property pages, steps its zoom, pan
// and tilt, and forwards completion, abort and device-lost events to an owner window.
//
// User-interface thread only: the graph notifications arrive on that thread through the embedded
// message window. Owns every interface it holds (released in reverse order of acquisition) and the
// message window; the renderer is held with a reference of its own and kept across graphs.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <string>

#include "app/graph/CDSMsgWnd.h"
#include "app/graph/DeviceRecord.h"
#include "platform/com/ComPtr.h"
#include "platform/dshow/ControlInterfaces.h"

namespace orvane {

class CDSRender : public CDSMsgWnd::Dispatcher {
 public:
  // `settingsKey`: the per-device settings key under HKEY_CURRENT_USER whose cap_* values this object
  // reads and writes (the application passes CApplication::PerDeviceKeyPath()).
  explicit CDSRender(std::wstring settingsKey);
  virtual ~CDSRender();
  CDSRender(const CDSRender&) = delete;
  CDSRender& operator=(const CDSRender&) = delete;

  // CDSMsgWnd::Dispatcher.
  LRESULT MessageHook(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  LRESULT OnGraphNotify() override;

  // The renderer filter added to every graph; takes a reference of its own (null lets go of it).
  void SetRenderer(IBaseFilter* renderer);
  // Where forwarded graph events go: `message` posted to `window` with the event code in WPARAM and
  // 11 (complete), 12 then 14 (aborts) or 14 (device lost) in LPARAM. A null window or message 0
  // drops them.
  void SetOwner(HWND window, UINT message);

  // A camera's capture graph into the renderer; not started. False leaves the partial graph for Cleanup.
  // A camera that offers only compressed types needs a decoder the graph manager can find; without
  // one (Wine 8 has none for MJPG) the open fails.
  bool OpenDevice(const DeviceRecord& device);
  // A video file's playback graph, positioned at `startMs` when that is inside the file; not started.
  bool OpenFile(const std::wstring& path, int startMs);

  HRESULT Run();
  HRESULT TogglePause();
  // Stops and empties the graph and destroys the message window; the result of IMediaControl::Stop,
  // 0 without a graph. Safe to call again. Stop is synchronous and has no time-out: a camera driver
  // that never returns from it blocks here. It cannot be moved to another thread, because the graph
  // manager is apartment-bound (it has no free-threaded marshaler), so a call from elsewhere would be
  // marshalled back to this thread.
  HRESULT Cleanup();
  // The graph state as IMediaControl reports it within 100 ms.
  bool IsRunning();
  bool IsActive();

  // Camera graphs: the stored capture format selected on the capture pin; false when none is stored,
  // the record is malformed (logged) or no capability matches.
  bool ApplyCaptureFormat();
  // Camera graphs: the renderer's output size and frame rate made equal to the capture pin's format.
  void SyncOutputSize();
  void DisconnectDownstream();
  bool ConnectRenderer();
  bool HasSourceProperties();
  bool ShowSourceProperties(HWND parent, const wchar_t* caption);
  void ShowCaptureFormatDialog(HWND parent, const wchar_t* caption);
  bool StepCameraControl(int zoomSteps, int panSteps, int tiltSteps);

  void SetPicture(const wchar_t* path);

  // File graphs.
  HRESULT SeekMs(float positionMs);
  double GetPositionMs();
  // Milliseconds; -1 from the start of every open until it has been read, 0 when it cannot be read.
  double duration() const { return duration_; }
  bool isDevice() const { return isDevice_; }

  // The message window's handle (null while none exists), for tests and diagnostics.
  HWND messageWindow() const { return messageWindow_.window(); }
  IGraphBuilder* graph() const { return graph_.Get(); }
  IBaseFilter* source() const { return source_.Get(); }
  IBaseFilter* renderer() const { return renderer_.Get(); }

  // Filter names inside the graphs.
  static constexpr wchar_t kSourceFilterName[] = L"Source Filter";
  static constexpr wchar_t kRendererFilterName[] = L"Nimb Renderer Filter";

 private:
  // Steps shared by OpenDevice, ConnectRenderer and OpenFile.
  void ReleaseGraph();
  bool AddRendererAndRender();
  bool AttachControlAndEvents();
  void ReadDuration();
  bool ReadCurrentFormat(AM_MEDIA_TYPE*& type);
  ComPtr<IAMStreamConfig> CaptureStreamConfig() const;
  void RemoveDownstream(IBaseFilter* filter);
  // IMediaControl::Stop and then every filter that still is not stopped; the result of the former.
  HRESULT StopGraph();
  bool QueryState(OAFilterState& state);

  std::wstring settingsKey_;
  HWND ownerWindow_ = nullptr;
  UINT ownerMessage_ = 0;
  bool isDevice_ = false;
  double duration_ = -1;

  // Interfaces, released in the reverse of this order by the destructor.
  ComPtr<IBaseFilter> renderer_;
  ComPtr<ICaptureGraphBuilder2> captureBuilder_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> mediaControl_;
  ComPtr<IMediaEventEx> mediaEvent_;
  ComPtr<IMediaPosition> mediaPosition_;
  ComPtr<IMediaSeeking> mediaSeeking_;
  ComPtr<IBaseFilter> source_;
  ComPtr<IAMCameraControl> cameraControl_;

  CDSMsgWnd messageWindow_;
};

}  // namespace orvane
