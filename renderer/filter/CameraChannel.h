// CameraChannel: the renderer's device record. It holds the selected virtual camera (the IKsPropertySet
// of its capture filter and its device number), the settings the renderer applies to each frame (zoom
// with pan, rotation), the pending snapshot request and the snapshot worker, and it pushes frames: each
// picture is built into a frame record (FrameRecordBuilder, which owns the grow-only delivery buffer)
// and set into the device as property 0. A frame that a snapshot was asked for is copied and handed to
// the worker, which encodes and writes it on its own thread.
//
// Threads: PushFrame runs on the graph's streaming thread and on any thread that pushes pictures
// directly; everything else on the caller's thread (the application's user-interface thread, the
// property page). Two locks, taken in this order:
//   pushLock_   held through a whole frame push, so that graph frames and direct pushes take turns at
//               the one delivery buffer, and by a device replacement, so that the device a push works
//               with is never released under it;
//   stateLock_  short: the selected device, its number, the selection criteria and the snapshot path.
// The snapshot worker has its own lock and is never waited for under these two.
// Driver calls other than the frame push run on a counted copy of the selected device, outside both
// locks. The transform settings are atomics read once per frame; a frame may see an old zoom with a new
// pan, which the crop keeps inside the picture.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <wincodec.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "media/frame/FrameRecordBuilder.h"
#include "platform/com/ComPtr.h"
#include "platform/win/CriticalSection.h"
#include "renderer/filter/VirtualCameraSearch.h"
#include "renderer/filter/snapshot/SnapshotWorker.h"
#include "shared/FrameFormat.h"
#include "shared/VirtualCameraProperties.h"

namespace orvane {

// What a frame push does after handing a snapshot to the worker: the streaming thread goes on at once;
// a caller that pushes a picture directly (and so asked for the snapshot on its own thread) returns
// once the file is written, so that it finds the file when the push returns.
enum class SnapshotHandOff { Detached, Awaited };

class CameraChannel {
 public:
  CameraChannel();
  ~CameraChannel();
  CameraChannel(const CameraChannel&) = delete;
  CameraChannel& operator=(const CameraChannel&) = delete;

  // Creates the imaging factory and the snapshot worker (a failure only disables snapshots) and
  // selects the first virtual camera, if there is one.
  void Open();

  // Selection: store the criterion and search again. A search that finds nothing keeps the previous
  // device. `index` is 0-based among the virtual cameras; a negative one means "the first".
  void SelectByName(std::wstring name);
  void SelectByIndex(int32_t index);
  bool HasCamera() const;
  // The selected device's number, read from its device path; none when the path carries no number
  // (or one outside 0..65535), whatever the previously selected device had.
  std::optional<int32_t> DeviceNumber() const;

  // Builds the frame record of one picture (cropped and rotated as set) and sets it into the device.
  // E_FAIL without a device; E_POINTER for no pixels; E_INVALIDARG for a geometry that cannot be
  // delivered; E_OUTOFMEMORY when the delivery buffer cannot grow; else the driver's result. `pixels`
  // must hold ImageSize(type, height, stride) bytes (a stride of 0 or less means the default). A
  // pending snapshot is taken from the delivered picture and written by the worker; `handOff` says
  // whether the push waits for the file (outside the channel's locks). The snapshot's own outcome does
  // not change the result.
  HRESULT PushFrame(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride, FramePixelType type,
                    SnapshotHandOff handOff);

  // Driver property calls with a payload of exactly the record's size: E_FAIL without a device, else
  // the driver's result. SetShared passes the payload as instance data too. A Get sends the payload as
  // the caller filled it, without instance data, and the driver answers into it.
  template <typename Payload>
  HRESULT Set(VirtualCameraProperty id, const Payload& payload) {
    Payload copy = payload;
    return SetBytes(id, false, &copy, sizeof copy);
  }
  template <typename Payload>
  HRESULT SetShared(VirtualCameraProperty id, const Payload& payload) {
    Payload copy = payload;
    return SetBytes(id, true, &copy, sizeof copy);
  }
  template <typename Payload>
  HRESULT Get(VirtualCameraProperty id, Payload& payload) {
    return GetBytes(id, &payload, sizeof payload);
  }
  // Property 3 for the selected device, with its device number; E_FAIL without a device,
  // E_INVALIDARG for a name that does not fit, E_FAIL for a null or empty one, and
  // HRESULT_FROM_WIN32(ERROR_NOT_FOUND) without calling the device when the selected device has no
  // number: the payload names the device to rename by its number, and no number is the right one.
  HRESULT SetFriendlyName(const wchar_t* name);

  // The renderer's own settings, read by the next frame.
  void SetRotate(bool rotate) { rotate_.store(rotate); }
  bool Rotate() const { return rotate_.load(); }
  void SetZoom(int32_t zoom, int32_t panX, int32_t panY);
  void GetZoom(int32_t& zoom, int32_t& panX, int32_t& panY) const;

  // The next delivered frame is written to `path` as a JPEG (by the worker, shortly after that frame);
  // a later request before that frame replaces it, and an empty path cancels it.
  void RequestSnapshot(std::wstring path);

 private:
  struct Selected {
    ComPtr<IKsPropertySet> properties;
    std::optional<int32_t> deviceNumber;
  };
  Selected CurrentDevice() const;
  void SelectDevice();
  HRESULT SetBytes(VirtualCameraProperty id, bool shared, void* data, DWORD length);
  HRESULT GetBytes(VirtualCameraProperty id, void* data, DWORD length);
  FrameTransformSettings Transform() const;
  // Takes the pending request and hands the delivered picture to the worker; the ticket to wait for,
  // or 0 when nothing was handed over.
  SnapshotWorker::Ticket HandOverSnapshot(const FrameRecord& record);

  mutable CriticalSection pushLock_;
  mutable CriticalSection stateLock_;
  // Changed under both locks; read under either.
  ComPtr<IKsPropertySet> cameraProperties_;
  std::optional<int32_t> deviceNumber_;
  // Under stateLock_.
  DeviceChoice choice_;
  std::wstring snapshotPath_;
  // Under pushLock_.
  FrameRecordBuilder builder_;

  std::atomic<bool> snapshotPending_{false};
  std::atomic<bool> rotate_{false};
  std::atomic<int32_t> zoom_{0};
  std::atomic<int32_t> panX_{0};
  std::atomic<int32_t> panY_{0};

  // Set once by Open, before any other thread sees the channel; null when snapshots are unavailable.
  // Declared last, so destroyed first: its destructor waits for the snapshots handed over.
  std::unique_ptr<SnapshotWorker> snapshots_;
};

}  // namespace orvane
