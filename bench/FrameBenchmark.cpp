// The frame path's conversions, crop and rotation side by side with the closest libyuv operations and
// memcpy of the same bytes (the source frame's; for a crop, the window's), at four frame sizes, hot
// (one set of buffers, reused) and cold (sets cycled through more memory than the last-level cache
// holds, as a freshly captured frame arrives). libyuv has no direct path for some of them; its chain is
// then run row by row through a one-row temporary where it can be, its fastest form.
//
//   cmake --preset bench && cmake --build --preset bench
//   taskset -c 1 build/bench/bench/frame_benchmark --benchmark_repetitions=5 \
//       --benchmark_report_aggregates_only=true --benchmark_out=frame.json --benchmark_out_format=json
//   python3 bench/frame_ratios.py frame.json
#include <benchmark/benchmark.h>
#include <libyuv.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "media/frame/FrameTransform.h"
#include "media/frame/PixelConversion.h"

namespace {

using orvane::FrameHeader;
using orvane::FramePixelType;
using orvane::bench::Operation;
using orvane::bench::RegisterOnBuffers;

struct Size {
  int width, height;
};
constexpr Size kSizes[] = {{640, 480}, {1280, 720}, {1920, 1080}, {3840, 2160}};

// One operation family at one size: ours, libyuv's closest, and memcpy of `copyBytes` bytes.
struct Family {
  std::string name;
  size_t srcBytes, dstBytes, copyBytes;
  Operation ours, libyuv;
};

void RegisterFamily(const Family& family, const Size& size) {
  for (bool cold : {false, true}) {
    const std::string suffix =
        "/" + std::to_string(size.width) + "x" + std::to_string(size.height) + (cold ? "/cold" : "/hot");
    RegisterOnBuffers(family.name + "/ours" + suffix, family.srcBytes, family.dstBytes, cold, family.ours);
    RegisterOnBuffers(family.name + "/libyuv" + suffix, family.srcBytes, family.dstBytes, cold, family.libyuv);
    const size_t copy = family.copyBytes;
    RegisterOnBuffers(family.name + "/memcpy" + suffix, copy, copy, cold,
             [copy](const uint8_t* src, uint8_t* dst) { std::memcpy(dst, src, copy); });
  }
}

// Temporaries of libyuv's chains, allocated once and reused as a real caller would.
uint8_t* Scratch(size_t index, size_t bytes) {
  static std::vector<std::vector<uint8_t>> scratch(8);
  if (scratch[index].size() < bytes) scratch[index].assign(bytes, 0);
  return scratch[index].data();
}

void RegisterAll() {
  for (const Size& size : kSizes) {
    const int w = size.width, h = size.height;
    const size_t pixels = size_t(w) * h;

    RegisterFamily({"yuy2_to_rgb24", 2 * pixels, 3 * pixels, 2 * pixels,
                    [=](const uint8_t* s, uint8_t* d) { orvane::Convert422To24(s, 2 * w, d, 3 * w, w, h); },
                    [=](const uint8_t* s, uint8_t* d) {
                      uint8_t* row = Scratch(0, 4 * size_t(w));
                      for (int y = 0; y < h; ++y) {
                        libyuv::YUY2ToARGB(s + size_t(y) * 2 * w, 2 * w, row, 4 * w, w, 1);
                        libyuv::ARGBToRGB24(row, 4 * w, d + size_t(y) * 3 * w, 3 * w, w, 1);
                      }
                    }},
                   size);
    RegisterFamily({"nv12_to_rgb24", pixels * 3 / 2, 3 * pixels, pixels * 3 / 2,
                    [=](const uint8_t* s, uint8_t* d) {
                      orvane::ConvertNV12To24(s, w, s + pixels, w, d, 3 * w, w, h);
                    },
                    [=](const uint8_t* s, uint8_t* d) { libyuv::NV12ToRGB24(s, w, s + pixels, w, d, 3 * w, w, h); }},
                   size);
    RegisterFamily({"rgb24_to_yuy2", 3 * pixels, 2 * pixels, 3 * pixels,
                    [=](const uint8_t* s, uint8_t* d) { orvane::Convert24To422(s, 3 * w, d, 2 * w, w, h); },
                    [=](const uint8_t* s, uint8_t* d) {
                      uint8_t* row = Scratch(0, 4 * size_t(w));
                      for (int y = 0; y < h; ++y) {
                        libyuv::RGB24ToARGB(s + size_t(y) * 3 * w, 3 * w, row, 4 * w, w, 1);
                        libyuv::ARGBToYUY2(row, 4 * w, d + size_t(y) * 2 * w, 2 * w, w, 1);
                      }
                    }},
                   size);
    RegisterFamily({"rgb32_to_rgb24", 4 * pixels, 3 * pixels, 4 * pixels,
                    [=](const uint8_t* s, uint8_t* d) { orvane::Convert32To24(s, 4 * w, d, 3 * w, w, h); },
                    [=](const uint8_t* s, uint8_t* d) { libyuv::ARGBToRGB24(s, 4 * w, d, 3 * w, w, h); }},
                   size);

    // Crop at zoom 10 (half of each dimension), panned off centre.
    const orvane::CropWindow window = orvane::ComputeCropWindow(w, h, 10, 3, -3);
    const size_t windowPixels = size_t(window.width) * window.height;
    RegisterFamily({"crop_yuy2", 2 * pixels, 2 * windowPixels, 2 * windowPixels,
                    [=](const uint8_t* s, uint8_t* d) {
                      orvane::CropFrame(s, {FramePixelType::YUY2, w, h, 2 * w}, window, d);
                    },
                    [=](const uint8_t* s, uint8_t* d) {
                      libyuv::CopyPlane(s + size_t(window.y) * 2 * w + 2 * window.x, 2 * w, d, 2 * window.width,
                                        2 * window.width, window.height);
                    }},
                   size);
    RegisterFamily({"crop_nv12", pixels * 3 / 2, windowPixels * 3 / 2, windowPixels * 3 / 2,
                    [=](const uint8_t* s, uint8_t* d) {
                      orvane::CropFrame(s, {FramePixelType::NV12, w, h, w}, window, d);
                    },
                    [=](const uint8_t* s, uint8_t* d) {
                      libyuv::NV12Copy(s + size_t(window.y) * w + window.x, w,
                                       s + pixels + size_t(window.y / 2) * w + window.x, w, d, window.width,
                                       d + windowPixels, window.width, window.width, window.height);
                    }},
                   size);

    // Rotation by 90 degrees clockwise (top-down rows).
    const auto rotate = [=](FramePixelType type) {
      return [=](const uint8_t* s, uint8_t* d) {
        const FrameHeader header{type, w, -h, static_cast<int32_t>(orvane::DefaultStride(type, w))};
        orvane::RotateFrame(orvane::MakeFrameView(s, header), d);
      };
    };
    RegisterFamily({"rotate_rgb32", 4 * pixels, 4 * pixels, 4 * pixels, rotate(FramePixelType::RGB32),
                    [=](const uint8_t* s, uint8_t* d) {
                      libyuv::ARGBRotate(s, 4 * w, d, 4 * h, w, h, libyuv::kRotate90);
                    }},
                   size);
    RegisterFamily({"rotate_rgb24", 3 * pixels, 3 * pixels, 3 * pixels, rotate(FramePixelType::RGB24),
                    [=](const uint8_t* s, uint8_t* d) {
                      // No 3-byte rotation: split into planes, turn each, merge.
                      uint8_t* planes[6];
                      for (int i = 0; i < 6; ++i) planes[i] = Scratch(1 + i, pixels);
                      libyuv::SplitRGBPlane(s, 3 * w, planes[0], w, planes[1], w, planes[2], w, w, h);
                      for (int i = 0; i < 3; ++i) libyuv::RotatePlane90(planes[i], w, planes[3 + i], h, w, h);
                      libyuv::MergeRGBPlane(planes[3], h, planes[4], h, planes[5], h, d, 3 * h, h, w);
                    }},
                   size);
    RegisterFamily({"rotate_nv12", pixels * 3 / 2, pixels * 3 / 2, pixels * 3 / 2, rotate(FramePixelType::NV12),
                    [=](const uint8_t* s, uint8_t* d) {
                      libyuv::RotatePlane90(s, w, d, h, w, h);
                      libyuv::RotatePlane_16(reinterpret_cast<const uint16_t*>(s + pixels), w / 2,
                                             reinterpret_cast<uint16_t*>(d + pixels), h / 2, w / 2, h / 2,
                                             libyuv::kRotate90);
                    }},
                   size);
    RegisterFamily({"rotate_yuy2", 2 * pixels, 2 * pixels, 2 * pixels, rotate(FramePixelType::YUY2),
                    [=](const uint8_t* s, uint8_t* d) {
                      uint8_t* argb = Scratch(1, 4 * pixels);
                      uint8_t* turned = Scratch(2, 4 * pixels);
                      libyuv::YUY2ToARGB(s, 2 * w, argb, 4 * w, w, h);
                      libyuv::ARGBRotate(argb, 4 * w, turned, 4 * h, w, h, libyuv::kRotate90);
                      libyuv::ARGBToYUY2(turned, 4 * h, d, 2 * h, h, w);
                    }},
                   size);
  }
}

}  // namespace

int main(int argc, char** argv) { return orvane::bench::RunBenchmarks(argc, argv, RegisterAll); }
