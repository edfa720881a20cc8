#pragma once
// A clock whose time moves only when code sleeps or a link read waits.

#include <atomic>
#include <cstdint>

#include "platform/clock.h"

namespace kemlog::platform::headless {

class VirtualClock : public Clock {
 public:
  uint32_t TickCount() override { return now_.load(); }
  void Sleep(uint32_t milliseconds) override { now_.fetch_add(milliseconds); }
  void Advance(uint32_t milliseconds) { now_.fetch_add(milliseconds); }

 private:
  std::atomic<uint32_t> now_{0};
};

}  // namespace kemlog::platform::headless
