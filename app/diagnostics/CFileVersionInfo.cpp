#include "app/diagnostics/CFileVersionInfo.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace orvane {
namespace {

constexpr DWORD kFixedInfoSignature = 0xFEEF04BD;

constexpr const wchar_t* kStandardNames[] = {
    L"Comments",         L"CompanyName",     L"FileDescription", L"FileVersion", L"InternalName",
    L"LegalCopyright",   L"LegalTrademarks", L"OriginalFilename", L"PrivateBuild", L"ProductName",
    L"ProductVersion",   L"SpecialBuild",    L"OLESelfRegister",
};
constexpr int kStandardNameCount = static_cast<int>(sizeof(kStandardNames) / sizeof(kStandardNames[0]));

}  // namespace

void CFileVersionInfo::Reset() {
  fixed_ = {};
  data_.clear();
  data_.shrink_to_fit();
  translations_ = nullptr;
  translationCount_ = 0;
  valid_ = false;
}

bool CFileVersionInfo::Open(const wchar_t* path) {
  Reset();
  if (path == nullptr) return false;
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return false;
  data_.resize(size);
  if (!::GetFileVersionInfoW(path, 0, size, data_.data())) {
    Reset();
    return false;
  }

  void* fixed = nullptr;
  UINT fixedLength = 0;
  if (::VerQueryValueW(data_.data(), L"\\", &fixed, &fixedLength) && fixed != nullptr &&
      fixedLength >= sizeof(VS_FIXEDFILEINFO)) {
    std::memcpy(&fixed_, fixed, sizeof(fixed_));
    valid_ = fixed_.dwSignature == kFixedInfoSignature;
  }

  if (valid_) {
    void* table = nullptr;
    UINT tableLength = 0;
    if (::VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &table, &tableLength) &&
        table != nullptr && tableLength >= sizeof(DWORD)) {
      translations_ = static_cast<const DWORD*>(table);
      translationCount_ = tableLength / sizeof(DWORD);
    }
  }

  if (valid_ && translations_ != nullptr) return true;
  Reset();
  return false;
}

std::optional<std::pair<WORD, WORD>> CFileVersionInfo::Translation(UINT index) const {
  if (!valid_ || index >= translationCount_) return std::nullopt;
  const DWORD entry = translations_[index];
  return std::make_pair(LOWORD(entry), HIWORD(entry));
}

const wchar_t* CFileVersionInfo::StandardName(int index) {
  return index >= 0 && index < kStandardNameCount ? kStandardNames[index] : nullptr;
}

std::optional<std::wstring_view> CFileVersionInfo::FindStandardValue(int index) const {
  const wchar_t* name = StandardName(index);
  const auto translation = Translation(0);
  if (name == nullptr || !translation) return std::nullopt;

  wchar_t key[80];
  std::swprintf(key, sizeof(key) / sizeof(key[0]), L"\\StringFileInfo\\%04X%04X\\%ls", translation->first,
                translation->second, name);
  void* value = nullptr;
  UINT length = 0;  // in characters; includes the terminator when the resource stores one
  if (!::VerQueryValueW(data_.data(), key, &value, &length) || value == nullptr) return std::nullopt;
  const auto* text = static_cast<const wchar_t*>(value);
  return std::wstring_view(text, ::wcsnlen(text, length));
}

bool CFileVersionInfo::QueryStandardValue(int index, wchar_t* buffer, int size) const {
  if (StandardName(index) == nullptr || !valid_) return false;
  if (buffer != nullptr) {
    if (size <= 0) return false;
    std::wmemset(buffer, L'\0', static_cast<size_t>(size));
  }
  const auto value = FindStandardValue(index);
  if (!value) return false;
  if (buffer != nullptr) {
    const size_t copied = std::min(value->size(), static_cast<size_t>(size) - 1);
    std::wmemcpy(buffer, value->data(), copied);
    buffer[copied] = L'\0';
  }
  return true;
}

std::optional<std::wstring> CFileVersionInfo::StandardValue(int index) const {
  if (!valid_) return std::nullopt;
  const auto value = FindStandardValue(index);
  if (!value) return std::nullopt;
  return std::wstring(*value);
}

}  // namespace orvane
