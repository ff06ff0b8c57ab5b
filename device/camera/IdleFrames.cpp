#include "device/camera/IdleFrames.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "device/camera/IdlePictureDecoder.h"
#include "device/camera/IdlePicturePath.h"
#include "platform/com/ComInitialization.h"

namespace orvane::camera {
namespace {

// A picture file that is missing now may be copied into place later.
constexpr ULONGLONG kRetryDecodeMs = 3000;

}  // namespace

// One decode, shared by the stream that asked for it and the pool thread that runs it. The pool thread
// writes the result and then sets `done`; the stream reads the result only after it saw `done`.
struct IdleFrames::Decode {
  explicit Decode(std::u16string file) : path(std::move(file)) {}
  const std::u16string path;
  HRESULT result = E_PENDING;
  picture::Picture32 picture;
  std::atomic<bool> done{false};
};

IdleFrames::~IdleFrames() = default;

void IdleFrames::FollowPath(const std::u16string& path) {
  if (path == path_) return;
  path_ = path;
  retryTick_ = 0;
  if (!decoded_.empty()) {
    decoded_ = picture::Picture32{};
    ++generation_;
  }
}

void IdleFrames::TakeFinishedDecode() {
  if (!decode_ || !decode_->done.load(std::memory_order_acquire)) return;
  const std::shared_ptr<Decode> finished = std::move(decode_);
  decodesEnded_.fetch_add(1);
  // A decode of a path that was left meanwhile is of no use; the current one starts at once.
  if (finished->path != path_) return;
  if (SUCCEEDED(finished->result) && !finished->picture.empty()) {
    decoded_ = std::move(finished->picture);
    ++generation_;
  } else {
    retryTick_ = GetTickCount64() + kRetryDecodeMs;
  }
}

void IdleFrames::StartDecode() {
  struct Work {
    std::shared_ptr<Decode> decode;
    HMODULE module;  // a reference on this module, released as the callback returns
  };
  static constexpr PTP_SIMPLE_CALLBACK run = [](PTP_CALLBACK_INSTANCE instance, void* context) {
    const std::unique_ptr<Work> work(static_cast<Work*>(context));
    FreeLibraryWhenCallbackReturns(instance, work->module);
    Decode& job = *work->decode;
    const ComInitialization com(COINIT_MULTITHREADED);
    try {
      job.result = com.ok() ? DecodeIdlePicture(reinterpret_cast<const wchar_t*>(job.path.c_str()), job.picture)
                            : com.result();
    } catch (...) {
      job.result = E_OUTOFMEMORY;
      job.picture = picture::Picture32{};
    }
    job.done.store(true, std::memory_order_release);
  };

  auto decode = std::make_shared<Decode>(path_);
  HMODULE module = nullptr;
  // The pool thread runs code of this module: it must stay loaded until the callback has returned,
  // even if every object of the module is gone by then.
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(run), &module)) {
    retryTick_ = GetTickCount64() + kRetryDecodeMs;
    return;
  }
  auto* work = new (std::nothrow) Work{decode, module};
  if (work == nullptr || !TrySubmitThreadpoolCallback(run, work, nullptr)) {
    delete work;
    FreeLibrary(module);
    retryTick_ = GetTickCount64() + kRetryDecodeMs;
    return;
  }
  decode_ = std::move(decode);
  decodesStarted_.fetch_add(1);
}

picture::PictureError IdleFrames::Render(const char16_t* path, const FrameHeader& client,
                                         const picture::PictureOptions& deviceOptions, uint8_t* out, size_t outSize) {
  FollowPath(path);
  TakeFinishedDecode();
  // Paths that break the rules are never handed to the decoder: not even a drive is asked about them.
  if (!decode_ && decoded_.empty() && CheckIdlePicturePath(path_) == IdlePathError::None &&
      GetTickCount64() >= retryTick_) {
    StartDecode();
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
