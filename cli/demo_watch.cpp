#include "cli/demo_watch.h"

#include "sim/watch_logs.h"

namespace kemlog::cli {

DemoWatch::DemoWatch(uint32_t seed, int logs, int pointsPerLog)
    : watch_(sim::GenerateWatchLogs(seed, logs, pointsPerLog)) {}

}  // namespace kemlog::cli
