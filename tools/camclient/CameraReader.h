// camclient's read mode: opens a video input device as a call app does (CameraSession), runs it for the
// asked frames or seconds, and prints what arrived; optionally verifies the test pattern and saves the
// last frame. Runs on the calling thread, a single-threaded apartment like a call app's.
#pragma once

#include "tools/camclient/ClientOptions.h"

namespace orvane::camclient {

// Returns the process exit code (see UsageText) after printing a report.
int ReadCamera(const ClientOptions& options);

}  // namespace orvane::camclient
