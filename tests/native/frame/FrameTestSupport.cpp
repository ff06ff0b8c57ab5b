#include "FrameTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace orvane::test {
namespace {

size_t PageSize() {
#ifdef _WIN32
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
#else
  return static_cast<size_t>(sysconf(_SC_PAGESIZE));
#endif
}

}  // namespace

GuardedBuffer::GuardedBuffer(size_t size, uint8_t fill, Place place) : size_(size) {
  const size_t page = PageSize();
  const size_t dataPages = (size + page - 1) / page;
  mappingSize_ = (dataPages + 2) * page;  // a guard page on each side
#ifdef _WIN32
  mapping_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, mappingSize_, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
  if (mapping_ == nullptr) throw std::runtime_error("VirtualAlloc failed");
  DWORD old = 0;
  if (dataPages > 0 && !VirtualProtect(mapping_ + page, dataPages * page, PAGE_READWRITE, &old)) {
    throw std::runtime_error("VirtualProtect failed");
  }
#else
  void* mapping = mmap(nullptr, mappingSize_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) throw std::runtime_error("mmap failed");
  mapping_ = static_cast<uint8_t*>(mapping);
  if (dataPages > 0 && mprotect(mapping_ + page, dataPages * page, PROT_READ | PROT_WRITE) != 0) {
    throw std::runtime_error("mprotect failed");
  }
#endif
  data_ = place == Place::AfterGuard ? mapping_ + page : mapping_ + page + dataPages * page - size;
  std::memset(data_, fill, size);
}

GuardedBuffer::~GuardedBuffer() {
#ifdef _WIN32
  VirtualFree(mapping_, 0, MEM_RELEASE);
#else
  munmap(mapping_, mappingSize_);
#endif
}

void FillRandom(uint8_t* data, size_t size, std::mt19937& random) {
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(random() >> 24);
}

std::vector<uint8_t> RandomBytes(size_t size, std::mt19937& random) {
  std::vector<uint8_t> bytes(size);
  FillRandom(bytes.data(), size, random);
  return bytes;
}

void ForEachSimdLevel(const std::function<void(SimdLevel)>& body) {
  for (int level = 0; level < kSimdLevelCount; ++level) {
    const SimdLevel wanted = static_cast<SimdLevel>(level);
    if (!IsSimdLevelSupported(wanted)) continue;
    ASSERT_EQ(SetSimdLevelMask(1u << level), wanted);
    SCOPED_TRACE(std::string("level ") + SimdLevelName(wanted));
    body(wanted);
  }
  SetSimdLevelMask(kAllSimdLevels);
}

std::vector<SimdLevel> VectorLevels() {
  std::vector<SimdLevel> levels;
  for (int level = 1; level < kSimdLevelCount; ++level) {
    if (IsSimdLevelSupported(static_cast<SimdLevel>(level))) levels.push_back(static_cast<SimdLevel>(level));
  }
  return levels;
}

std::string FirstDifference(const uint8_t* expected, const uint8_t* actual, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (expected[i] != actual[i]) {
      std::ostringstream text;
      text << "first difference at byte " << i << ": expected " << int{expected[i]} << ", got "
           << int{actual[i]};
      return text.str();
    }
  }
  return {};
}

}  // namespace orvane::test
