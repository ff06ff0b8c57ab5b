// What one client stream shows while no producer frames arrive: the idle picture file of property 4,
// decoded with WIC when its path changes (a file that cannot be decoded is tried again every few
// seconds), or the neutral "no signal" picture when there is none; fitted into the client's frame with
// the device's fill mode but never mirrored or flipped. The fitted frame is kept, so a steady idle
// stream costs one copy per frame.
// Belongs to one client pin's streaming thread (COM initialised there, for WIC).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "media/picture/IdlePicture.h"
#include "media/picture/PictureRenderer.h"

namespace orvane::camera {

class IdleFrames {
 public:
  // Writes the idle frame for `client` (a checked geometry) into `out`. `path` is the NUL-terminated
  // idle picture path from the device's settings, empty for none.
  picture::PictureError Render(const char16_t* path, const FrameHeader& client,
                               const picture::PictureOptions& deviceOptions, uint8_t* out, size_t outSize);

 private:
  void LoadPicture(const std::u16string& path);

  std::u16string path_;
  bool loaded_ = false;
  ULONGLONG retryTick_ = 0;
  picture::Picture32 decoded_;  // empty: show the neutral picture
  picture::Picture32 neutral_;  // at the size of the client it was made for
  uint64_t generation_ = 0;     // changes with the picture that is shown

  // The fitted frame and what it was made from.
  std::vector<uint8_t> frame_;
  FrameHeader frameClient_{};
  picture::PictureOptions frameOptions_{};
  uint64_t frameGeneration_ = ~uint64_t{0};
  picture::PictureRenderer renderer_;
};

}  // namespace orvane::camera
