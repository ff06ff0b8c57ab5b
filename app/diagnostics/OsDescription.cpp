#include "app/diagnostics/OsDescription.h"

namespace orvane {
namespace {

constexpr uint32_t kPlatformWin32Windows = 1;
constexpr uint32_t kPlatformWin32Nt = 2;
constexpr uint32_t kSuiteHomeServer = 0x8000;

// The product name, and whether the version is one whose facts come from the extended version
// information (which is where a service-pack text belongs).
struct ProductName {
  const char* text = nullptr;
  bool fromExtendedInfo = true;
};

ProductName NameOf(const OsVersionFacts& f) {
  const auto is = [&f](uint32_t major, uint32_t minor) { return f.major == major && f.minor == minor; };
  if (is(10, 0)) {
    if (!f.workstation) return {"Server 2016", false};
    return {f.build < 22000 ? "10" : "11", false};
  }
  if (is(6, 3)) return {f.workstation ? "8.1" : "Server 2012 R2", false};
  if (is(6, 2)) return {f.workstation ? "8" : "Server 2012"};
  if (is(6, 1)) return {f.workstation ? "7" : "Server 2008 R2"};
  if (is(6, 0)) return {f.workstation ? "Vista" : "Server 2008"};
  if (is(5, 2)) {
    if (f.workstation && f.nativeArchitecture == ProcessorArchitecture::X64) {
      return {"XP Professional x64 Edition"};
    }
    if (f.suiteMask & kSuiteHomeServer) return {"Home Server"};
    return {f.serverR2 ? "Server 2003 R2" : "Server 2003"};
  }
  if (is(5, 1)) return {"XP"};
  if (is(5, 0)) return {"2000"};
  if (is(4, 0)) {
    if (f.platformId == kPlatformWin32Nt) return {"NT 4.0"};
    if (f.platformId == kPlatformWin32Windows) return {"95"};
    return {};
  }
  if (is(4, 10)) return {"98"};
  if (is(4, 90)) return {"Me"};
  return {};
}

}  // namespace

bool Is64BitArchitecture(ProcessorArchitecture architecture) {
  return architecture == ProcessorArchitecture::X64 || architecture == ProcessorArchitecture::Itanium;
}

std::string OperatingSystemDescription(const OsVersionFacts& facts) {
  std::string text = "Windows ";
  const ProductName name = NameOf(facts);
  if (name.text != nullptr) {
    text += name.text;
    if (name.fromExtendedInfo && facts.servicePackMajor != 0 && !facts.servicePack.empty()) {
      text += ' ';
      text += facts.servicePack;
    }
  }
  if (!Is64BitArchitecture(facts.nativeArchitecture)) text += " x86";
  return text;
}

}  // namespace orvane
