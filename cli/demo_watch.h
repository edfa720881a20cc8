#pragma once
// The simulated watch served on a pseudo-terminal, for --demo and the sim command.

#include <cstdint>
#include <memory>
#include <string>

#include "sim/pty_watch_host.h"
#include "sim/simulated_watch.h"

namespace kemlog::cli {

inline constexpr uint32_t kDemoSeed = 4170;
inline constexpr int kDemoLogs = 3;
inline constexpr int kDemoPoints = 400;

class DemoWatch {
 public:
  DemoWatch(uint32_t seed, int logs, int pointsPerLog);
  // Starts serving; false when no pseudo-terminal can be had.
  bool Start() { return host_.Start(); }
  std::string Path() const { return host_.Path(); }

 private:
  sim::SimulatedWatch watch_;
  sim::PtyWatchHost host_{watch_};
};

}  // namespace kemlog::cli
