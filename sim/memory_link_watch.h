#pragma once
// The simulated watch at the far end of an in-memory serial link.

#include "platform/headless/memory_link.h"
#include "sim/simulated_watch.h"

namespace kemlog::sim {

class MemoryLinkWatch : public platform::headless::LinkPeer {
 public:
  MemoryLinkWatch(SimulatedWatch& watch, platform::headless::MemoryLink& link);
  ~MemoryLinkWatch() override;
  void OnBytesFromProgram(const uint8_t* data, size_t size, uint32_t now) override;
  void OnTime(uint32_t now) override;

 private:
  void Flush();
  SimulatedWatch& watch_;
  platform::headless::MemoryLink& link_;
};

}  // namespace kemlog::sim
