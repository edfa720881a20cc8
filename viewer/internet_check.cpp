#include "viewer/internet_check.h"

#include <memory>
#include <utility>

namespace kemlog::viewer {

InternetCheck ThrottledCheck(InternetCheck check, platform::Clock& clock, uint32_t intervalMs) {
  auto lastFailure = std::make_shared<std::optional<uint32_t>>();
  return [check = std::move(check), &clock, intervalMs, lastFailure]() -> bool {
    if (!check) return false;
    const uint32_t now = clock.TickCount();
    if (*lastFailure && now - **lastFailure < intervalMs) return false;
    if (check()) {
      lastFailure->reset();
      return true;
    }
    *lastFailure = clock.TickCount();
    return false;
  };
}

}  // namespace kemlog::viewer
