#pragma once
// The simulated watch at the far end of an in-memory serial link.

#include <mutex>

#include "platform/headless/memory_link.h"
#include "sim/simulated_watch.h"

namespace kemlog::sim {

class MemoryLinkWatch : public platform::headless::LinkPeer {
 public:
  MemoryLinkWatch(SimulatedWatch& watch, platform::headless::MemoryLink& link);
  ~MemoryLinkWatch() override;
  void OnBytesFromProgram(const uint8_t* data, size_t size, uint32_t now) override;
  void OnTime(uint32_t now) override;

  // Runs f with the watch locked: the program's threads reach it through the link meanwhile.
  template <typename F>
  void WithWatch(F&& f) {
    std::lock_guard lock(mutex_);
    f(watch_);
  }

 private:
  void Flush();
  SimulatedWatch& watch_;
  platform::headless::MemoryLink& link_;
  std::mutex mutex_;  // guards watch_
};

}  // namespace kemlog::sim
