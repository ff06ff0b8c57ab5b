// The operating-system description shared by the log's start banner and the crash report:
// "Windows 10", "Windows Server 2012 R2", "Windows 7 Service Pack 1 x86"... Pure: the Windows side
// gathers the facts (SystemDescription.h) and this table turns them into text. Any thread.
#pragma once

#include <cstdint>
#include <string>

namespace orvane {

enum class ProcessorArchitecture { X64, Itanium, X86, Arm64, Other };

// What the system reports about itself. Field values follow the Windows constants they come from.
struct OsVersionFacts {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;                     // without the kernel's high flag bits
  bool workstation = true;                // product type VER_NT_WORKSTATION
  uint32_t platformId = 2;                // 1 VER_PLATFORM_WIN32_WINDOWS, 2 VER_PLATFORM_WIN32_NT
  uint32_t suiteMask = 0;                 // wSuiteMask; 0x8000 is VER_SUITE_WH_SERVER
  bool serverR2 = false;                  // GetSystemMetrics(SM_SERVERR2) != 0
  uint32_t servicePackMajor = 0;
  std::string servicePack;                // szCSDVersion, in the ANSI code page
  ProcessorArchitecture nativeArchitecture = ProcessorArchitecture::X64;
};

bool Is64BitArchitecture(ProcessorArchitecture architecture);

// "Windows " and the product name by the table of versions; nothing after "Windows " for a version
// the table does not know; " x86" last on systems that are not 64-bit.
std::string OperatingSystemDescription(const OsVersionFacts& facts);

}  // namespace orvane
