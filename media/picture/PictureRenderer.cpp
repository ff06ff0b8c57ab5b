#include "media/picture/PictureRenderer.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <new>
#include <vector>

#include "media/picture/ColorSpace.h"
#include "media/picture/FastRoute.h"
#include "media/picture/PictureGeometry.h"
#include "media/picture/Resampler.h"

namespace orvane::picture {
namespace {

constexpr uint8_t kBlackLuma = 16;
constexpr uint8_t kNoChroma = 128;
constexpr uint8_t kOpaque = 255;

int32_t Rows(const FrameHeader& header) { return header.height < 0 ? -header.height : header.height; }
bool IsRgb(FramePixelType type) { return type == FramePixelType::RGB24 || type == FramePixelType::RGB32; }
bool IsBottomUp(const FrameHeader& header) { return IsRgb(header.pixelType) && header.height > 0; }
int32_t PixelBytes(FramePixelType type) { return static_cast<int32_t>(RowBytes(type, 1)); }

// A client frame's rows in picture order: row 0 is the top row as a viewer sees it.
uint8_t* TopRow(uint8_t* frame, const FrameHeader& header) {
  return IsBottomUp(header) ? frame + ptrdiff_t{Rows(header) - 1} * header.stride : frame;
}
const uint8_t* TopRow(const uint8_t* frame, const FrameHeader& header) {
  return IsBottomUp(header) ? frame + ptrdiff_t{Rows(header) - 1} * header.stride : frame;
}
ptrdiff_t RowStep(const FrameHeader& header) { return IsBottomUp(header) ? -ptrdiff_t{header.stride} : header.stride; }

// Black of the layout for byte `index` of a row.
uint8_t BlackByte(FramePixelType type, size_t index) {
  switch (type) {
    case FramePixelType::RGB24: return 0;
    case FramePixelType::RGB32: return index % 4 == 3 ? kOpaque : 0;
    case FramePixelType::YUY2: return index % 2 == 0 ? kBlackLuma : kNoChroma;
    case FramePixelType::NV12: return kBlackLuma;
  }
  return 0;
}

void PaintRowSpan(FramePixelType type, uint8_t* row, size_t begin, size_t end) {
  if (begin >= end) return;
  if (type == FramePixelType::RGB24 || type == FramePixelType::NV12) {
    std::memset(row + begin, BlackByte(type, 0), end - begin);
    return;
  }
  for (size_t i = begin; i < end; ++i) row[i] = BlackByte(type, i);
}

// Paints everything of the client frame outside `content` black: bars, row padding, and for NV12 the
// chroma of the bars and the bytes past the last whole chroma pair or row.
void PaintBars(const FrameHeader& client, uint8_t* frame, const PixelRect& content) {
  const FramePixelType type = client.pixelType;
  const int32_t rows = Rows(client);
  const size_t stride = static_cast<size_t>(client.stride);
  const size_t pixelBytes = static_cast<size_t>(PixelBytes(type));
  const size_t left = static_cast<size_t>(content.x) * pixelBytes;
  const size_t right = static_cast<size_t>(content.x + content.width) * pixelBytes;
  uint8_t* top = TopRow(frame, client);
  const ptrdiff_t step = RowStep(client);
  for (int32_t y = 0; y < rows; ++y) {
    uint8_t* row = top + y * step;
    if (y < content.y || y >= content.y + content.height) {
      PaintRowSpan(type, row, 0, stride);
    } else {
      PaintRowSpan(type, row, 0, left);
      PaintRowSpan(type, row, right, stride);
    }
  }
  if (type != FramePixelType::NV12) return;
  uint8_t* chroma = frame + size_t(rows) * stride;
  const int32_t chromaRows = rows / 2;
  const int32_t firstRow = content.y / 2;
  const int32_t lastRow = firstRow + content.height / 2;
  const size_t chromaLeft = static_cast<size_t>(content.x);
  const size_t chromaRight = chromaLeft + 2 * static_cast<size_t>(content.width / 2);
  for (int32_t k = 0; k < chromaRows; ++k) {
    uint8_t* row = chroma + size_t(k) * stride;
    if (k < firstRow || k >= lastRow) {
      std::memset(row, kNoChroma, stride);
    } else {
      std::memset(row, kNoChroma, chromaLeft);
      std::memset(row + chromaRight, kNoChroma, stride - chromaRight);
    }
  }
  const size_t luma = size_t(rows) * stride;
  const size_t written = size_t(chromaRows) * stride;
  std::memset(chroma + written, kNoChroma, luma / 2 - written);
}

struct ClientGeometry {
  bool ok = false;
  FrameHeader header{};
  size_t size = 0;
};

ClientGeometry CheckClient(const FrameHeader& client) {
  const CheckedFrame checked = CheckFrameGeometry(client);
  if (!checked.ok()) return {};
  return {true, checked.header, checked.imageSize};
}

}  // namespace

const char* DescribePictureError(PictureError error) {
  switch (error) {
    case PictureError::None: return "rendered";
    case PictureError::RecordTooShort: return "frame record is shorter than its header";
    case PictureError::RecordGeometry: return "frame record has an invalid geometry";
    case PictureError::RecordLength: return "frame record length does not match its geometry";
    case PictureError::ClientGeometry: return "client frame geometry is invalid";
    case PictureError::ClientBufferTooSmall: return "client buffer is too small";
    case PictureError::OutOfMemory: return "out of memory";
  }
  return "unknown error";
}

CheckedRecord CheckFrameRecord(const uint8_t* record, size_t size) {
  CheckedRecord result;
  if (record == nullptr || size < static_cast<size_t>(kFrameHeaderSize)) {
    result.error = PictureError::RecordTooShort;
    return result;
  }
  FrameHeader header;
  std::memcpy(&header, record, sizeof header);  // the record need not be aligned
  const CheckedFrame checked = CheckFrameGeometry(header);
  if (!checked.ok()) {
    result.error = PictureError::RecordGeometry;
    result.geometry = checked.error;
    return result;
  }
  if (size != checked.recordSize()) {
    result.error = PictureError::RecordLength;
    return result;
  }
  result.view = MakeFrameView(record + kFrameHeaderSize, checked.header);
  return result;
}

size_t ClientFrameSize(const FrameHeader& client) { return CheckClient(client).size; }

PictureError FillBlack(const FrameHeader& client, uint8_t* out, size_t outSize) {
  const ClientGeometry geometry = CheckClient(client);
  if (!geometry.ok || out == nullptr) return PictureError::ClientGeometry;
  if (outSize < geometry.size) return PictureError::ClientBufferTooSmall;
  PaintBars(geometry.header, out, PixelRect{});
  return PictureError::None;
}

// ---- the plan of one source geometry, client geometry and options ------------------------------------

namespace {

enum class Target { ClientMain, ClientChroma, Plane0, Plane1 };
enum class Conversion { None, YuvToRgb, RgbToYuy2, RgbToNv12 };

// One source channel into one target channel, or a constant into the target channel.
struct ChannelStep {
  int32_t sourceOffset = 0;  // bytes into the source row
  int32_t sourceStep = 1;
  const AxisPlan* horizontal = nullptr;  // null: write `value` instead
  uint8_t value = 0;
  int32_t count = 0;  // target samples per row
  int32_t targetOffset = 0;
  int32_t targetStep = 1;
  int target = 0;  // index into the pass's targets: the client's rows, or one of three planes
};

// Target rows from one source plane: each filtered once vertically, then split into its channels.
struct RowPass {
  int sourcePlane = 0;  // 0: the packed rows or NV12 luma; 1: NV12 chroma
  const AxisPlan* vertical = nullptr;
  int32_t rows = 0;  // target rows
  Target target = Target::ClientMain;  // ChannelStep::target 0; planes follow Plane0 as 1 and 2
  std::vector<ChannelStep> channels;
  size_t spanBegin = 0;  // source row bytes that the channels read
  size_t spanEnd = 0;
  bool filtered = false;  // some channel reads the source
  // When a channel's columns skip samples (a steep shrink): the source row bytes the channels read,
  // in the order of the filtered row, instead of the span; the channels then read that row.
  std::vector<uint32_t> gather;
};

struct PlanKey {
  FramePixelType sourceType;
  int32_t sourceWidth, sourceRows;
  FramePixelType clientType;
  int32_t clientWidth, clientRows;
  PictureOptions options;
  bool fastRoutes;
  friend bool operator==(const PlanKey&, const PlanKey&) = default;
};

}  // namespace

struct PictureRenderer::Plan {
  PlanKey key{};
  PictureFit fit;
  bool copyRows = false;
  bool fastRoute = false;  // `fast` renders; the passes below are empty
  FastRoute fast;
  AxisPlan lumaColumns, chromaColumns, chromaColumnsV, lumaRows, chromaRows;
  std::deque<AxisPlan> gatheredColumns;  // column plans over the gathered bytes; never moved once made
  std::vector<RowPass> passes;
  Conversion conversion = Conversion::None;
  std::vector<uint8_t> planes;  // three planes of content width x height for a colour conversion
  std::vector<uint16_t> row;
  std::vector<int32_t> accumulator;

