// camclient's read mode: opens a video input device exactly as a call app does (the system device
// enumerator's moniker, bound to the capture filter; the capture pin's IAMStreamConfig found through
// the capture graph builder, SetFormat with the asked size, layout and rate; RenderStream from the
// capture pin into CaptureSink), runs for the asked frames or seconds, and prints what arrived.
// Runs on the calling thread, a single-threaded apartment like a call app's.
#pragma once

#include "tools/camclient/ClientOptions.h"

namespace orvane::camclient {

// Returns the process exit code (see UsageText) after printing a report.
int ReadCamera(const ClientOptions& options);

}  // namespace orvane::camclient
