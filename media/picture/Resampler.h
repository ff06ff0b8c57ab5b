// The scaler of the virtual camera's pictures: a separable resampler with a tent filter whose width
// follows the scale, so it interpolates bilinearly when enlarging and averages the covered source
// samples (an area filter) when shrinking. No destination sample reads more than kMaxTaps source
// samples: a shrink too steep for that reads every step-th sample of the source window instead of
// each one, so a plan and a pass cost a constant per destination sample whatever the source's size.
// Weights are planned once per geometry (AxisPlan); the passes then allocate nothing. Channels are
// addressed by offset and element step, so interleaved layouts (YUY2, NV12's U, V pairs, BGR) are read
// and written in place.
// Plans and passes are plain data and functions; a plan may be shared by threads that only read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::picture {

inline constexpr int kWeightBits = 14;  // weights of one destination sample add up to 1 << 14
// Vertically filtered samples keep 7 fractional bits (255 << 7 at most) for the horizontal pass.
inline constexpr int kIntermediateBits = 7;

// The most source samples one destination sample reads on one axis. Up to a shrink by 16 (the largest
// accepted frame into 512 pixels, a 4K picture into 240 lines) every covered sample is read; beyond
// that the window is sampled every `step` samples.
inline constexpr int32_t kMaxTaps = 32;

// One axis: destination sample i reads the source samples first[i] + t * step for t = 0 .. taps - 1
// with weights[i * taps + t]. Every source index read lies inside the planned source range, and
// taps <= kMaxTaps.
struct AxisPlan {
  int32_t taps = 0;
  int32_t step = 1;  // source samples from one tap to the next; 1 unless the shrink exceeds kMaxTaps
  int32_t count = 0;  // destination samples
  std::vector<int32_t> first;
  std::vector<int16_t> weights;
};

// Plans `count` destination samples over the source samples [start, start + length) (fractional),
// clamped to the source's `samples`. With `reverse` the destination runs backwards (mirror, flip).
// May throw std::bad_alloc.
void PlanAxis(AxisPlan& plan, int32_t samples, double start, double length, int32_t count, bool reverse);

// True when every destination sample is one source sample taken whole: a copy, possibly reversed.
bool IsSampleCopy(const AxisPlan& plan);

// Vertical pass of one destination row: the plan's rows (at `rows`[first], each `rowStep` bytes apart
// from the previous) filtered byte by byte over `bytes` bytes into `out`, with kIntermediateBits
// fractional bits. `accumulator` holds at least min(bytes, kVerticalChunk) values.
inline constexpr size_t kVerticalChunk = 2048;
void FilterRows(const uint8_t* rows, ptrdiff_t rowStep, const AxisPlan& plan, int32_t index, size_t bytes,
                uint16_t* out, int32_t* accumulator);

// The vertical pass over scattered bytes: output byte x is filtered from byte offsets[x] of the plan's
// rows. It serves horizontal plans that skip samples, so that only the bytes they read are filtered.
void FilterGatheredRows(const uint8_t* rows, ptrdiff_t rowStep, const AxisPlan& plan, int32_t index,
                        const uint32_t* offsets, size_t bytes, uint16_t* out, int32_t* accumulator);

// Horizontal pass of one channel: destination samples 0 .. count - 1 (count <= plan.count; at out +
// i * outStep) from the intermediate row (`row` + offset, `step` values apart), rounded to 0..255.
void FilterColumns(const uint16_t* row, int32_t offset, int32_t step, const AxisPlan& plan, int32_t count,
                   uint8_t* out, int32_t outStep);

}  // namespace orvane::picture
