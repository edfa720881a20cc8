#pragma once
// Serves the simulated watch on a pseudo-terminal from a thread of its own, in real time, so that the
// program's real serial code can open the slave path like a watch's port.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/pty.h"
#include "sim/simulated_watch.h"

namespace kemlog::sim {

class PtyWatchHost {
 public:
  explicit PtyWatchHost(SimulatedWatch& watch);
  ~PtyWatchHost();  // stops the thread

  // Opens the pseudo-terminal and starts serving; false when no pseudo-terminal can be had.
  bool Start();
  void Stop();
  // The slave path that the program opens, e.g. /dev/pts/3.
  std::string Path() const;

  // Runs f with the watch locked (the serving thread uses it otherwise), e.g. to set a fault.
  template <typename F>
  void WithWatch(F&& f) {
    std::lock_guard lock(mutex_);
    f(watch_);
  }

 private:
  void Serve();
  SimulatedWatch& watch_;
  std::unique_ptr<platform::PseudoTerminal> pty_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;  // guards watch_ and path_
  std::string path_;
};

}  // namespace kemlog::sim
