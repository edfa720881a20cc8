// The connection check with a non-blocking TCP connect per resolved address.

#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>

#include "platform/network.h"
#include "platform/posix/poll_wait.h"

namespace kemlog::platform {

namespace {

struct Scheme {
  std::string_view prefix;
  uint16_t port;
};
constexpr Scheme kSchemes[] = {{"http://", 80}, {"https://", 443}};

// Closes the socket on every path out.
struct Socket {
  int fd;
  ~Socket() {
    if (fd >= 0) close(fd);
  }
};

struct AddressList {
  addrinfo* list = nullptr;
  ~AddressList() {
    if (list != nullptr) freeaddrinfo(list);
  }
};

// Whether a connection to the address opens before the deadline. An interrupted wait goes on
// waiting for the time that is left.
bool ConnectBefore(const addrinfo& address, SteadyClock::time_point deadline) {
  Socket s{socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol)};
  if (s.fd < 0) return false;
  if (connect(s.fd, address.ai_addr, address.ai_addrlen) == 0) return true;
  if (errno != EINPROGRESS) return false;
  int events = 0;
  while (events == 0) {
    const int left = MillisecondsUntil(deadline);
    if (left == 0) return false;
    events = PollOnce(s.fd, POLLOUT, left);
  }
  if (events < 0) return false;
  // Done, one way or the other (a refusal also reports POLLERR or POLLHUP): the socket's error says which.
  int error = 0;
  socklen_t length = sizeof error;
  return getsockopt(s.fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

}  // namespace

bool ParseServiceAddress(std::string_view url, ServiceAddress& out) {
  for (const Scheme& scheme : kSchemes) {
    if (!url.starts_with(scheme.prefix)) continue;
    std::string_view rest = url.substr(scheme.prefix.size());
    rest = rest.substr(0, rest.find_first_of("/?#"));
    uint16_t port = scheme.port;
    // A bracketed IPv6 literal holds colons of its own.
    const size_t hostEnd = rest.starts_with('[') ? rest.find(']') : 0;
    if (hostEnd == std::string_view::npos) return false;
    if (const size_t colon = rest.find(':', hostEnd); colon != std::string_view::npos) {
      const std::string_view digits = rest.substr(colon + 1);
      unsigned value = 0;
      const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
      if (error != std::errc() || end != digits.data() + digits.size() || value == 0 || value > 65535) return false;
      port = static_cast<uint16_t>(value);
      rest = rest.substr(0, colon);
    }
    if (hostEnd != 0) rest = rest.substr(1, hostEnd - 1);
    if (rest.empty()) return false;
    out = ServiceAddress{std::string(rest), port};
    return true;
  }
  return false;
}

bool CheckServiceConnection(std::string_view url, int timeoutMs) {
  // Name lookup counts against the time too, as far as the resolver lets it be cut short.
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  ServiceAddress service;
  if (!ParseServiceAddress(url, service)) return false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  AddressList addresses;
  const std::string port = std::to_string(service.port);
  if (getaddrinfo(service.host.c_str(), port.c_str(), &hints, &addresses.list) != 0) return false;
  for (const addrinfo* a = addresses.list; a != nullptr; a = a->ai_next) {
    if (MillisecondsUntil(deadline) == 0) break;
    if (ConnectBefore(*a, deadline)) return true;
  }
  return false;
}

}  // namespace kemlog::platform
