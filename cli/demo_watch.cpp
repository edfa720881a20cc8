#include "cli/demo_watch.h"

#include "sim/watch_logs.h"

namespace kemlog::cli {

std::optional<DemoOptions> ParseDemoOptions(const Arguments& args, std::string& problem) {
  const auto seed = args.Number("--seed", kDemoSeed, 0xFFFFFFFFL);
  const auto logs = args.Number("--logs", kDemoLogs, kMaxDemoLogs);
  const auto points = args.Number("--points", kDemoPoints, kMaxDemoPoints);
  if (!seed || !logs || !points) {
    problem = "--seed takes a number up to 4294967295, --logs up to " + std::to_string(kMaxDemoLogs) +
              ", --points up to " + std::to_string(kMaxDemoPoints);
    return std::nullopt;
  }
  if (*logs * *points > kMaxDemoTotalPoints) {
    problem = "--logs times --points may be at most " + std::to_string(kMaxDemoTotalPoints);
    return std::nullopt;
  }
  return DemoOptions{static_cast<uint32_t>(*seed), static_cast<int>(*logs), static_cast<int>(*points)};
}

DemoWatch::DemoWatch(uint32_t seed, int logs, int pointsPerLog)
    : watch_(sim::GenerateWatchLogs(seed, logs, pointsPerLog)) {}

}  // namespace kemlog::cli
