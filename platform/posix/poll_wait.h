#pragma once
// Time-limited waits on one file descriptor, shared by the serial port and the pseudo-terminal.

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace kemlog::platform {

using SteadyClock = std::chrono::steady_clock;

// Milliseconds left until the deadline, rounded up so that a wait never ends before it; 0 once due.
inline int MillisecondsUntil(SteadyClock::time_point deadline) {
  const auto left = deadline - SteadyClock::now();
  if (left <= SteadyClock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(std::min<decltype(ms)>(ms, 1 << 30));
}

// Polls fd for events up to timeoutMs. Returns the reported events, 0 on time-out or interruption
// (the caller recomputes its time left and polls again), or -1 when poll itself failed.
inline int PollOnce(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  const int r = ::poll(&p, 1, timeoutMs);
  if (r < 0) return errno == EINTR ? 0 : -1;
  return r == 0 ? 0 : p.revents;
}

}  // namespace kemlog::platform
