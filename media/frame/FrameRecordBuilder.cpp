#include "media/frame/FrameRecordBuilder.h"

#include <cstring>
#include <new>

#include "media/frame/FrameTransform.h"

namespace orvane {
namespace {

// Cache-line alignment lets the vector kernels write whole lines of the delivered pixels.
constexpr std::align_val_t kDeliveryAlignment{64};

}  // namespace

const char* DescribeFrameRecordError(FrameRecordError error) {
  switch (error) {
    case FrameRecordError::None: return "built";
    case FrameRecordError::NullPixels: return "no pixels";
    case FrameRecordError::BadGeometry: return "frame geometry cannot be delivered";
    case FrameRecordError::OutOfMemory: return "out of memory for the delivery buffer";
  }
  return "unknown error";
}

void FrameRecordBuilder::AlignedFree::operator()(uint8_t* block) const {
  ::operator delete[](block, kDeliveryAlignment);
}

FrameRecordBuilder::FrameRecordBuilder() = default;
FrameRecordBuilder::~FrameRecordBuilder() = default;

FrameRecord FrameRecordBuilder::Build(const uint8_t* pixels, const FrameHeader& geometry,
                                      const FrameTransformSettings& settings) {
  FrameRecord record;
  if (pixels == nullptr) {
    record.error = FrameRecordError::NullPixels;
    return record;
  }
  const CheckedFrame input = CheckFrameGeometry(geometry);
  if (!input.ok()) {
    record.error = FrameRecordError::BadGeometry;
    record.geometry = input.error;
    return record;
  }

  // The crop is a view into the caller's frame; the rotation or the copy reads it from there, so the
  // source is read once whatever the settings.
  FrameView view = MakeFrameView(pixels, input.header);
  const bool crop = settings.zoom > 0;
  if (crop) {
    const int32_t rows = input.header.height < 0 ? -input.header.height : input.header.height;
    view = CropView(view, ComputeCropWindow(input.header.width, rows, settings.zoom, settings.panX,
                                            settings.panY));
  }
  FrameHeader delivered = view.header;
  if (settings.rotate) {
    delivered = RotatedGeometry(view.header);
  } else if (crop) {
    delivered = CompactGeometry(view.header);
  }
  // A rotated frame has rows of a new length: its geometry must be deliverable in its own right.
  const CheckedFrame output = CheckFrameGeometry(delivered);
  if (!output.ok() || output.header.stride != delivered.stride) {
    record.error = FrameRecordError::BadGeometry;
    record.geometry = output.ok() ? GeometryError::TooLarge : output.error;
    return record;
  }

  const uint32_t size = output.recordSize();
  if (size > capacity_) {
    // Replaced by a buffer of exactly the size needed; the old one is kept if that fails.
    uint8_t* grown = static_cast<uint8_t*>(::operator new[](size, kDeliveryAlignment, std::nothrow));
    if (grown == nullptr) {
      record.error = FrameRecordError::OutOfMemory;
      return record;
    }
    delivery_.reset(grown);
    capacity_ = size;
  }

  uint8_t* out = delivery_.get();
  std::memcpy(out, &output.header, sizeof(FrameHeader));
  uint8_t* image = out + kFrameHeaderSize;
  if (settings.rotate) {
    RotateFrame(view, image);
  } else if (crop) {
    CopyFrame(view, image);
  } else {
    std::memcpy(image, pixels, output.imageSize);
  }
  record.data = out;
  record.size = size;
  record.header = output.header;
  return record;
}

}  // namespace orvane
