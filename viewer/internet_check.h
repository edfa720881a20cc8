#pragma once
// The map service's connection check as the log data page asks it, and a way to keep a slow check
// from blocking the page at every paint.

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/clock.h"

namespace kemlog::viewer {

// Whether the map service can be reached now. It blocks its caller while it runs.
using InternetCheck = std::function<bool()>;

// The map service's address that the connection check tries: the host the map page loads the
// service's script from.
inline constexpr const char* kMapServiceAddress = "https://maps.googleapis.com/";

// `check`, asked again only when `intervalMs` have passed since it last failed; in between the
// last failure stands. The page asks at every paint until it succeeds, and a real check can take
// seconds when there is no connection.
InternetCheck ThrottledCheck(InternetCheck check, platform::Clock& clock, uint32_t intervalMs);

}  // namespace kemlog::viewer
