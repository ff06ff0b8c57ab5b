#include "renderer/filter/snapshot/SnapshotWorker.h"

#include <cstring>
#include <new>
#include <system_error>
#include <utility>

#include "platform/com/ComInitialization.h"
#include "renderer/filter/snapshot/SnapshotWriter.h"

namespace orvane {

SnapshotWorker::SnapshotWorker(ComPtr<IWICImagingFactory> factory) : factory_(std::move(factory)) {}

SnapshotWorker::~SnapshotWorker() {
  {
    std::lock_guard lock(lock_);
    stopping_ = true;
  }
  jobQueued_.notify_all();
  if (thread_.joinable()) thread_.join();
}

HRESULT SnapshotWorker::Submit(std::wstring path, const uint8_t* pixels, const FrameHeader& geometry, bool bottomUp,
                               Ticket& ticket) {
  ticket = 0;
  if (pixels == nullptr) return E_POINTER;
  if (path.empty()) return E_INVALIDARG;
  const CheckedFrame checked = CheckFrameGeometry(geometry);
  if (!checked.ok()) return E_INVALIDARG;
  Job job{std::move(path), std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[checked.imageSize]), geometry,
          bottomUp};
  if (!job.pixels) return E_OUTOFMEMORY;
  std::memcpy(job.pixels.get(), pixels, checked.imageSize);
  try {
    std::lock_guard lock(lock_);
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    jobs_.push_back(std::move(job));
    ticket = ++submitted_;
  } catch (const std::system_error&) {
    return E_OUTOFMEMORY;  // no thread to be had
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  jobQueued_.notify_one();
  return S_OK;
}

void SnapshotWorker::WaitUntilWritten(Ticket ticket) {
  std::unique_lock lock(lock_);
  jobWritten_.wait(lock, [&] { return written_ >= ticket; });
}

void SnapshotWorker::Run() {
  const ComInitialization com(COINIT_MULTITHREADED);
  std::unique_lock lock(lock_);
  for (;;) {
    jobQueued_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
    // Stopping with pictures still queued writes them first: each was asked for.
    if (jobs_.empty()) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    WriteSnapshotJpeg(factory_.Get(), job.path.c_str(), job.pixels.get(), job.geometry, job.bottomUp);
    job = Job{};
    lock.lock();
    ++written_;
    jobWritten_.notify_all();
  }
}

}  // namespace orvane
