// The virtual camera's capture pin: a CapturePin whose capabilities follow the device's output format
// (OutputOffer.h: YUY2, NV12, RGB32 and RGB24 at the output size and, unless one size only is asked, the
// common sizes) and whose frames show the latest producer frame of the device's shared state, fitted,
// mirrored and flipped as the settings say and converted to the connection's layout; after about a
// second without producer frames, the idle picture (IdleFrames).
//
// Frames are paced by the graph's clock at the connection's rate (the live SourceStream). While the
// producer sends, the pin keeps its deliveries close behind the producer's pushes: at a frame's due
// time it shows a producer frame published less than half an interval ago; when there is none (no new
// frame yet, or only one that has waited half an interval or more) it waits up to half an interval
// for the next push and shows the newest frame then. It also moves its phase, by at most an eighth of
// an interval per frame, until the pushes come just after its due times: a client at the producer's
// rate so settles one render behind each push, its time stamps again one interval apart. Whatever
// the two rates, no frame is shown more than about half an interval after it was pushed; a slower
// producer's frames are repeated, a faster one's thinned out.
//
// Streams of the device in this process that show the same producer frame at the same geometry with
// the same options render it once (SharedRenderings): the first to render it publishes a copy.
//
// Everything read from the shared state is a peer's word. A frame's publication time after now, or
// older than the idle time-out, makes it not live (the idle picture is shown). The frame event is a
// named object another process may have created first and keep set: a wait takes at most
// kMaxEmptyWakeUpsPerWait wake-ups that bring no new frame, then listens only for the stop.
//
// Threading: the capabilities are rebuilt from the settings under FilterLock on the graph or
// application thread, whenever a caller is about to read them and the pin is not connected (a
// connected client keeps its format; frames are scaled to it). BeginStreaming and EndStreaming come
// from the filter's state changes under FilterLock, before the streaming thread starts and after it was
// joined; everything FillFrame uses belongs to the streaming thread in between.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "device/camera/IdleFrames.h"
#include "device/camera/NimbCameraStatistics.h"
#include "device/camera/state/DeviceState.h"
#include "media/picture/PictureRenderer.h"
#include "media/picture/SharedRenderings.h"
#include "platform/dshow/CapturePin.h"
#include "platform/win/Event.h"

namespace orvane::camera {

class NimbCamera;

// Without a producer frame for this long, clients see the idle picture.
inline constexpr ULONGLONG kIdleAfterMs = 1000;

class NimbCameraPin : public CapturePin {
 public:
  explicit NimbCameraPin(NimbCamera& camera);

  // The entry points that read the capabilities bring them up to date first.
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override;
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;
  STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;

  // Rebuilds the capabilities when the output format changed and the pin is not connected.
  void RefreshCapabilities();
  // The device changed (a new property bag): the next refresh rebuilds whatever the format.
  void ForgetCapabilities();

  // Filter state changes, under FilterLock.
  void BeginStreaming(std::shared_ptr<state::DeviceState> device, state::ClientRegistration* registration);
  void InterruptWaits();  // before the streaming thread is stopped
  void EndStreaming();    // after it was joined

  // Any thread.
  StreamStatistics Statistics() const;

 protected:
  HRESULT FillFrame(IMediaSample* sample, FrameTiming& timing) override;

 private:
  // Brings record_ up to date with the frame to show now, waiting for a push as described above.
  // Returns when the shown frame was pushed relative to now, on entry (100-ns units; negative: it
  // was already waiting), or nullopt when that says nothing about the producer's phase.
  std::optional<int64_t> TakeLatestFrame(REFERENCE_TIME interval);
  // Copies the newest producer frame into record_ unless it is there already.
  void CopyNewest();
  // The age of record_'s frame (100-ns units), or nullopt when there is none or it is not live: older
  // than kIdleAfterMs (the producer went idle) or published after now.
  std::optional<int64_t> FrameAge() const;
  bool ProducerActive() const;
  // Waits until the frame counter moves past `newest`, the stop is asked or `deadline` passes.
  void WaitForPush(uint64_t newest, int64_t deadline);

  NimbCamera& camera_;
  std::optional<OutputFormat> offeredFor_;  // under FilterLock: the format the capabilities describe
  Event interrupt_{EventReset::Manual};

  // Streaming thread (set before it starts, cleared after it ends).
  std::shared_ptr<state::DeviceState> device_;
  state::ClientRegistration* registration_ = nullptr;
  std::vector<uint8_t> record_;  // the latest producer frame record
  bool haveFrame_ = false;
  uint64_t copiedFrame_ = 0;     // frame counter of record_
  uint64_t shownFrame_ = 0;      // frame counter of the last frame delivered
  uint64_t publishedTime_ = 0;   // when record_ was published, as the section says (performance counter, 100 ns)
  picture::PictureRenderer live_;
  // The device's renderings shared with this process's other streams of it, and the client geometry
  // this stream joined them with.
  std::shared_ptr<picture::SharedRenderings> renderings_;
  FrameHeader joinedAs_{};
  IdleFrames idle_;

  // Written by the streaming thread, read by Statistics.
  std::atomic<uint64_t> frameWaits_{0};
  std::atomic<uint64_t> emptyWakeUps_{0};
};

}  // namespace orvane::camera
