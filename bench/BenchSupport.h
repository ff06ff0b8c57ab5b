// What the benchmarks share: buffers for cold runs (sets of source and destination buffers cycled
// through more memory than the last-level cache holds, so that every frame arrives from memory as a
// freshly captured one does), and the main function. Used by one benchmark thread.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "media/frame/SimdLevel.h"

namespace orvane::bench {

// Larger than this machine's last-level cache (32 MiB) several times over.
inline constexpr size_t kColdBytes = size_t{256} << 20;

struct AlignedFree {
  void operator()(uint8_t* block) const { std::free(block); }
};
using Block = std::unique_ptr<uint8_t[], AlignedFree>;

inline Block Allocate(size_t bytes) {
  auto* block = static_cast<uint8_t*>(std::aligned_alloc(64, (bytes + 63) / 64 * 64));
  // Touch every page, and give the pixels varied values: no page faults and no zero pages in timing.
  for (size_t i = 0; i < bytes; ++i) block[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
  return Block(block);
}

// Source and destination buffers for one operation: one set when hot, enough sets when cold that each
// is long out of the caches by the time it comes round again.
class BufferSets {
 public:
  BufferSets(size_t srcBytes, size_t dstBytes, bool cold) {
    const size_t count = cold ? (kColdBytes + srcBytes + dstBytes - 1) / (srcBytes + dstBytes) : 1;
    for (size_t i = 0; i < (count < 3 && cold ? 3 : count); ++i) {
      sources_.push_back(Allocate(srcBytes));
      destinations_.push_back(Allocate(dstBytes));
    }
  }
  void Next(const uint8_t*& src, uint8_t*& dst) {
    src = sources_[next_].get();
    dst = destinations_[next_].get();
    next_ = (next_ + 1) % sources_.size();
  }

 private:
  std::vector<Block> sources_, destinations_;
  size_t next_ = 0;
};

using Operation = std::function<void(const uint8_t* src, uint8_t* dst)>;

// Registers `name`: `operation` on the next set of buffers in each iteration, timed in microseconds,
// counting the source's bytes as processed.
inline void RegisterOnBuffers(const std::string& name, size_t srcBytes, size_t dstBytes, bool cold,
                              Operation operation) {
  benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& state) {
    BufferSets sets(srcBytes, dstBytes, cold);
    for (auto _ : state) {
      const uint8_t* src;
      uint8_t* dst;
      sets.Next(src, dst);
      operation(src, dst);
      benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(srcBytes));
  })->Unit(benchmark::kMicrosecond)->MinTime(0.3);
}

// Registers the benchmarks (`registerAll`) and runs those the command line selects, with the frame
// kernels' instruction set in the report's context.
inline int RunBenchmarks(int argc, char** argv, void (*registerAll)()) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::AddCustomContext("frame_simd_level", SimdLevelName(ActiveSimdLevel()));
  registerAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace orvane::bench
