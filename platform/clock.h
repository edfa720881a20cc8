#pragma once
// Millisecond tick count and sleeping.

#include <cstdint>

namespace kemlog::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps around like a 32-bit tick count.
  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

// The real clock (steady clock, real sleeps).
Clock& SystemClock();

}  // namespace kemlog::platform
