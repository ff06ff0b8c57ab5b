#include "renderer/filter/CameraChannel.h"

#include <mutex>
#include <utility>


namespace orvane {
namespace {

HRESULT RecordErrorToHresult(FrameRecordError error) {
  switch (error) {
    case FrameRecordError::None: return S_OK;
    case FrameRecordError::NullPixels: return E_POINTER;
    case FrameRecordError::BadGeometry: return E_INVALIDARG;
    case FrameRecordError::OutOfMemory: return E_OUTOFMEMORY;
  }
  return E_UNEXPECTED;
}

// The numbers a device's state and name records exist for.
std::optional<int32_t> UsableDeviceNumber(const std::optional<int32_t>& number) {
  if (number && *number >= 0 && *number <= 65535) return number;
  return std::nullopt;
}

}  // namespace

CameraChannel::CameraChannel() = default;

// Members go in reverse order: the snapshot worker writes what it was handed and ends its thread,
// the device's interface is released, then the delivery buffer is freed.
CameraChannel::~CameraChannel() = default;

void CameraChannel::Open() {
  ComPtr<IWICImagingFactory> imagingFactory;
  if (SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&imagingFactory)))) {
    snapshots_ = std::make_unique<SnapshotWorker>(std::move(imagingFactory));
  }
  SelectDevice();
}

void CameraChannel::SelectByName(std::wstring name) {
  {
    std::lock_guard state(stateLock_);
    choice_.index = 0;
    choice_.name = std::move(name);
  }
  SelectDevice();
}

void CameraChannel::SelectByIndex(int32_t index) {
  {
    std::lock_guard state(stateLock_);
    choice_.name.clear();
    choice_.index = index < 0 ? 0 : int64_t{index} + 1;
  }
  SelectDevice();
}

void CameraChannel::SelectDevice() {
  DeviceChoice choice;
  {
    std::lock_guard state(stateLock_);
    choice = choice_;
  }
  // The search binds capture filters and may take a while: no lock is held meanwhile.
  FoundCamera found;
  if (FindVirtualCamera(choice, found) != S_OK) return;
  ComPtr<IKsPropertySet> previous;
  {
    // Waits for a frame push in progress: the device it sets frames into is not replaced under it.
    std::lock_guard push(pushLock_);
    std::lock_guard state(stateLock_);
    previous = std::exchange(cameraProperties_, std::move(found.properties));
    // Never the previous device's number: renaming would then reach that device.
    deviceNumber_ = UsableDeviceNumber(found.deviceNumber);
  }
  // `previous` is released here, after the locks: calls that copied it may still be using it.
}

bool CameraChannel::HasCamera() const {
  std::lock_guard state(stateLock_);
  return static_cast<bool>(cameraProperties_);
}

std::optional<int32_t> CameraChannel::DeviceNumber() const {
  std::lock_guard state(stateLock_);
  return deviceNumber_;
}

CameraChannel::Selected CameraChannel::CurrentDevice() const {
  std::lock_guard state(stateLock_);
  return {cameraProperties_, deviceNumber_};
}

HRESULT CameraChannel::SetBytes(VirtualCameraProperty id, bool shared, void* data, DWORD length) {
  const Selected device = CurrentDevice();
  if (!device.properties) return E_FAIL;
  return device.properties->Set(VirtualCameraPropertySet, id, shared ? data : nullptr, shared ? length : 0, data,
                                length);
}

HRESULT CameraChannel::GetBytes(VirtualCameraProperty id, void* data, DWORD length) {
  const Selected device = CurrentDevice();
  if (!device.properties) return E_FAIL;
  DWORD returned = 0;
  return device.properties->Get(VirtualCameraPropertySet, id, nullptr, 0, data, length, &returned);
}

HRESULT CameraChannel::SetFriendlyName(const wchar_t* name) {
  if (name == nullptr || name[0] == 0) return E_FAIL;
  const Selected device = CurrentDevice();
  FriendlyNamePayload payload;
  // Refused rather than cut: a shortened name would rename the device to something nobody chose.
  if (!MakeFriendlyNamePayload(payload, name, device.deviceNumber.value_or(0))) return E_INVALIDARG;
  if (!device.properties) return E_FAIL;
  if (!device.deviceNumber) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  return device.properties->Set(VirtualCameraPropertySet, kPropertyFriendlyName, &payload, sizeof payload, &payload,
                                sizeof payload);
}

void CameraChannel::SetZoom(int32_t zoom, int32_t panX, int32_t panY) {
  zoom_.store(zoom);
  panX_.store(panX);
  panY_.store(panY);
}

void CameraChannel::GetZoom(int32_t& zoom, int32_t& panX, int32_t& panY) const {
  zoom = zoom_.load();
  panX = panX_.load();
  panY = panY_.load();
}

FrameTransformSettings CameraChannel::Transform() const {
  return {rotate_.load(), zoom_.load(), panX_.load(), panY_.load()};
}

void CameraChannel::RequestSnapshot(std::wstring path) {
  std::lock_guard state(stateLock_);
  const bool pending = !path.empty();
  snapshotPath_ = std::move(path);
  if (pending) snapshotPending_.exchange(true);
}

HRESULT CameraChannel::PushFrame(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
                                 FramePixelType type, SnapshotHandOff handOff) {
  SnapshotWorker::Ticket snapshot = 0;
  HRESULT hr = S_OK;
  {
    std::lock_guard push(pushLock_);
    // Stable while pushLock_ is held: a replacement takes that lock too.
    IKsPropertySet* const properties = cameraProperties_.Get();
    if (properties == nullptr) return E_FAIL;
    const FrameRecord record = builder_.Build(pixels, {type, width, height, stride}, Transform());
    if (!record.ok()) return RecordErrorToHresult(record.error);
    // The driver copies the frame during the call, so the delivery buffer is free again afterwards.
    hr = properties->Set(VirtualCameraPropertySet, kPropertyFrame, nullptr, 0, const_cast<uint8_t*>(record.data),
                         record.size);
    if (snapshotPending_.load()) snapshot = HandOverSnapshot(record);
  }
  if (snapshot != 0 && handOff == SnapshotHandOff::Awaited) snapshots_->WaitUntilWritten(snapshot);
  return hr;
}

SnapshotWorker::Ticket CameraChannel::HandOverSnapshot(const FrameRecord& record) {
  std::wstring path;
  {
    // The path is taken and the request cleared together, so a request made meanwhile is not lost.
    std::lock_guard state(stateLock_);
    path = snapshotPath_;
    snapshotPending_.exchange(false);
  }
  if (path.empty() || !snapshots_) return 0;
  const FramePixelType type = record.header.pixelType;
  const bool bottomUp =
      (type == FramePixelType::RGB24 || type == FramePixelType::RGB32) && record.header.height > 0;
  // Only the copy is made here; a request that cannot be copied or queued is dropped like a failed
  // write: the request was for this frame.
  SnapshotWorker::Ticket ticket = 0;
  snapshots_->Submit(std::move(path), record.data + kFrameHeaderSize, record.header, bottomUp, ticket);
  return ticket;
}

}  // namespace orvane
