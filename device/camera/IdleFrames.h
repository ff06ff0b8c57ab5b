// What one client stream shows while no producer frames arrive: the idle picture file of property 4,
// or the neutral "no signal" picture when there is none, or while the picture is still being decoded,
// or when it cannot be shown; fitted into the client's frame with the device's fill mode but never
// mirrored or flipped. The fitted frame is kept, so a steady idle stream costs one copy per frame.
//
// The path comes from the shared section, so it is checked before anything touches the file system:
// a path that breaks the rules of IdlePicturePath.h is never opened. Others are decoded on a thread of
// the process's thread pool (IdlePictureDecoder, which checks the drive and the file), never on the
// streaming thread: Render only looks whether the decode has finished. At most one decode per stream is
// under way; a path changed meanwhile is decoded when it ends. A file that cannot be decoded is tried
// again every few seconds (it may be copied into place later).
// Belongs to one client pin's streaming thread; DecodesStarted from any thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/picture/IdlePicture.h"
#include "media/picture/PictureRenderer.h"

namespace orvane::camera {

class IdleFrames {
 public:
  IdleFrames() = default;
  // A decode under way finishes on its own; its picture is dropped.
  ~IdleFrames();
  IdleFrames(const IdleFrames&) = delete;
  IdleFrames& operator=(const IdleFrames&) = delete;

  // Writes the idle frame for `client` (a checked geometry) into `out`. `path` is the NUL-terminated
  // idle picture path from the device's settings, empty for none.
  picture::PictureError Render(const char16_t* path, const FrameHeader& client,
                               const picture::PictureOptions& deviceOptions, uint8_t* out, size_t outSize);

  // Decodes started so far, and those of them whose result was taken (the next frame shows it).
  uint64_t DecodesStarted() const { return decodesStarted_.load(); }
  uint64_t DecodesEnded() const { return decodesEnded_.load(); }

 private:
  struct Decode;
  void FollowPath(const std::u16string& path);
  void TakeFinishedDecode();
  void StartDecode();

  std::u16string path_;
  ULONGLONG retryTick_ = 0;
  std::shared_ptr<Decode> decode_;  // the decode under way, shared with the pool thread running it
  picture::Picture32 decoded_;      // empty: show the neutral picture
  picture::Picture32 neutral_;      // at the size of the client it was made for
  uint64_t generation_ = 0;         // changes with the picture that is shown
  std::atomic<uint64_t> decodesStarted_{0};
  std::atomic<uint64_t> decodesEnded_{0};

  // The fitted frame and what it was made from.
  std::vector<uint8_t> frame_;
  FrameHeader frameClient_{};
  picture::PictureOptions frameOptions_{};
  uint64_t frameGeneration_ = ~uint64_t{0};
  picture::PictureRenderer renderer_;
};

}  // namespace orvane::camera
