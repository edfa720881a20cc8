// The real clock: steady-clock milliseconds and real sleeps.

#include <chrono>
#include <thread>

#include "platform/clock.h"

namespace kemlog::platform {
namespace {

class SteadyTickClock final : public Clock {
 public:
  uint32_t TickCount() override {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<uint32_t>(static_cast<uint64_t>(ms.count()));  // wraps like a tick count
  }
  void Sleep(uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

}  // namespace

Clock& SystemClock() {
  static SteadyTickClock clock;
  return clock;
}

}  // namespace kemlog::platform
