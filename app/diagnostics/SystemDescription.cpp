#include "app/diagnostics/SystemDescription.h"

#include <windows.h>

#include "app/core/AppPaths.h"
#include "app/core/PathRules.h"
#include "app/diagnostics/CFileVersionInfo.h"
#include "app/diagnostics/LogFormat.h"
#include "app/diagnostics/Logger.h"
#include "platform/win/StringConversion.h"

namespace orvane {
namespace {

using RtlGetNtVersionNumbersFunction = void(WINAPI*)(DWORD*, DWORD*, DWORD*);

ProcessorArchitecture NativeArchitecture() {
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  switch (info.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64: return ProcessorArchitecture::X64;
    case PROCESSOR_ARCHITECTURE_IA64: return ProcessorArchitecture::Itanium;
    case PROCESSOR_ARCHITECTURE_INTEL: return ProcessorArchitecture::X86;
    case PROCESSOR_ARCHITECTURE_ARM64: return ProcessorArchitecture::Arm64;
    default: return ProcessorArchitecture::Other;
  }
}

bool IsWorkstation() {
  OSVERSIONINFOEXW wanted{};
  wanted.dwOSVersionInfoSize = sizeof(wanted);
  wanted.wProductType = VER_NT_WORKSTATION;
  const DWORDLONG condition = ::VerSetConditionMask(0, VER_PRODUCT_TYPE, VER_EQUAL);
  return ::VerifyVersionInfoW(&wanted, VER_PRODUCT_TYPE, condition) != FALSE;
}

std::wstring Kernel32Path() {
  wchar_t system[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  return JoinPath(system, L"kernel32.dll");
}

}  // namespace

OsVersionFacts ReadOsVersionFacts() {
  OsVersionFacts facts;
  OSVERSIONINFOEXW extended{};
  extended.dwOSVersionInfoSize = sizeof(extended);
  const bool haveExtended = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended)) != FALSE;
  if (haveExtended) {
    facts.major = extended.dwMajorVersion;
    facts.minor = extended.dwMinorVersion;
    facts.build = extended.dwBuildNumber;
    facts.platformId = extended.dwPlatformId;
    facts.suiteMask = extended.wSuiteMask;
    facts.servicePackMajor = extended.wServicePackMajor;
    facts.servicePack = WideToAnsi(extended.szCSDVersion);
  }
  // GetVersionExW answers what the manifest admits to; the kernel's numbers are the truth.
  if (const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
    const auto getVersion = reinterpret_cast<RtlGetNtVersionNumbersFunction>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetNtVersionNumbers")));
    if (getVersion != nullptr) {
      DWORD major = 0, minor = 0, build = 0;
      getVersion(&major, &minor, &build);
      facts.major = major;
      facts.minor = minor;
      facts.build = build & 0x0FFFFFFF;  // the top bits flag a free or checked build
    }
  }
  facts.workstation = IsWorkstation();
  facts.serverR2 = ::GetSystemMetrics(SM_SERVERR2) != 0;
  facts.nativeArchitecture = NativeArchitecture();
  return facts;
}

std::string SystemDescription() { return OperatingSystemDescription(ReadOsVersionFacts()); }

std::optional<std::string> OperatingSystemLine() {
  const std::wstring kernel32 = Kernel32Path();
  CFileVersionInfo info;
  if (kernel32.empty() || !info.Open(kernel32.c_str())) return std::nullopt;
  const auto version = info.StandardValue(CFileVersionInfo::kProductVersion);
  if (!version || version->empty()) return std::nullopt;
  const OsVersionFacts facts = ReadOsVersionFacts();
  return OperatingSystemLogLine(OperatingSystemDescription(facts), WideToAnsi(*version),
                                Is64BitArchitecture(facts.nativeArchitecture));
}

void WriteStartBanner() {
  if (!DebugLoggingEnabled()) return;
  if (const auto line = OperatingSystemLine()) Log(*line);
  const ProgramVersionInfo version = ReadProgramVersion().value_or(ProgramVersionInfo{});
  Log(ProgramLogLine(version.mostSignificant, version.leastSignificant));
}

}  // namespace orvane
