#pragma once
// The internet connection check: whether a service on the internet can be reached now.

#include <cstdint>
#include <string>
#include <string_view>

namespace kemlog::platform {

// The host and port of an "http://" or "https://" address (port 80 or 443 unless it names one).
struct ServiceAddress {
  std::string host;
  uint16_t port = 0;
  friend bool operator==(const ServiceAddress&, const ServiceAddress&) = default;
};

// False for other schemes, an empty host, or a port that is not 1-65535.
bool ParseServiceAddress(std::string_view url, ServiceAddress& out);

// A forced connection attempt to the service at `url`: true when a connection could be opened to
// one of its addresses within `timeoutMs` (then closed at once). Blocks its caller; name lookup
// counts against the time only as far as the system's resolver allows.
bool CheckServiceConnection(std::string_view url, int timeoutMs);

}  // namespace kemlog::platform
