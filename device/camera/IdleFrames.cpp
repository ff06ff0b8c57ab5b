#include "device/camera/IdleFrames.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "device/camera/IdlePictureDecoder.h"

namespace orvane::camera {
namespace {

// A picture file that is missing now may be copied into place later.
constexpr ULONGLONG kRetryDecodeMs = 3000;

}  // namespace

void IdleFrames::LoadPicture(const std::u16string& path) {
  const bool hadPicture = !decoded_.empty();
  path_ = path;
  loaded_ = true;
  picture::Picture32 picture;
  if (!path.empty() && SUCCEEDED(DecodeIdlePicture(reinterpret_cast<const wchar_t*>(path.c_str()), picture))) {
    decoded_ = std::move(picture);
    ++generation_;
    return;
  }
  decoded_ = picture::Picture32{};
  retryTick_ = GetTickCount64() + kRetryDecodeMs;
  if (hadPicture) ++generation_;
}

picture::PictureError IdleFrames::Render(const char16_t* path, const FrameHeader& client,
                                         const picture::PictureOptions& deviceOptions, uint8_t* out, size_t outSize) {
  const std::u16string wanted(path);
  if (!loaded_ || wanted != path_ || (decoded_.empty() && !wanted.empty() && GetTickCount64() >= retryTick_)) {
    LoadPicture(wanted);
  }
  const picture::Picture32* source = &decoded_;
  if (decoded_.empty()) {
    const int32_t rows = std::abs(client.height);
    if (neutral_.width != client.width || neutral_.height != rows) {
      if (!picture::MakeNoSignalPicture(client.width, rows, neutral_)) return picture::FillBlack(client, out, outSize);
      ++generation_;
    }
    source = &neutral_;
  }

  const size_t size = picture::ClientFrameSize(client);
  if (size == 0) return picture::PictureError::ClientGeometry;
  if (outSize < size) return picture::PictureError::ClientBufferTooSmall;
  const picture::PictureOptions options = picture::IdlePictureOptions(deviceOptions);
  if (frameGeneration_ != generation_ || !(frameClient_ == client) || !(frameOptions_ == options) ||
      frame_.size() != size) {
    try {
      frame_.resize(size);
    } catch (const std::bad_alloc&) {
      frame_.clear();
      return picture::PictureError::OutOfMemory;
    }
    frameGeneration_ = ~uint64_t{0};
    const picture::PictureError error = renderer_.Render(source->View(), client, frame_.data(), size, options);
    if (error != picture::PictureError::None) return error;
    frameClient_ = client;
    frameOptions_ = options;
    frameGeneration_ = generation_;
  }
  std::memcpy(out, frame_.data(), size);
  return picture::PictureError::None;
}

}  // namespace orvane::camera
