#pragma once
// The simulated watch served on a pseudo-terminal, for --demo and the sim command.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "cli/arguments.h"
#include "sim/pty_watch_host.h"
#include "sim/simulated_watch.h"

namespace kemlog::cli {

inline constexpr uint32_t kDemoSeed = 4170;
inline constexpr int kDemoLogs = 3;
inline constexpr int kDemoPoints = 400;
// Bounds of the simulated watch's logs: per option, and logs × points in all (about 300 MB of
// points in the watch, as many again in flight).
inline constexpr long kMaxDemoLogs = 1000;
inline constexpr long kMaxDemoPoints = 1000000;
inline constexpr long kMaxDemoTotalPoints = 10000000;

struct DemoOptions {
  uint32_t seed = kDemoSeed;
  int logs = kDemoLogs;
  int points = kDemoPoints;
};

// --seed, --logs and --points, with the defaults for those absent. Nothing, with the problem in
// `problem`, when a value is not a number within its bound or logs × points exceeds the total.
std::optional<DemoOptions> ParseDemoOptions(const Arguments& args, std::string& problem);

class DemoWatch {
 public:
  DemoWatch(uint32_t seed, int logs, int pointsPerLog);
  explicit DemoWatch(const DemoOptions& options) : DemoWatch(options.seed, options.logs, options.points) {}
  // Starts serving; false when no pseudo-terminal can be had.
  bool Start() { return host_.Start(); }
  std::string Path() const { return host_.Path(); }

 private:
  sim::SimulatedWatch watch_;
  sim::PtyWatchHost host_{watch_};
};

}  // namespace kemlog::cli
