// Builds the frame record that the renderer sets into the virtual camera: the 16-byte FrameHeader
// followed by the pixels, cropped (digital zoom with pan) and rotated when asked. It owns the delivery
// buffer, which only grows: once it has held the largest frame of a stream, building allocates nothing.
//
// One builder belongs to one renderer and is used by its streaming thread only; a record stays valid
// until the next Build or the builder's destruction. Nothing is thrown: allocation failure and every
// geometry that cannot be delivered come back as a refusal, and a refusal writes nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "shared/FrameFormat.h"

namespace orvane {

// The renderer's transform settings, as the control interface stores them.
struct FrameTransformSettings {
  bool rotate = false;  // 90 degrees clockwise
  int32_t zoom = 0;     // 0 = off; 1..40
  int32_t panX = 0;     // -zoom..+zoom, 0 = centred
  int32_t panY = 0;
};

enum class FrameRecordError {
  None,
  NullPixels,      // no pixel pointer
  BadGeometry,     // `geometry` says why
  OutOfMemory,     // the delivery buffer could not grow
};

const char* DescribeFrameRecordError(FrameRecordError error);

struct FrameRecord {
  FrameRecordError error = FrameRecordError::None;
  GeometryError geometry = GeometryError::None;  // with BadGeometry: the input's or the result's fault
  const uint8_t* data = nullptr;                  // header + pixels, in the builder's delivery buffer
  uint32_t size = 0;                              // 16 + image size of `header`
  FrameHeader header{};                           // the delivered geometry, as written in front
  bool ok() const { return error == FrameRecordError::None; }
};

class FrameRecordBuilder {
 public:
  FrameRecordBuilder();
  ~FrameRecordBuilder();
  FrameRecordBuilder(const FrameRecordBuilder&) = delete;
  FrameRecordBuilder& operator=(const FrameRecordBuilder&) = delete;

  // `pixels` holds a frame of `geometry` (a stride of 0 or less means the layout's default): for NV12
  // the chroma plane follows |height| x stride bytes after the luma plane, at the same stride. The
  // caller guarantees ImageSize bytes there. Crop applies when settings.zoom > 0, then the rotation.
  FrameRecord Build(const uint8_t* pixels, const FrameHeader& geometry, const FrameTransformSettings& settings);

  uint32_t capacity() const { return capacity_; }

 private:
  struct AlignedFree {
    void operator()(uint8_t* block) const;
  };
  std::unique_ptr<uint8_t[], AlignedFree> delivery_;
  uint32_t capacity_ = 0;
};

}  // namespace orvane
