// Reads the version resource of an executable file: its fixed version numbers and the standard text
// values of its first translation. Objects are short-lived: construct one, open a file, read, let it
// go. Owns a copy of the resource; not thread-safe (one thread per object).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace orvane {

class CFileVersionInfo {
 public:
  // Index of the standard value names: "Comments" is 0, ..., "OLESelfRegister" is 12.
  static constexpr int kComments = 0;
  static constexpr int kCompanyName = 1;
  static constexpr int kFileDescription = 2;
  static constexpr int kFileVersion = 3;
  static constexpr int kInternalName = 4;
  static constexpr int kLegalCopyright = 5;
  static constexpr int kLegalTrademarks = 6;
  static constexpr int kOriginalFilename = 7;
  static constexpr int kPrivateBuild = 8;
  static constexpr int kProductName = 9;
  static constexpr int kProductVersion = 10;
  static constexpr int kSpecialBuild = 11;
  static constexpr int kOleSelfRegister = 12;

  CFileVersionInfo() = default;
  virtual ~CFileVersionInfo() = default;
  // The translation table points into the owned resource copy: no copies, no moves.
  CFileVersionInfo(const CFileVersionInfo&) = delete;
  CFileVersionInfo& operator=(const CFileVersionInfo&) = delete;

  // Drops the loaded resource; the object is empty and not valid again.
  void Reset();

  // Loads the file's version resource. True when it has a fixed part with the right signature and a
  // translation table; otherwise the object stays empty (a resource without translations counts as
  // none, since its texts could not be addressed).
  bool Open(const wchar_t* path);

  bool IsValid() const { return valid_; }
  const VS_FIXEDFILEINFO& FixedInfo() const { return fixed_; }

  // The translations as (language, code page) pairs, in the order the resource lists them.
  UINT TranslationCount() const { return translationCount_; }
  std::optional<std::pair<WORD, WORD>> Translation(UINT index) const;

  // "Comments" ... "OLESelfRegister" for indexes 0 to 12; null otherwise.
  static const wchar_t* StandardName(int index);

  // The value of a standard name for the first translation, cut to size - 1 characters and
  // terminated. False when the index is not 0 to 12, nothing is loaded, the size is 0 or less, or the
  // value does not exist (the buffer is cleared then). A null buffer only asks whether it exists.
  bool QueryStandardValue(int index, wchar_t* buffer, int size) const;
  // The whole value; nullopt when QueryStandardValue would be false.
  std::optional<std::wstring> StandardValue(int index) const;

 private:
  // The value's characters inside the resource copy (without terminator), or nullopt.
  std::optional<std::wstring_view> FindStandardValue(int index) const;

  VS_FIXEDFILEINFO fixed_{};
  std::vector<BYTE> data_;
  const DWORD* translations_ = nullptr;  // into data_
  UINT translationCount_ = 0;
  bool valid_ = false;
};

}  // namespace orvane
