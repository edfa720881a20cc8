#include "sim/memory_link_watch.h"

namespace kemlog::sim {

MemoryLinkWatch::MemoryLinkWatch(SimulatedWatch& watch, platform::headless::MemoryLink& link)
    : watch_(watch), link_(link) {
  link_.Attach(this);
}

MemoryLinkWatch::~MemoryLinkWatch() { link_.Attach(nullptr); }

void MemoryLinkWatch::OnBytesFromProgram(const uint8_t* data, size_t size, uint32_t now) {
  std::lock_guard lock(mutex_);
  watch_.Receive(data, size, now);
  Flush();
}

void MemoryLinkWatch::OnTime(uint32_t now) {
  std::lock_guard lock(mutex_);
  watch_.Advance(now);
  Flush();
}

// What the watch answered goes onto the line at once. The link never calls its peer while it holds
// its own lock, so taking it here, under ours, cannot deadlock.
void MemoryLinkWatch::Flush() {
  const std::vector<uint8_t> out = watch_.TakeOutput();
  if (!out.empty()) link_.SendToProgram(out.data(), out.size());
}

}  // namespace kemlog::sim
