// What the log's start banner and the crash report say about the system and the program. Windows
// side of OsDescription.h and LogFormat.h. Any thread.
#pragma once

#include <optional>
#include <string>

#include "app/diagnostics/OsDescription.h"

namespace orvane {

// The facts as this system reports them: the kernel's own version numbers (RtlGetNtVersionNumbers,
// which no compatibility shim alters), the product type, the extended version information and the
// native processor architecture.
OsVersionFacts ReadOsVersionFacts();

// "Windows 10", "Windows 7 Service Pack 1 x86"...
std::string SystemDescription();

// The banner's operating-system line: the description, Kernel32's product version in parentheses
// and " 64bits" on 64-bit systems. Nothing when Kernel32's version text cannot be read.
std::optional<std::string> OperatingSystemLine();

// Writes the two start-banner entries (operating system, when known; program and version) when the
// debug flag is on. Called right after "/debug" turned the flag on.
void WriteStartBanner();

}  // namespace orvane
