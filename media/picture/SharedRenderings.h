// Client frames rendered once for every stream of one virtual camera device in this process that
// shows the same picture: the same producer frame, client geometry and options. The first stream to
// render a frame publishes a copy; the others copy it instead of rendering it again. Copies are kept
// only for client geometries that two or more streams read, so a lone stream pays nothing, and a
// stream whose options differ renders its own picture.
//
// The sharing stops at the process: each client application reads the device in its own process, and
// a rendering shared across processes would put one process's output where every other one reads
// it, guarded and checked like the frame record, for a saving of one render per client frame.
//
// Thread-safe: the streaming threads of the device's pins call it at once; one lock (lock_) guards
// the slots. Nothing is thrown; a copy that cannot be kept is dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "media/picture/PictureRenderer.h"
#include "shared/FrameFormat.h"

namespace orvane::picture {

class SharedRenderings {
 public:
  struct Key {
    uint64_t frame = 0;  // the producer frame's counter in the device's shared state
    FrameHeader client{};
    PictureOptions options{};
    friend bool operator==(const Key&, const Key&) = default;
  };

  // The renderings of device `device` in this process, alive while a stream holds them.
  static std::shared_ptr<SharedRenderings> ForDevice(int32_t device);

  // A stream of this client geometry starts or stops reading.
  void Join(const FrameHeader& client);
  void Leave(const FrameHeader& client);

  // Copies the published rendering of `key` into `out` (`size` bytes: the client frame's); false
  // when there is none.
  bool Take(const Key& key, uint8_t* out, size_t size);
  // Keeps a copy of the frame just rendered for `key` when another stream reads its geometry. The
  // copy's buffer is reused from frame to frame.
  void Publish(const Key& key, const uint8_t* frame, size_t size);

 private:
  struct Slot {
    FrameHeader client{};
    int readers = 0;
    bool valid = false;
    Key key;
    std::vector<uint8_t> bytes;
  };
  Slot* Find(const FrameHeader& client);

  std::mutex lock_;
  std::vector<Slot> slots_;  // one per client geometry that a stream reads
};

}  // namespace orvane::picture
