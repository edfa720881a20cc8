#pragma once
// Small helpers for the tests that drive a pseudo-terminal directly.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/unique_fd.h"

namespace kemlog::platform::test {

using Clock = std::chrono::steady_clock;

inline double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline UniqueFd OpenRaw(const std::string& path) {
  return UniqueFd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
}

// Reads from fd until `count` bytes came or `timeoutMs` passed without any.
inline std::vector<uint8_t> ReadFd(int fd, size_t count, int timeoutMs = 500) {
  std::vector<uint8_t> out;
  uint8_t chunk[4096];
  while (out.size() < count) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) break;
    const ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, count - out.size()));
    if (n <= 0) break;
    out.insert(out.end(), chunk, chunk + n);
  }
  return out;
}

inline std::vector<uint8_t> Pattern(size_t count) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>((i * 7 + i / 256) & 0xFF);
  return bytes;
}

}  // namespace kemlog::platform::test
