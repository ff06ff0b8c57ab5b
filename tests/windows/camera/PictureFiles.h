// Picture files for the camera tests: temporary file names and pictures written with WIC's encoders.
// Test threads with COM initialised.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace orvane::testing {

// A file name in the temporary folder, unique to this process.
std::wstring TempFile(const wchar_t* name);

// A temporary file name whose file, if any, is deleted when the object goes.
class TemporaryFile {
 public:
  explicit TemporaryFile(const wchar_t* name) : path_(TempFile(name)) {}
  ~TemporaryFile() { DeleteFileW(path_.c_str()); }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// A picture of width x height whose left half is red and right half blue, written with the WIC encoder
// of `container` (GUID_ContainerFormatBmp, ...Png, ...Jpeg, ...Gif). With `fileSize`, zeros follow the
// picture up to that many bytes (decoders ignore them; the file system keeps them sparse).
HRESULT WriteHalvesPicture(const std::wstring& path, const GUID& container, UINT width, UINT height,
                           uint64_t fileSize = 0);

}  // namespace orvane::testing
