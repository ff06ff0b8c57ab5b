#include "device/camera/NimbCameraPin.h"

#include <uuids.h>

#include <algorithm>
#include <mutex>

#include "device/camera/NimbCamera.h"
#include "device/camera/ProducerFrameAge.h"
#include "device/camera/formats/OutputOffer.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/VideoCapability.h"
#include "platform/win/PerformanceCounter.h"

namespace orvane::camera {
namespace {

const GUID& SubtypeOf(FramePixelType type) {
  switch (type) {
    case FramePixelType::RGB24: return MEDIASUBTYPE_RGB24;
    case FramePixelType::RGB32: return MEDIASUBTYPE_RGB32;
    case FramePixelType::YUY2: return MEDIASUBTYPE_YUY2;
    case FramePixelType::NV12: return MEDIASUBTYPE_NV12;
  }
  return GUID_NULL;
}

std::vector<VideoCapability> CapabilitiesFor(const OutputFormat& format) {
  const OutputFormat output = EffectiveOutputFormat(format);
  const REFERENCE_TIME interval = FrameIntervalOfRate(output.fps);
  const REFERENCE_TIME slowest = interval > kSlowestFrameInterval ? interval : kSlowestFrameInterval;
  std::vector<VideoCapability> capabilities;
  for (const OfferedFormat& offered : OfferedFormats(output)) {
    VideoCapability capability;
    if (SUCCEEDED(MakeVideoCapability(SubtypeOf(offered.type), offered.width, offered.height, interval, interval,
                                      slowest, capability))) {
      capabilities.push_back(std::move(capability));
    }
  }
  return capabilities;
}

// Where a due time should fall before the producer's push: waiting that long for a push costs less than
// missing one by a little and showing a frame an interval old.
constexpr REFERENCE_TIME kPushLead = 10000;  // 1 ms

picture::PictureOptions OptionsOf(const state::StateSettings& settings) {
  return {static_cast<FillMode>(settings.fillMode), settings.mirror != 0, settings.flip != 0};
}

}  // namespace

NimbCameraPin::NimbCameraPin(NimbCamera& camera) : CapturePin(camera, L"Capture"), camera_(camera) {}

void NimbCameraPin::RefreshCapabilities() {
  std::lock_guard lock(Filter().FilterLock());
  if (IsConnected()) return;
  std::shared_ptr<state::DeviceState> device;
  // A device that cannot be opened offers nothing; connecting then fails with VFW_E_NO_TYPES.
  if (FAILED(camera_.OpenDevice(device))) return;
  const OutputFormat format = device->Settings().outputFormat;
  if (offeredFor_ && *offeredFor_ == format) return;
  if (SUCCEEDED(SetCapabilities(CapabilitiesFor(format)))) offeredFor_ = format;
}

void NimbCameraPin::ForgetCapabilities() {
  std::lock_guard lock(Filter().FilterLock());
  offeredFor_.reset();
}

STDMETHODIMP NimbCameraPin::SetFormat(AM_MEDIA_TYPE* type) {
  RefreshCapabilities();
  return CapturePin::SetFormat(type);
}

STDMETHODIMP NimbCameraPin::GetFormat(AM_MEDIA_TYPE** type) {
  RefreshCapabilities();
  return CapturePin::GetFormat(type);
}

STDMETHODIMP NimbCameraPin::GetNumberOfCapabilities(int* count, int* size) {
  RefreshCapabilities();
  return CapturePin::GetNumberOfCapabilities(count, size);
}

STDMETHODIMP NimbCameraPin::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) {
  RefreshCapabilities();
  return CapturePin::GetStreamCaps(index, type, caps);
}

STDMETHODIMP NimbCameraPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  RefreshCapabilities();
  return CapturePin::Connect(receivePin, type);
}

STDMETHODIMP NimbCameraPin::EnumMediaTypes(IEnumMediaTypes** types) {
  RefreshCapabilities();
  return CapturePin::EnumMediaTypes(types);
}

void NimbCameraPin::BeginStreaming(std::shared_ptr<state::DeviceState> device, state::ClientRegistration* registration) {
  device_ = std::move(device);
  registration_ = registration;
  const VideoMediaGeometry client = GeometryFromMediaType(ConnectionType().get());
  if (client.ok() && device_ != nullptr) {
    renderings_ = picture::SharedRenderings::ForDevice(device_->deviceNumber());
    joinedAs_ = client.frame.header;
    renderings_->Join(joinedAs_);
  }
  haveFrame_ = false;
  copiedFrame_ = 0;
  shownFrame_ = 0;
  publishedTime_ = 0;
  interrupt_.Reset();
}

void NimbCameraPin::InterruptWaits() { interrupt_.Set(); }

void NimbCameraPin::EndStreaming() {
  if (renderings_ != nullptr) renderings_->Leave(joinedAs_);
  renderings_.reset();
  registration_ = nullptr;
  device_.reset();
}

StreamStatistics NimbCameraPin::Statistics() const {
  // Ended before started: a snapshot never shows more decodes ended than started.
  const uint64_t ended = idle_.DecodesEnded();
  return {frameWaits_.load(std::memory_order_relaxed), emptyWakeUps_.load(std::memory_order_relaxed),
          idle_.DecodesStarted(), ended};
}

