// A thread of its own that encodes and writes snapshots, so that the thread delivering a frame only
// copies the picture and goes on: a slow disk or a blocked file delays the file, never the stream.
// Pictures are written in the order they were handed over, one at a time, with WriteSnapshotJpeg
// (same results, same complete-or-nothing files); a failed one is not retried.
//
// Threading: Submit and WaitUntilWritten from any thread; the destructor on the owner's thread, which
// must be the last user. The thread starts with the first Submit and initialises COM (multithreaded)
// for its life. Lock: `lock_` guards the queue and the counters, never held while a picture is written.
// Ownership: owns the thread (joined by the destructor, after every picture handed over is written),
// the copies of the queued pictures, and one reference to the imaging factory.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/com/ComPtr.h"
#include "shared/FrameFormat.h"

namespace orvane {

class SnapshotWorker {
 public:
  // Numbers the pictures handed over, from 1; 0 stands for none.
  using Ticket = uint64_t;

  explicit SnapshotWorker(ComPtr<IWICImagingFactory> factory);
  ~SnapshotWorker();
  SnapshotWorker(const SnapshotWorker&) = delete;
  SnapshotWorker& operator=(const SnapshotWorker&) = delete;

  // Copies the picture (`pixels` and `geometry` as WriteSnapshotJpeg takes them, the image size of
  // the geometry with its stride resolved) and queues it for `path`. S_OK with `ticket` set; E_POINTER
  // for no pixels; E_INVALIDARG for an empty path or a geometry that CheckFrameGeometry refuses;
  // E_OUTOFMEMORY when the copy or the thread cannot be had. On failure nothing is queued and
  // `ticket` is 0.
  HRESULT Submit(std::wstring path, const uint8_t* pixels, const FrameHeader& geometry, bool bottomUp,
                 Ticket& ticket);

  // Returns once the picture of `ticket` (and every one before it) is written or has failed.
  void WaitUntilWritten(Ticket ticket);

 private:
  struct Job {
    std::wstring path;
    std::unique_ptr<uint8_t[]> pixels;
    FrameHeader geometry{};
    bool bottomUp = false;
  };
  void Run();

  const ComPtr<IWICImagingFactory> factory_;
  std::mutex lock_;
  // Under lock_:
  std::condition_variable jobQueued_;
  std::condition_variable jobWritten_;
  std::deque<Job> jobs_;
  Ticket submitted_ = 0;
  Ticket written_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace orvane
