#include "media/picture/Resampler.h"

#include <algorithm>
#include <cmath>

namespace orvane::picture {

namespace {

// Floor and ceiling of a / b for b > 0, whatever the sign of a.
int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

}  // namespace

void PlanAxis(AxisPlan& plan, int32_t samples, double start, double length, int32_t count, bool reverse) {
  plan.count = count;
  plan.taps = 0;
  plan.step = 1;
  plan.first.assign(static_cast<size_t>(count), 0);
  if (count <= 0 || samples <= 0) {
    plan.weights.clear();
    return;
  }
  // The source samples the window touches; samples outside it are never read, even by the filter's
  // tails, so a crop never bleeds in what it cut away.
  const int32_t low = std::clamp(static_cast<int32_t>(std::floor(start)), 0, samples - 1);
  const int32_t high =
      std::clamp(static_cast<int32_t>(std::ceil(start + length)) - 1, low, samples - 1);
  const double scale = length / count;
  const double radius = std::max(1.0, scale);
  const int32_t span = high - low + 1;

  // The filter reads the lattice low, low + step, ... inside the window. A tent of radius r has at
  // most ceil(2r / step) lattice points with a positive weight, so the step is the least that keeps
  // those within kMaxTaps. It is odd so that the lattice alternates between even and odd samples: an
  // even step would see only one phase of a pattern that alternates every sample (interlaced lines,
  // a checkerboard) and turn it into a solid colour.
  const double needed = std::min(std::ceil(2 * radius / kMaxTaps), static_cast<double>(span));
  const int32_t step = needed <= 1 ? 1 : static_cast<int32_t>(needed) | 1;
  const int32_t lattice = (span - 1) / step + 1;  // lattice points in the window

  // Each destination sample's raw weights over lattice points [from, from + raw.size()), with the
  // tent's tails beyond the window folded onto the window's first and last points.
  std::vector<double> raw;
  int32_t from = 0, used = 0, last = 0;
  double total = 0;
  const auto weigh = [&](int32_t i) {
    const int32_t position = reverse ? count - 1 - i : i;
    const double centre = start + (position + 0.5) * scale - 0.5;
    const auto fromLow = [&](double at) { return static_cast<int64_t>(at) - low; };
    const int64_t begin = FloorDiv(fromLow(std::floor(centre - radius)), step);
    const int64_t end = CeilDiv(fromLow(std::ceil(centre + radius)), step);
    from = static_cast<int32_t>(std::clamp<int64_t>(begin, 0, lattice - 1));
    const auto to = static_cast<int32_t>(std::clamp<int64_t>(end, 0, lattice - 1));
    raw.assign(static_cast<size_t>(to - from + 1), 0.0);
    total = 0;
    for (int64_t m = begin; m <= end; ++m) {
      const double weight = 1.0 - std::abs(static_cast<double>(low + m * step) - centre) / radius;
      if (weight <= 0) continue;
      raw[static_cast<size_t>(std::clamp<int64_t>(m, 0, lattice - 1) - from)] += weight;
      total += weight;
    }
    if (total <= 0) {  // cannot happen with radius >= 1, but a sample must always read something
      const double nearest = std::round((centre - low) / step);
      from = static_cast<int32_t>(std::clamp(nearest, 0.0, static_cast<double>(lattice - 1)));
      raw.assign(1, 1.0);
      total = 1;
    }
    used = 0;
    while (raw[static_cast<size_t>(used)] == 0) ++used;
    last = static_cast<int32_t>(raw.size()) - 1;
    while (raw[static_cast<size_t>(last)] == 0) --last;
    used += from;
    last += from;
  };

  // As few taps as the widest sample needs: one for a plain copy, two for enlarging.
  int32_t widest = 1;
  for (int32_t i = 0; i < count; ++i) {
    weigh(i);
    widest = std::max(widest, last - used + 1);
  }
  plan.taps = widest;
  plan.step = step;
  plan.weights.assign(static_cast<size_t>(count) * widest, 0);
  for (int32_t i = 0; i < count; ++i) {
    weigh(i);
    // Place the taps so that they cover [used, last] and stay inside the window's lattice.
    const int32_t first = std::min(used, lattice - widest);
    plan.first[static_cast<size_t>(i)] = low + first * step;
    int16_t* weights = &plan.weights[static_cast<size_t>(i) * widest];
    int32_t sum = 0;
    int32_t largest = 0;
    for (int32_t t = 0; t < widest && first + t <= last; ++t) {
      const int32_t point = first + t;
      const double value = point < from ? 0.0 : raw[static_cast<size_t>(point - from)];
      const auto weight = static_cast<int32_t>(std::lround(value / total * (1 << kWeightBits)));
      weights[t] = static_cast<int16_t>(weight);
      sum += weight;
      if (weight > weights[largest]) largest = t;
    }
    // Rounding must not brighten or darken: the weights add up exactly.
    weights[largest] = static_cast<int16_t>(weights[largest] + ((1 << kWeightBits) - sum));
  }
}

bool IsSampleCopy(const AxisPlan& plan) {
  if (plan.taps != 1) return false;
  return std::all_of(plan.weights.begin(), plan.weights.end(),
                     [](int16_t weight) { return weight == (1 << kWeightBits); });
}

void FilterRows(const uint8_t* rows, ptrdiff_t rowStep, const AxisPlan& plan, int32_t index, size_t bytes,
                uint16_t* out, int32_t* accumulator) {
  const int32_t taps = plan.taps;
  const int16_t* weights = &plan.weights[static_cast<size_t>(index) * taps];
  const uint8_t* firstRow = rows + plan.first[static_cast<size_t>(index)] * rowStep;
  const ptrdiff_t tapStep = plan.step * rowStep;
  if (taps == 1) {
    for (size_t x = 0; x < bytes; ++x) out[x] = static_cast<uint16_t>(firstRow[x] << kIntermediateBits);
    return;
  }
  constexpr int32_t kShift = kWeightBits - kIntermediateBits;
  constexpr int32_t kHalf = 1 << (kShift - 1);
  for (size_t begin = 0; begin < bytes; begin += kVerticalChunk) {
    const size_t length = std::min(kVerticalChunk, bytes - begin);
    const uint8_t* row = firstRow + begin;
    const int32_t w0 = weights[0];
    for (size_t x = 0; x < length; ++x) accumulator[x] = kHalf + w0 * row[x];
    for (int32_t t = 1; t < taps; ++t) {
      const int32_t w = weights[t];
      if (w == 0) continue;
      row = firstRow + t * tapStep + begin;
      for (size_t x = 0; x < length; ++x) accumulator[x] += w * row[x];
    }
    uint16_t* target = out + begin;
    for (size_t x = 0; x < length; ++x) target[x] = static_cast<uint16_t>(accumulator[x] >> kShift);
  }
}

void FilterGatheredRows(const uint8_t* rows, ptrdiff_t rowStep, const AxisPlan& plan, int32_t index,
                        const uint32_t* offsets, size_t bytes, uint16_t* out, int32_t* accumulator) {
  const int32_t taps = plan.taps;
  const int16_t* weights = &plan.weights[static_cast<size_t>(index) * taps];
  const uint8_t* firstRow = rows + plan.first[static_cast<size_t>(index)] * rowStep;
  const ptrdiff_t tapStep = plan.step * rowStep;
  if (taps == 1) {
    for (size_t x = 0; x < bytes; ++x) out[x] = static_cast<uint16_t>(firstRow[offsets[x]] << kIntermediateBits);
    return;
  }
  constexpr int32_t kShift = kWeightBits - kIntermediateBits;
  constexpr int32_t kHalf = 1 << (kShift - 1);
  for (size_t begin = 0; begin < bytes; begin += kVerticalChunk) {
    const size_t length = std::min(kVerticalChunk, bytes - begin);
    const uint32_t* at = offsets + begin;
    const int32_t w0 = weights[0];
    for (size_t x = 0; x < length; ++x) accumulator[x] = kHalf + w0 * firstRow[at[x]];
    for (int32_t t = 1; t < taps; ++t) {
      const int32_t w = weights[t];
      if (w == 0) continue;
      const uint8_t* row = firstRow + t * tapStep;
      for (size_t x = 0; x < length; ++x) accumulator[x] += w * row[at[x]];
    }
    uint16_t* target = out + begin;
    for (size_t x = 0; x < length; ++x) target[x] = static_cast<uint16_t>(accumulator[x] >> kShift);
  }
}

void FilterColumns(const uint16_t* row, int32_t offset, int32_t step, const AxisPlan& plan, int32_t count,
                   uint8_t* out, int32_t outStep) {
  constexpr int32_t kShift = kWeightBits + kIntermediateBits;
  constexpr int32_t kHalf = 1 << (kShift - 1);
  const int32_t taps = plan.taps;
  const int32_t tapStep = plan.step * step;
  const int32_t* first = plan.first.data();
  const int16_t* weights = plan.weights.data();
  const uint16_t* base = row + offset;
  if (taps == 1) {
    for (int32_t i = 0; i < count; ++i) {
      out[i * outStep] = static_cast<uint8_t>((base[first[i] * step] + (1 << (kIntermediateBits - 1))) >>
                                              kIntermediateBits);
    }
    return;
  }
  if (taps == 2) {  // enlarging: plain bilinear
    for (int32_t i = 0; i < count; ++i) {
      const uint16_t* source = base + first[i] * step;
      const int32_t sum = kHalf + weights[2 * i] * source[0] + weights[2 * i + 1] * source[tapStep];
      out[i * outStep] = static_cast<uint8_t>(std::min(sum >> kShift, 255));
    }
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    const uint16_t* source = base + first[i] * step;
    const int16_t* w = weights + static_cast<size_t>(i) * taps;
    int32_t sum = kHalf;
    for (int32_t t = 0; t < taps; ++t) sum += w[t] * source[t * tapStep];
    // Tent weights are never negative, so the sum stays within 0 .. 255 << kShift plus rounding.
    out[i * outStep] = static_cast<uint8_t>(std::min(sum >> kShift, 255));
  }
}

}  // namespace orvane::picture