  void Build(const PlanKey& newKey);
  // A channel's `target` is 0 for the pass's own target, 1 and 2 for the planes after it.
  void RunPass(const RowPass& pass, const uint8_t* sourceTop, ptrdiff_t sourceStep, uint8_t* targetTop,
               ptrdiff_t targetStep, size_t targetPlaneSize);
  void Convert(uint8_t* mainTop, ptrdiff_t mainStep, uint8_t* chromaTop, ptrdiff_t chromaStep, int32_t clientBytes);
};

void PictureRenderer::Plan::Build(const PlanKey& k) {
  key = k;
  passes.clear();
  conversion = Conversion::None;
  const FramePixelType source = k.sourceType;
  const FramePixelType client = k.clientType;
  const bool sourceYuv = !IsRgb(source);
  const bool clientYuv = !IsRgb(client);
  const int32_t alignX = clientYuv ? 2 : 1;
  const int32_t alignY = client == FramePixelType::NV12 ? 2 : 1;
  fit = FitPicture(k.sourceWidth, k.sourceRows, k.clientWidth, k.clientRows, k.options.fill, alignX, alignY);
  const PixelRect& c = fit.content;
  const SourceWindow& s = fit.source;

  gatheredColumns.clear();
  planes.clear();
  row.clear();
  accumulator.clear();
  try {
    fastRoute = k.fastRoutes &&
                fast.Plan(source, k.sourceWidth, k.sourceRows, client, fit, k.options.mirror, k.options.flip);
  } catch (const std::bad_alloc&) {
    // The route's working planes follow the producer's size; the general path's the client's.
    fast = FastRoute{};
    fastRoute = false;
  }
  copyRows = !fastRoute && source == client && !k.options.mirror && k.sourceWidth == k.clientWidth &&
             k.sourceRows == k.clientRows && c == PixelRect{0, 0, k.clientWidth, k.clientRows};
  if (fastRoute || copyRows) return;

  const bool mirror = k.options.mirror;
  const bool flip = k.options.flip;
  PlanAxis(lumaColumns, k.sourceWidth, s.x, s.width, c.width, mirror);
  PlanAxis(lumaRows, k.sourceRows, s.y, s.height, c.height, flip);

  // Where the client's samples go: in place for the same colour family, else into three planes that
  // the conversion then packs.
  const int32_t clientBytes = PixelBytes(client);
  const size_t planeSize = size_t(c.width) * size_t(c.height);
  const bool convert = sourceYuv != clientYuv;
  if (convert) {
    planes.assign(3 * planeSize, 0);
    conversion = !clientYuv ? Conversion::YuvToRgb
                 : client == FramePixelType::YUY2 ? Conversion::RgbToYuy2 : Conversion::RgbToNv12;
  }

  if (!sourceYuv) {
    // B, G, R channels through one pass.
    const int32_t step = PixelBytes(source);
    RowPass pass{0, &lumaRows, c.height, convert ? Target::Plane0 : Target::ClientMain, {}, 0, 0, false, {}};
    for (int32_t channel = 0; channel < 3; ++channel) {
      ChannelStep cs{channel, step, &lumaColumns, 0, c.width, channel, clientBytes};
      if (convert) cs.targetOffset = 0, cs.targetStep = 1;
      pass.channels.push_back(cs);
    }
    if (convert) {
      // One vertical pass, each channel into its own plane.
      for (int32_t channel = 0; channel < 3; ++channel) pass.channels[channel].target = channel;
      passes.push_back(pass);
    } else {
      if (client == FramePixelType::RGB32) {
        pass.channels.push_back(ChannelStep{0, 1, nullptr, kOpaque, c.width, 3, 4});
      }
      passes.push_back(pass);
    }
  } else {
    // YUV source: luma, and chroma at half width (YUY2) or half width and height (NV12).
    const bool packed = source == FramePixelType::YUY2;
    const int32_t chromaSamples = k.sourceWidth / 2;
    const int32_t chromaSourceRows = packed ? k.sourceRows : k.sourceRows / 2;
    const bool hasChroma = chromaSamples > 0 && chromaSourceRows > 0;
    const ChannelStep lumaSource{0, packed ? 2 : 1, &lumaColumns, 0, 0, 0, 1};
    const ChannelStep uSource{packed ? 1 : 0, packed ? 4 : 2, &chromaColumns, 0, 0, 0, 1};
    const ChannelStep vSource{packed ? 3 : 1, packed ? 4 : 2, &chromaColumns, 0, 0, 0, 1};

    // Client chroma: YUY2 per pair of columns, NV12 per 2 x 2 block, RGB per pixel (into planes).
    int32_t uCount = c.width, vCount = c.width, clientChromaRows = c.height;
    if (client == FramePixelType::YUY2) uCount = (c.width + 1) / 2, vCount = c.width / 2;
    if (client == FramePixelType::NV12) uCount = vCount = c.width / 2, clientChromaRows = c.height / 2;
    const double chromaScaleX = 2.0;
    const double chromaScaleY = packed ? 1.0 : 2.0;
    PlanAxis(chromaColumns, chromaSamples, s.x / chromaScaleX, s.width / chromaScaleX, uCount, mirror);
    const AxisPlan* vColumns = &chromaColumns;
    if (vCount != uCount) {
      PlanAxis(chromaColumnsV, chromaSamples, s.x / chromaScaleX, s.width / chromaScaleX, vCount, mirror);
      vColumns = &chromaColumnsV;
    }
    PlanAxis(chromaRows, chromaSourceRows, s.y / chromaScaleY, s.height / chromaScaleY, clientChromaRows, flip);

    ChannelStep y = lumaSource, u = uSource, v = vSource;
    y.count = c.width;
    u.count = uCount;
    v.count = vCount;
    v.horizontal = vColumns;
    if (!hasChroma) {
      u.horizontal = v.horizontal = nullptr;
      u.value = v.value = kNoChroma;
    }
    Target lumaTarget = Target::ClientMain, chromaTarget = Target::ClientMain;
    if (client == FramePixelType::YUY2) {
      y.targetOffset = 0, y.targetStep = 2;
      u.targetOffset = 1, u.targetStep = 4;
      v.targetOffset = 3, v.targetStep = 4;
    } else if (client == FramePixelType::NV12) {
      chromaTarget = Target::ClientChroma;
      u.targetOffset = 0, u.targetStep = 2;
      v.targetOffset = 1, v.targetStep = 2;
    } else {
      lumaTarget = Target::Plane0;
    }
    if (convert && packed) {
      // YUY2 rows hold all three channels at full height: one vertical pass into the three planes.
      u.target = 1, v.target = 2;
      passes.push_back(RowPass{0, &lumaRows, c.height, Target::Plane0, {y, u, v}, 0, 0, false, {}});
    } else if (convert) {
      RowPass lumaPass{0, &lumaRows, c.height, Target::Plane0, {y}, 0, 0, false, {}};
      RowPass uvPass{1, &chromaRows, c.height, Target::Plane1, {u, v}, 0, 0, false, {}};
      uvPass.channels[1].target = 1;  // the plane after Plane1
      passes = {lumaPass, uvPass};
    } else if (packed && clientChromaRows == c.height) {
      // YUY2 to YUY2: luma and chroma share their rows, so one vertical pass serves all three.
      passes.push_back(RowPass{0, &lumaRows, c.height, lumaTarget, {y, u, v}, 0, 0, false, {}});
    } else {
      passes.push_back(RowPass{0, &lumaRows, c.height, lumaTarget, {y}, 0, 0, false, {}});
      passes.push_back(RowPass{packed ? 0 : 1, &chromaRows, clientChromaRows, chromaTarget, {u, v}, 0, 0, false, {}});
    }
  }

  // The bytes of a source row that each pass reads, and the working rows that fit the widest.
  size_t widest = 0;
  for (RowPass& pass : passes) {
    if (std::any_of(pass.channels.begin(), pass.channels.end(), [](const ChannelStep& channel) {
          return channel.horizontal != nullptr && channel.count > 0 && channel.horizontal->step > 1;
        })) {
      // Filtering the whole span would cost the source's width for every target row: gather the
      // samples on each channel's lattice, side by side, and read them with a step of 1.
      for (ChannelStep& channel : pass.channels) {
        if (channel.horizontal == nullptr || channel.count == 0) continue;
        const AxisPlan& plan = *channel.horizontal;
        const int32_t lowest = *std::min_element(plan.first.begin(), plan.first.begin() + channel.count);
        const int32_t highest =
            *std::max_element(plan.first.begin(), plan.first.begin() + channel.count) + (plan.taps - 1) * plan.step;
        AxisPlan& gathered = gatheredColumns.emplace_back(plan);
        gathered.step = 1;
        for (int32_t& first : gathered.first) first = (first - lowest) / plan.step;
        const size_t position = pass.gather.size();
        for (int32_t sample = lowest; sample <= highest; sample += plan.step) {
          pass.gather.push_back(static_cast<uint32_t>(size_t(sample) * channel.sourceStep + channel.sourceOffset));
        }
        channel.horizontal = &gathered;
        channel.sourceOffset = static_cast<int32_t>(position);
        channel.sourceStep = 1;
      }
      pass.filtered = !pass.gather.empty() && pass.vertical->count > 0;
      widest = std::max(widest, pass.gather.size());
      continue;
    }
    size_t begin = SIZE_MAX, end = 0;
    for (const ChannelStep& channel : pass.channels) {
      if (channel.horizontal == nullptr || channel.count == 0) continue;
      const AxisPlan& plan = *channel.horizontal;
      const auto [low, high] = std::minmax_element(plan.first.begin(), plan.first.begin() + channel.count);
      begin = std::min(begin, size_t(*low) * channel.sourceStep + channel.sourceOffset);
      end = std::max(end, size_t(*high + (plan.taps - 1) * plan.step) * channel.sourceStep + channel.sourceOffset + 1);
    }
    pass.filtered = end > 0 && pass.vertical->count > 0;
    pass.spanBegin = pass.filtered ? begin : 0;
    pass.spanEnd = pass.filtered ? end : 0;
    widest = std::max(widest, pass.spanEnd - pass.spanBegin);
  }
  row.assign(widest, 0);
  accumulator.assign(std::min(widest, kVerticalChunk), 0);
}

void PictureRenderer::Plan::RunPass(const RowPass& pass, const uint8_t* sourceTop, ptrdiff_t sourceStep,
                                    uint8_t* targetTop, ptrdiff_t targetStep, size_t targetPlaneSize) {
  const uint8_t* source = sourceTop + pass.spanBegin;
  const size_t span = pass.spanEnd - pass.spanBegin;
  for (int32_t r = 0; r < pass.rows; ++r) {
    if (pass.filtered && !pass.gather.empty()) {
      FilterGatheredRows(sourceTop, sourceStep, *pass.vertical, r, pass.gather.data(), pass.gather.size(), row.data(),
                         accumulator.data());
    } else if (pass.filtered) {
      FilterRows(source, sourceStep, *pass.vertical, r, span, row.data(), accumulator.data());
    }
    uint8_t* target = targetTop + r * targetStep;
    for (const ChannelStep& channel : pass.channels) {
      uint8_t* out = target + channel.target * targetPlaneSize + channel.targetOffset;
      if (channel.horizontal == nullptr) {
        for (int32_t i = 0; i < channel.count; ++i) out[i * channel.targetStep] = channel.value;
      } else {
        FilterColumns(row.data(), channel.sourceOffset - static_cast<int32_t>(pass.spanBegin), channel.sourceStep,
                      *channel.horizontal, channel.count, out, channel.targetStep);
      }
    }
  }
}

void PictureRenderer::Plan::Convert(uint8_t* mainTop, ptrdiff_t mainStep, uint8_t* chromaTop, ptrdiff_t chromaStep,
                                    int32_t clientBytes) {
  if (conversion == Conversion::None) return;  // no planes were made
  const int32_t width = fit.content.width;
  const int32_t height = fit.content.height;
  const size_t planeSize = size_t(width) * size_t(height);
  const uint8_t* p0 = planes.data();
  const uint8_t* p1 = p0 + planeSize;
  const uint8_t* p2 = p1 + planeSize;
  switch (conversion) {
    case Conversion::None: return;
    case Conversion::YuvToRgb:
      for (int32_t r = 0; r < height; ++r) {
        const size_t at = size_t(r) * width;
        uint8_t* out = mainTop + r * mainStep;
        for (int32_t x = 0; x < width; ++x, out += clientBytes) {
          YuvToBgr(p0[at + x], p1[at + x], p2[at + x], out);
          if (clientBytes == 4) out[3] = kOpaque;
        }
      }
      return;
    case Conversion::RgbToYuy2:
      // Planes hold B, G, R.
      for (int32_t r = 0; r < height; ++r) {
        const size_t at = size_t(r) * width;
        const uint8_t *b = p0 + at, *g = p1 + at, *red = p2 + at;
        uint8_t* out = mainTop + r * mainStep;
        int32_t x = 0;
        for (; x + 1 < width; x += 2, out += 4) {
          out[0] = LumaOf(b[x], g[x], red[x]);
          out[2] = LumaOf(b[x + 1], g[x + 1], red[x + 1]);
          ChromaOfSum(b[x] + b[x + 1], g[x] + g[x + 1], red[x] + red[x + 1], 2, out[1], out[3]);
        }
        if (x < width) {  // an odd last pixel carries Y and U only
          uint8_t v;
          out[0] = LumaOf(b[x], g[x], red[x]);
          ChromaOfSum(b[x], g[x], red[x], 1, out[1], v);
        }
      }
      return;
    case Conversion::RgbToNv12:
      for (int32_t r = 0; r < height; ++r) {
        const size_t at = size_t(r) * width;
        uint8_t* out = mainTop + r * mainStep;
        for (int32_t x = 0; x < width; ++x) out[x] = LumaOf(p0[at + x], p1[at + x], p2[at + x]);
      }
      for (int32_t r = 0; r + 1 < height; r += 2) {
        const size_t top = size_t(r) * width, bottom = top + width;
        uint8_t* out = chromaTop + (r / 2) * chromaStep;
        for (int32_t x = 0; x + 1 < width; x += 2, out += 2) {
          const auto sum = [&](const uint8_t* p) {
            return int32_t{p[top + x]} + p[top + x + 1] + p[bottom + x] + p[bottom + x + 1];
          };
          ChromaOfSum(sum(p0), sum(p1), sum(p2), 4, out[0], out[1]);
        }
      }
      return;
  }
}

// ---- rendering ---------------------------------------------------------------------------------------

PictureRenderer::PictureRenderer() = default;
PictureRenderer::~PictureRenderer() = default;

PictureRenderer::Work PictureRenderer::PlannedWork() const {
  Work work;
  if (!plan_ || plan_->copyRows) return work;
  if (plan_->fastRoute) {
    work.rowReads = plan_->fast.BytesRead();
    return work;
  }
  for (const RowPass& pass : plan_->passes) {
    const size_t filteredBytes = pass.gather.empty() ? pass.spanEnd - pass.spanBegin : pass.gather.size();
    if (pass.filtered) work.rowReads += int64_t{pass.rows} * pass.vertical->taps * int64_t(filteredBytes);
    for (const ChannelStep& channel : pass.channels) {
      if (channel.horizontal == nullptr) continue;
      work.sampleReads += int64_t{pass.rows} * channel.count * channel.horizontal->taps;
    }
  }
  return work;
}

PictureError PictureRenderer::RenderRecord(const uint8_t* record, size_t size, const FrameHeader& client,
                                           uint8_t* out, size_t outSize, const PictureOptions& options) {
  const CheckedRecord checked = CheckFrameRecord(record, size);
  if (!checked.ok()) return checked.error;
  return Render(checked.view, client, out, outSize, options);
}

PictureError PictureRenderer::Render(const FrameView& source, const FrameHeader& client, uint8_t* out,
                                     size_t outSize, const PictureOptions& options) {
  const CheckedFrame checkedSource = CheckFrameGeometry(source.header);
  if (source.pixels == nullptr || source.header.stride <= 0 || !checkedSource.ok() ||
      (source.header.pixelType == FramePixelType::NV12 && source.chroma == nullptr)) {
    return PictureError::RecordGeometry;
  }
  const ClientGeometry geometry = CheckClient(client);
  if (!geometry.ok || out == nullptr || !IsFillMode(static_cast<int32_t>(options.fill))) {
    return PictureError::ClientGeometry;
  }
  if (outSize < geometry.size) return PictureError::ClientBufferTooSmall;
  const FrameHeader& target = geometry.header;
  const FrameHeader& from = source.header;

  const PlanKey key{from.pixelType, from.width, Rows(from), target.pixelType, target.width, Rows(target), options,
                    fastRoutes_};
  try {
    if (!plan_) plan_ = std::make_unique<Plan>();
    if (!(plan_->key == key) || plan_->key.sourceWidth == 0) plan_->Build(key);
  } catch (const std::bad_alloc&) {
    plan_.reset();
    return PictureError::OutOfMemory;
  }
  Plan& plan = *plan_;
  PaintBars(target, out, plan.fit.content);

  const int32_t rows = Rows(target);
  const uint8_t* sourceTop = TopRow(source.pixels, from);
  const ptrdiff_t sourceStep = RowStep(from);
  uint8_t* clientTop = TopRow(out, target);
  const ptrdiff_t clientStep = RowStep(target);
  const PixelRect& c = plan.fit.content;
  const int32_t clientBytes = PixelBytes(target.pixelType);
  uint8_t* clientChroma = out + size_t(rows) * size_t(target.stride);

  if (plan.copyRows) {
    const size_t bytes = static_cast<size_t>(RowBytes(from.pixelType, from.width));
    const int32_t sourceRows = Rows(from);
    for (int32_t y = 0; y < rows; ++y) {
      const int32_t from_y = options.flip ? sourceRows - 1 - y : y;
      std::memcpy(clientTop + y * clientStep, sourceTop + from_y * sourceStep, bytes);
    }
    if (target.pixelType == FramePixelType::NV12) {
      const int32_t chromaRows = rows / 2;
      const size_t chromaBytes = size_t(from.width / 2) * 2;
      for (int32_t k = 0; k < chromaRows; ++k) {
        const int32_t from_k = options.flip ? chromaRows - 1 - k : k;
        std::memcpy(clientChroma + size_t(k) * target.stride, source.chroma + size_t(from_k) * from.stride,
                    chromaBytes);
      }
    }
    return PictureError::None;
  }

  uint8_t* contentTop = clientTop + c.y * clientStep + ptrdiff_t{c.x} * clientBytes;
  uint8_t* chromaTop = clientChroma + size_t(c.y / 2) * target.stride + size_t(c.x);
  if (plan.fastRoute) {
    plan.fast.Render(sourceTop, sourceStep, source.chroma, from.stride, contentTop, clientStep, chromaTop,
                     target.stride);
    return PictureError::None;
  }
  const size_t planeSize = size_t(c.width) * size_t(c.height);
  for (const RowPass& pass : plan.passes) {
    const uint8_t* passSource = pass.sourcePlane == 0 ? sourceTop : source.chroma;
    const ptrdiff_t passStep = pass.sourcePlane == 0 ? sourceStep : from.stride;
    uint8_t* targetTop = contentTop;
    ptrdiff_t targetStep = clientStep;
    switch (pass.target) {
      case Target::ClientMain: break;
      case Target::ClientChroma: targetTop = chromaTop, targetStep = target.stride; break;
      case Target::Plane0: targetTop = plan.planes.data(), targetStep = c.width; break;
      case Target::Plane1: targetTop = plan.planes.data() + planeSize, targetStep = c.width; break;
    }
    plan.RunPass(pass, passSource, passStep, targetTop, targetStep, planeSize);
  }
  plan.Convert(contentTop, clientStep, chromaTop, target.stride, clientBytes);
  return PictureError::None;
}

}  // namespace orvane::picture
