// Frame records as another process may set them, rendered into a client frame of a geometry taken
// from the input too: any bytes must be refused or rendered, never read or written out of bounds.
#include <cstdint>
#include <cstring>
#include <vector>

#include "media/picture/PictureRenderer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvane;
  if (size < 8) return 0;
  // The first 8 bytes choose the client: layout, width and height up to 127, options.
  const FrameHeader client{static_cast<FramePixelType>(data[0] % 4), 1 + data[1] % 127,
                           (data[2] % 2 ? -1 : 1) * (1 + data[3] % 127), 0};
  const picture::PictureOptions options{static_cast<FillMode>(data[4] % 3), (data[5] & 1) != 0, (data[5] & 2) != 0};
  data += 8;
  size -= 8;
  // Keep the record within what the fuzzer can fill: small geometries only.
  if (size >= 16) {
    FrameHeader header;
    std::memcpy(&header, data, sizeof header);
    if (header.width > 256 || header.height > 256 || header.height < -256) return 0;
  }
  std::vector<uint8_t> out(picture::ClientFrameSize(client));
  picture::PictureRenderer renderer;
  renderer.RenderRecord(size > 0 ? data : nullptr, size, client, out.data(), out.size(), options);
  return 0;
}
