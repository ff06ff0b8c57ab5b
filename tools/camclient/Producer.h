// camclient's produce mode: a stand-in for the renderer that pushes the synthetic webcam's test
// pattern into a virtual camera through the private property set, as frame records of one layout and
// size at a steady rate, each stamped with the performance counter just before its push, so that
// clients can measure the latency from push to delivery. Runs on the calling thread; COM must be
// initialised there.
#pragma once

#include "tools/camclient/ClientOptions.h"

namespace orvane::camclient {

// Returns the process exit code (see UsageText) after printing a report.
int Produce(const ClientOptions& options);

}  // namespace orvane::camclient