std::optional<int64_t> NimbCameraPin::FrameAge() const {
  if (!haveFrame_) return std::nullopt;
  return LiveFrameAge(publishedTime_, PerformanceCounterTime(), static_cast<int64_t>(kIdleAfterMs) * 10000);
}

bool NimbCameraPin::ProducerActive() const { return FrameAge().has_value(); }

void NimbCameraPin::CopyNewest() {
  if (device_->FrameCounter() == copiedFrame_) return;
  state::FrameInfo info;
  // A copy that keeps overlapping the producer's writes, or a record that fails its checks, leaves the
  // previous frame in place.
  if (device_->CopyLatestFrame(record_, info) != state::StateError::None) return;
  haveFrame_ = true;
  copiedFrame_ = info.frameNumber;
  publishedTime_ = info.publishedTime;
}

void NimbCameraPin::WaitForPush(uint64_t newest, int64_t deadline) {
  frameWaits_.fetch_add(1, std::memory_order_relaxed);
  const HANDLE handles[] = {registration_->frameEvent(), interrupt_.get()};
  DWORD count = 2;
  const HANDLE* waitOn = handles;
  uint32_t emptyWakeUps = 0;
  for (;;) {
    const int64_t remaining = deadline - PerformanceCounterTime();
    if (remaining <= 0) return;
    const DWORD woke =
        WaitForMultipleObjects(count, waitOn, FALSE, static_cast<DWORD>((remaining + 9999) / 10000));
    if (woke != WAIT_OBJECT_0 || count == 1) return;
    if (device_->FrameCounter() != newest) return;
    // The event may still be set for a frame already taken, and so may anyone who can open it by its
    // name: a few wake-ups without a frame are tolerated, then only the stop ends the wait.
    emptyWakeUps_.fetch_add(1, std::memory_order_relaxed);
    if (++emptyWakeUps >= kMaxEmptyWakeUpsPerWait) {
      count = 1;
      waitOn = &handles[1];
    }
  }
}

std::optional<int64_t> NimbCameraPin::TakeLatestFrame(REFERENCE_TIME interval) {
  const int64_t entry = PerformanceCounterTime();
  CopyNewest();
  const bool isNew = copiedFrame_ != shownFrame_;
  // A live frame was published within the idle time-out before now; `entry` is at most an interval
  // before now, so its distance from the publication time stays far from overflowing.
  const std::optional<int64_t> age = FrameAge();
  if (isNew && age && *age < interval / 2) {
    shownFrame_ = copiedFrame_;
    return static_cast<int64_t>(publishedTime_) - entry;
  }
  if (!age || registration_ == nullptr) {
    shownFrame_ = copiedFrame_;
    return std::nullopt;
  }
  const uint64_t newest = copiedFrame_;
  WaitForPush(newest, entry + interval / 2);
  CopyNewest();
  shownFrame_ = copiedFrame_;
  // No push within the window: the producer is slower, or this stream's phase is early.
  if (copiedFrame_ == newest) return interval / 2;
  // A new frame whose time is not live says nothing about the producer's phase.
  if (!ProducerActive()) return std::nullopt;
  return static_cast<int64_t>(publishedTime_) - entry;
}

HRESULT NimbCameraPin::FillFrame(IMediaSample* sample, FrameTiming& timing) {
  const VideoMediaGeometry client = GeometryFromMediaType(ConnectionType().get());
  if (!client.ok() || device_ == nullptr) return VFW_E_INVALIDMEDIATYPE;
  BYTE* out = nullptr;
  HRESULT hr = sample->GetPointer(&out);
  if (FAILED(hr)) return hr;
  const auto capacity = static_cast<size_t>(sample->GetSize());
  if (capacity < client.frame.imageSize) return VFW_E_BUFFER_OVERFLOW;

  const REFERENCE_TIME interval = timing.stop - timing.start;
  const std::optional<int64_t> pushed = TakeLatestFrame(interval);
  if (pushed) {
    // Half the way towards pushes that come kPushLead after the due time, an eighth of an interval at most.
    const REFERENCE_TIME shift = std::clamp<REFERENCE_TIME>((*pushed - kPushLead) / 2, -interval / 8, interval / 8);
    timing.start += shift;
    timing.stop += shift;
  }
  const state::StateSettings settings = device_->Settings();
  const picture::PictureOptions options = OptionsOf(settings);
  picture::PictureError error = picture::PictureError::None;
  if (ProducerActive()) {
    // Another stream of this process may have shown the same frame the same way already.
    const picture::SharedRenderings::Key key{copiedFrame_, client.frame.header, options};
    const size_t size = client.frame.imageSize;
    if (renderings_ == nullptr || !renderings_->Take(key, out, size)) {
      error = live_.RenderRecord(record_.data(), record_.size(), client.frame.header, out, capacity, options);
      if (error == picture::PictureError::None && renderings_ != nullptr) renderings_->Publish(key, out, size);
    }
  } else {
    error = idle_.Render(settings.idlePicturePath, client.frame.header, options, out, capacity);
  }
  // Nothing a producer sends may stop a client's stream: a frame that cannot be shown is black.
  if (error != picture::PictureError::None) picture::FillBlack(client.frame.header, out, capacity);
  return sample->SetActualDataLength(static_cast<long>(client.frame.imageSize));
}

}  // namespace orvane::camera
