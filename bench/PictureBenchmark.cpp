// What one client frame of the virtual camera costs: the latest producer frame fitted, scaled and
// converted into the client's layout by PictureRenderer, for the sizes a call app asks for.
// The target is 1920x1080 at 30 fps to two clients at once: both renders well inside 33 ms.
//   cmake --preset bench && cmake --build --preset bench --target picture_benchmark
//   build/bench/bench/picture_benchmark
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

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

std::vector<uint8_t> RandomRecord(FramePixelType type, int width, int height) {
  const orvane::CheckedFrame frame = CheckFrameGeometry(FrameHeader{type, width, height, 0});
  std::vector<uint8_t> record(frame.recordSize());
  std::mt19937 random(7);
  for (size_t i = 16; i < record.size(); ++i) record[i] = static_cast<uint8_t>(random());
  std::memcpy(record.data(), &frame.header, sizeof frame.header);
  return record;
}

struct Client {
  FrameHeader header;
  std::vector<uint8_t> frame;
  PictureRenderer renderer;
  Client(FramePixelType type, int width, int height)
      : header(CheckFrameGeometry(FrameHeader{type, width, height, 0}).header), frame(ClientFrameSize(header)) {}
};

void Render(benchmark::State& state, FramePixelType from, int sw, int sh, FramePixelType to, int cw, int ch,
            PictureOptions options = {}) {
  const std::vector<uint8_t> record = RandomRecord(from, sw, sh);
  Client client(to, cw, ch);
  for (auto _ : state) {
    const PictureError error =
        client.renderer.RenderRecord(record.data(), record.size(), client.header, client.frame.data(),
                                     client.frame.size(), options);
    if (error != PictureError::None) state.SkipWithError(DescribePictureError(error));
    benchmark::DoNotOptimize(client.frame.data());
  }
  state.SetItemsProcessed(state.iterations());
}

// The two clients of the performance target, rendered from one producer frame.
void TwoClients(benchmark::State& state) {
  const std::vector<uint8_t> record = RandomRecord(YUY2, 1920, 1080);
  Client full(YUY2, 1920, 1080), small(NV12, 1280, 720);
  for (auto _ : state) {
    for (Client* client : {&full, &small}) {
      client->renderer.RenderRecord(record.data(), record.size(), client->header, client->frame.data(),
                                    client->frame.size(), {});
      benchmark::DoNotOptimize(client->frame.data());
    }
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK_CAPTURE(Render, Yuy2_1080p_to_Yuy2_1080p, YUY2, 1920, 1080, YUY2, 1920, 1080)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Render, Yuy2_1080p_to_Yuy2_1080p_mirrored, YUY2, 1920, 1080, YUY2, 1920, 1080,
                  PictureOptions{FillMode::AspectFit, true, false})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Render, Yuy2_1080p_to_Nv12_720p, YUY2, 1920, 1080, NV12, 1280, 720)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Render, Nv12_1080p_to_Yuy2_720p, NV12, 1920, 1080, YUY2, 1280, 720)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Render, Yuy2_1080p_to_Rgb24_1080p, YUY2, 1920, 1080, RGB24, 1920, 1080)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Render, Rgb32_1080p_to_Nv12_720p, RGB32, 1920, -1080, NV12, 1280, 720)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Render, Yuy2_720p_to_Yuy2_1080p, YUY2, 1280, 720, YUY2, 1920, 1080)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Render, Yuy2_480p_to_Nv12_1080p_letterboxed, YUY2, 640, 480, NV12, 1920, 1080)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Render, Yuy2_4k_to_Nv12_360p, YUY2, 3840, 2160, NV12, 640, 360)->Unit(benchmark::kMillisecond);
BENCHMARK(TwoClients)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
