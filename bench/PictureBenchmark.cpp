// What one client frame of the virtual camera costs: the latest producer frame fitted, scaled,
// oriented and converted into the client's layout by PictureRenderer, for the sizes and layouts call
// apps ask for. Each case runs four ways side by side on cold frames (BenchSupport.h): ours (the fast
// routes), general (the general resampler alone, as before the fast routes), libyuv's closest chain
// for the same output (its temporaries allocated once; chains without a direct call run row by row
// through a one-row temporary where they can), and memcpy of the producer frame's bytes.
// Targets: a layout change, mirror or flip at the same size within 1.5x memcpy; scaling with a
// conversion no slower than libyuv.
//   cmake --preset bench && cmake --build --preset bench --target picture_benchmark
//   taskset -c 1 build/bench/bench/picture_benchmark --benchmark_out=picture.json --benchmark_out_format=json
//   python3 bench/picture_ratios.py picture.json
// (add --benchmark_repetitions=3 --benchmark_report_aggregates_only=true for medians)
#include <benchmark/benchmark.h>
#include <libyuv.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "media/picture/PictureGeometry.h"
#include "media/picture/PictureRenderer.h"

namespace {

using orvane::CheckFrameGeometry;
using orvane::FillMode;
using orvane::FrameHeader;
using orvane::FramePixelType;
using namespace orvane::picture;

constexpr FramePixelType YUY2 = FramePixelType::YUY2;
constexpr FramePixelType NV12 = FramePixelType::NV12;
constexpr FramePixelType RGB24 = FramePixelType::RGB24;
constexpr FramePixelType RGB32 = FramePixelType::RGB32;

using Chain = orvane::bench::Operation;

// Temporaries of libyuv's chains, allocated once and reused as a real caller would.
uint8_t* Scratch(size_t index, size_t bytes) {
  static std::vector<std::vector<uint8_t>> scratch(8);
  if (scratch[index].size() < bytes) scratch[index].assign(bytes, 0);
  return scratch[index].data();
}

struct Case {
  std::string name;
  FrameHeader source, client;  // strides resolved; RGB top-down, as libyuv's chains read and write them
  PictureOptions options;
  Chain libyuv;
};

FrameHeader Geometry(FramePixelType type, int width, int height) {
  // RGB top-down (negative height), so that libyuv's chains and ours write the same rows.
  const bool rgb = type == RGB24 || type == RGB32;
  return CheckFrameGeometry(FrameHeader{type, width, rgb ? -height : height, 0}).header;
}

size_t Bytes(const FrameHeader& header) { return CheckFrameGeometry(header).imageSize; }

void Register(const Case& c) {
  const size_t srcBytes = Bytes(c.source), dstBytes = Bytes(c.client);
  const auto add = [&](const std::string& way, Chain run, size_t from, size_t to) {
    orvane::bench::RegisterOnBuffers(c.name + "/" + way, from, to, true, std::move(run));
  };
  for (const bool fast : {true, false}) {
    auto renderer = std::make_shared<PictureRenderer>();
    renderer->UseFastRoutes(fast);
    const FrameHeader source = c.source, client = c.client;
    const PictureOptions options = c.options;
    add(fast ? "ours" : "general",
        [=](const uint8_t* src, uint8_t* dst) {
          const PictureError error =
              renderer->Render(orvane::MakeFrameView(src, source), client, dst, dstBytes, options);
          if (error != PictureError::None) std::abort();
        },
        srcBytes, dstBytes);
  }
  add("libyuv", c.libyuv, srcBytes, dstBytes);
  add("memcpy", [srcBytes](const uint8_t* src, uint8_t* dst) { std::memcpy(dst, src, srcBytes); }, srcBytes,
      srcBytes);
}

// libyuv's chain from 4:2:2 or 4:2:0 planes of the source into I420 planes of the client's size.
void ScaleI420(const uint8_t* y, const uint8_t* u, const uint8_t* v, int sw, int sh, int uvRows, int cw, int ch,
               uint8_t* dy, int dyStride, uint8_t* du, uint8_t* dv, libyuv::FilterMode filter) {
  libyuv::ScalePlane(y, sw, sw, sh, dy, dyStride, cw, ch, filter);
  libyuv::ScalePlane(u, sw / 2, sw / 2, uvRows, du, cw / 2, cw / 2, ch / 2, filter);
  libyuv::ScalePlane(v, sw / 2, sw / 2, uvRows, dv, cw / 2, cw / 2, ch / 2, filter);
}

void RegisterAll() {
  const PictureOptions plain{}, mirrored{FillMode::AspectFit, true, false}, flipped{FillMode::AspectFit, false, true};
  std::vector<Case> cases;

  // Same size: copies, orientation and layout changes.
  cases.push_back({"yuy2_1080p_to_yuy2_1080p", Geometry(YUY2, 1920, 1080), Geometry(YUY2, 1920, 1080), plain,
                   [](const uint8_t* s, uint8_t* d) { libyuv::CopyPlane(s, 3840, d, 3840, 3840, 1080); }});
  cases.push_back({"yuy2_1080p_to_yuy2_1080p_mirrored", Geometry(YUY2, 1920, 1080), Geometry(YUY2, 1920, 1080),
                   mirrored, [](const uint8_t* s, uint8_t* d) {
                     // No YUY2 mirror: through I422 rows.
                     uint8_t *y = Scratch(0, 1920), *u = Scratch(1, 960), *v = Scratch(2, 960);
                     uint8_t *my = Scratch(3, 1920), *mu = Scratch(4, 960), *mv = Scratch(5, 960);
                     for (int r = 0; r < 1080; ++r) {
                       libyuv::YUY2ToI422(s + size_t(r) * 3840, 3840, y, 1920, u, 960, v, 960, 1920, 1);
                       libyuv::MirrorPlane(y, 1920, my, 1920, 1920, 1);
                       libyuv::MirrorPlane(u, 960, mu, 960, 960, 1);
                       libyuv::MirrorPlane(v, 960, mv, 960, 960, 1);
                       libyuv::I422ToYUY2(my, 1920, mu, 960, mv, 960, d + size_t(r) * 3840, 3840, 1920, 1);
                     }
                   }});
  cases.push_back({"yuy2_1080p_to_yuy2_1080p_flipped", Geometry(YUY2, 1920, 1080), Geometry(YUY2, 1920, 1080),
                   flipped, [](const uint8_t* s, uint8_t* d) { libyuv::CopyPlane(s, 3840, d, 3840, 3840, -1080); }});
  const Chain yuy2ToRgb24 = [](const uint8_t* s, uint8_t* d) {
    uint8_t* row = Scratch(0, 4 * 1920);
    for (int r = 0; r < 1080; ++r) {
      libyuv::YUY2ToARGB(s + size_t(r) * 3840, 3840, row, 7680, 1920, 1);
      libyuv::ARGBToRGB24(row, 7680, d + size_t(r) * 5760, 5760, 1920, 1);
    }
  };
  cases.push_back({"yuy2_1080p_to_rgb24_1080p", Geometry(YUY2, 1920, 1080), Geometry(RGB24, 1920, 1080), plain,
                   yuy2ToRgb24});
  cases.push_back({"yuy2_1080p_to_rgb24_1080p_mirrored", Geometry(YUY2, 1920, 1080), Geometry(RGB24, 1920, 1080),
                   mirrored, [](const uint8_t* s, uint8_t* d) {
                     uint8_t *row = Scratch(0, 4 * 1920), *mirror = Scratch(1, 4 * 1920);
                     for (int r = 0; r < 1080; ++r) {
                       libyuv::YUY2ToARGB(s + size_t(r) * 3840, 3840, row, 7680, 1920, 1);
                       libyuv::ARGBMirror(row, 7680, mirror, 7680, 1920, 1);
                       libyuv::ARGBToRGB24(mirror, 7680, d + size_t(r) * 5760, 5760, 1920, 1);
                     }
                   }});
  cases.push_back({"yuy2_1080p_to_nv12_1080p", Geometry(YUY2, 1920, 1080), Geometry(NV12, 1920, 1080), plain,
                   [](const uint8_t* s, uint8_t* d) {
                     libyuv::YUY2ToNV12(s, 3840, d, 1920, d + 1920 * 1080, 1920, 1920, 1080);
                   }});
  cases.push_back({"nv12_1080p_to_nv12_1080p_mirrored", Geometry(NV12, 1920, 1080), Geometry(NV12, 1920, 1080),
                   mirrored, [](const uint8_t* s, uint8_t* d) {
                     libyuv::NV12Mirror(s, 1920, s + 1920 * 1080, 1920, d, 1920, d + 1920 * 1080, 1920, 1920, 1080);
                   }});
  cases.push_back({"nv12_1080p_to_rgb24_1080p", Geometry(NV12, 1920, 1080), Geometry(RGB24, 1920, 1080), plain,
                   [](const uint8_t* s, uint8_t* d) {
                     libyuv::NV12ToRGB24(s, 1920, s + 1920 * 1080, 1920, d, 5760, 1920, 1080);
                   }});
  cases.push_back({"nv12_1080p_to_yuy2_1080p", Geometry(NV12, 1920, 1080), Geometry(YUY2, 1920, 1080), plain,
                   [](const uint8_t* s, uint8_t* d) {
                     uint8_t *u = Scratch(0, 960 * 540), *v = Scratch(1, 960 * 540);
                     libyuv::SplitUVPlane(s + 1920 * 1080, 1920, u, 960, v, 960, 960, 540);
                     libyuv::I420ToYUY2(s, 1920, u, 960, v, 960, d, 3840, 1920, 1080);
                   }});
  cases.push_back({"rgb32_1080p_to_rgb24_1080p", Geometry(RGB32, 1920, 1080), Geometry(RGB24, 1920, 1080), plain,
                   [](const uint8_t* s, uint8_t* d) { libyuv::ARGBToRGB24(s, 7680, d, 5760, 1920, 1080); }});
  cases.push_back({"rgb32_1080p_to_rgb32_1080p_mirrored", Geometry(RGB32, 1920, 1080), Geometry(RGB32, 1920, 1080),
                   mirrored, [](const uint8_t* s, uint8_t* d) { libyuv::ARGBMirror(s, 7680, d, 7680, 1920, 1080); }});
  cases.push_back({"rgb32_1080p_to_yuy2_1080p", Geometry(RGB32, 1920, 1080), Geometry(YUY2, 1920, 1080), plain,
                   [](const uint8_t* s, uint8_t* d) { libyuv::ARGBToYUY2(s, 7680, d, 3840, 1920, 1080); }});

  // Scaling with conversion.
  const auto yuy2Scaled = [](int sw, int sh, int cw, int ch, FramePixelType to, libyuv::FilterMode filter) {
    return [=](const uint8_t* s, uint8_t* d) {
      const size_t plane = size_t(sw) * sh;
      uint8_t *y = Scratch(0, plane), *u = Scratch(1, plane / 4), *v = Scratch(2, plane / 4);
      libyuv::YUY2ToI420(s, 2 * sw, y, sw, u, sw / 2, v, sw / 2, sw, sh);
      const size_t out = size_t(cw) * ch;
      uint8_t *du = Scratch(4, out / 4), *dv = Scratch(5, out / 4);
      if (to == NV12) {
        ScaleI420(y, u, v, sw, sh, sh / 2, cw, ch, d, cw, du, dv, filter);
        libyuv::MergeUVPlane(du, cw / 2, dv, cw / 2, d + out, cw, cw / 2, ch / 2);
      } else {
        uint8_t* dy = Scratch(3, out);
        ScaleI420(y, u, v, sw, sh, sh / 2, cw, ch, dy, cw, du, dv, filter);
        libyuv::I420ToYUY2(dy, cw, du, cw / 2, dv, cw / 2, d, 2 * cw, cw, ch);
      }
    };
  };
  cases.push_back({"yuy2_1080p_to_nv12_720p", Geometry(YUY2, 1920, 1080), Geometry(NV12, 1280, 720), plain,
                   yuy2Scaled(1920, 1080, 1280, 720, NV12, libyuv::kFilterBox)});
  cases.push_back({"yuy2_4k_to_nv12_360p", Geometry(YUY2, 3840, 2160), Geometry(NV12, 640, 360), plain,
                   yuy2Scaled(3840, 2160, 640, 360, NV12, libyuv::kFilterBox)});
  cases.push_back({"yuy2_720p_to_yuy2_1080p", Geometry(YUY2, 1280, 720), Geometry(YUY2, 1920, 1080), plain,
                   [](const uint8_t* s, uint8_t* d) {
                     uint8_t *y = Scratch(0, 1280 * 720), *u = Scratch(1, 640 * 720), *v = Scratch(2, 640 * 720);
                     uint8_t *dy = Scratch(3, 1920 * 1080), *du = Scratch(4, 960 * 1080), *dv = Scratch(5, 960 * 1080);
                     libyuv::YUY2ToI422(s, 2560, y, 1280, u, 640, v, 640, 1280, 720);
                     libyuv::I422Scale(y, 1280, u, 640, v, 640, 1280, 720, dy, 1920, du, 960, dv, 960, 1920, 1080,
                                       libyuv::kFilterBilinear);
                     libyuv::I422ToYUY2(dy, 1920, du, 960, dv, 960, d, 3840, 1920, 1080);
                   }});
  cases.push_back({"yuy2_480p_to_nv12_1080p_letterboxed", Geometry(YUY2, 640, 480), Geometry(NV12, 1920, 1080),
                   plain, [](const uint8_t* s, uint8_t* d) {
                     // The picture's 1440 x 1080 in the middle, black bars of 240 columns either side.
                     for (const int x : {0, 1680}) {
                       libyuv::SetPlane(d + x, 1920, 240, 1080, 16);
                       libyuv::SetPlane(d + 1920 * 1080 + x, 1920, 240, 540, 128);
                     }
                     uint8_t *y = Scratch(0, 640 * 480), *u = Scratch(1, 320 * 240), *v = Scratch(2, 320 * 240);
                     uint8_t *du = Scratch(4, 720 * 540), *dv = Scratch(5, 720 * 540);
                     libyuv::YUY2ToI420(s, 1280, y, 640, u, 320, v, 320, 640, 480);
                     ScaleI420(y, u, v, 640, 480, 240, 1440, 1080, d + 240, 1920, du, dv, libyuv::kFilterBilinear);
                     libyuv::MergeUVPlane(du, 720, dv, 720, d + 1920 * 1080 + 240, 1920, 720, 540);
                   }});
  cases.push_back({"nv12_1080p_to_yuy2_720p", Geometry(NV12, 1920, 1080), Geometry(YUY2, 1280, 720), plain,
                   [](const uint8_t* s, uint8_t* d) {
                     uint8_t *y = Scratch(3, 1280 * 720), *u = Scratch(4, 640 * 360), *v = Scratch(5, 640 * 360);
                     uint8_t* uv = Scratch(6, 1280 * 360);
                     libyuv::NV12Scale(s, 1920, s + 1920 * 1080, 1920, 1920, 1080, y, 1280, uv, 1280, 1280, 720,
                                       libyuv::kFilterBilinear);
                     libyuv::SplitUVPlane(uv, 1280, u, 640, v, 640, 640, 360);
                     libyuv::I420ToYUY2(y, 1280, u, 640, v, 640, d, 2560, 1280, 720);
                   }});
  cases.push_back({"nv12_1080p_to_nv12_720p_mirrored", Geometry(NV12, 1920, 1080), Geometry(NV12, 1280, 720),
                   mirrored, [](const uint8_t* s, uint8_t* d) {
                     uint8_t* scaled = Scratch(0, 1280 * 720 * 3 / 2);
                     libyuv::NV12Scale(s, 1920, s + 1920 * 1080, 1920, 1920, 1080, scaled, 1280, scaled + 1280 * 720,
                                       1280, 1280, 720, libyuv::kFilterBilinear);
                     libyuv::NV12Mirror(scaled, 1280, scaled + 1280 * 720, 1280, d, 1280, d + 1280 * 720, 1280, 1280,
                                        720);
                   }});
  cases.push_back({"nv12_1080p_to_rgb24_720p", Geometry(NV12, 1920, 1080), Geometry(RGB24, 1280, 720), plain,
                   [](const uint8_t* s, uint8_t* d) {
                     uint8_t* scaled = Scratch(0, 1280 * 720 * 3 / 2);
                     libyuv::NV12Scale(s, 1920, s + 1920 * 1080, 1920, 1920, 1080, scaled, 1280, scaled + 1280 * 720,
                                       1280, 1280, 720, libyuv::kFilterBilinear);
                     libyuv::NV12ToRGB24(scaled, 1280, scaled + 1280 * 720, 1280, d, 3840, 1280, 720);
                   }});
  cases.push_back({"rgb32_1080p_to_nv12_720p", Geometry(RGB32, 1920, 1080), Geometry(NV12, 1280, 720), plain,
                   [](const uint8_t* s, uint8_t* d) {
                     uint8_t* scaled = Scratch(0, 1280 * 720 * 4);
                     libyuv::ARGBScale(s, 7680, 1920, 1080, scaled, 5120, 1280, 720, libyuv::kFilterBilinear);
                     libyuv::ARGBToNV12(scaled, 5120, d, 1280, d + 1280 * 720, 1280, 1280, 720);
                   }});
  cases.push_back({"rgb32_4k_to_rgb24_720p", Geometry(RGB32, 3840, 2160), Geometry(RGB24, 1280, 720), plain,
                   [](const uint8_t* s, uint8_t* d) {
                     // libyuv averages RGB32 areas only at half size (its box filter is bilinear
                     // otherwise, which aliases a shrink by 3): halve, then the bilinear step.
                     uint8_t *half = Scratch(0, 1920 * 1080 * 4), *scaled = Scratch(1, 1280 * 720 * 4);
                     libyuv::ARGBScale(s, 15360, 3840, 2160, half, 7680, 1920, 1080, libyuv::kFilterBox);
                     libyuv::ARGBScale(half, 7680, 1920, 1080, scaled, 5120, 1280, 720, libyuv::kFilterBilinear);
                     libyuv::ARGBToRGB24(scaled, 5120, d, 3840, 1280, 720);
                   }});
  for (const Case& c : cases) Register(c);
}

// The two clients of the device's frame-rate target, rendered from one producer frame (hot).
void TwoClients(benchmark::State& state) {
  const FrameHeader source = Geometry(YUY2, 1920, 1080);
  std::vector<uint8_t> frame(Bytes(source), 128);
  const FrameHeader full = Geometry(YUY2, 1920, 1080), small = Geometry(NV12, 1280, 720);
  std::vector<uint8_t> fullFrame(Bytes(full)), smallFrame(Bytes(small));
  PictureRenderer fullRenderer, smallRenderer;
  for (auto _ : state) {
    fullRenderer.Render(orvane::MakeFrameView(frame.data(), source), full, fullFrame.data(), fullFrame.size(), {});
    smallRenderer.Render(orvane::MakeFrameView(frame.data(), source), small, smallFrame.data(), smallFrame.size(), {});
    benchmark::ClobberMemory();
  }
}
BENCHMARK(TwoClients)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return orvane::bench::RunBenchmarks(argc, argv, RegisterAll); }
