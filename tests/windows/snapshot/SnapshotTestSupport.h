// Helpers of the snapshot tests: a private folder for the files a test writes, pictures of four
// coloured quadrants in each pixel layout, and the check that a JPEG shows them upright.
// Test threads with COM initialised.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "shared/FrameFormat.h"

namespace orvane::testing {

// A new, empty folder in the temporary folder; it and every file in it are removed when the object goes.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring File(const wchar_t* name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// The names of the files (not folders) in `folder`, sorted.
std::vector<std::wstring> FilesIn(const std::wstring& folder);

// A picture as it sits in a frame record: upright, its top-left quadrant is red, top-right green,
// bottom-left blue and bottom-right white. The quadrants split at width / 2 and |height| / 2 rounded
// down to even numbers, so that no 4:2:x block mixes two colours. A stride of 0 means the default;
// padding bytes hold values that would show up as a wrong colour. RGB pictures with `bottomUp` store
// the bottom row first. YUY2 is Y0, U, Y1, V with BT.601 studio-range values.
std::vector<uint8_t> MakeQuadrantPicture(const FrameHeader& geometry, bool bottomUp);

// Decodes the JPEG at `path` and checks that it shows the quadrant picture of `width` x `height`
// upright (or turned 90 degrees clockwise, then `height` x `width`): its size, and the colour at each
// quadrant's centre and the picture's four corners, within JPEG's loss. `what` names the case.
void ExpectQuadrantJpeg(const std::wstring& path, int32_t width, int32_t height, const std::string& what,
                        bool turnedClockwise = false);

}  // namespace orvane::testing
