// The internet connection check: addresses parsed from the service's URL, and real connection
// attempts against a listener on this machine.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/network.h"

namespace kemlog::platform {
namespace {

TEST(ParseServiceAddress, TakesHostAndPortFromHttpAndHttpsAddresses) {
  struct Case {
    std::string url;
    bool ok;
    ServiceAddress address;
  };
  const Case cases[] = {
      {"https://maps.googleapis.com/maps/api/js?v=3", true, {"maps.googleapis.com", 443}},
      {"http://example.org", true, {"example.org", 80}},
      {"http://127.0.0.1:8080/x", true, {"127.0.0.1", 8080}},
      {"https://[::1]:8443/", true, {"::1", 8443}},
      {"https://[::1]/", true, {"::1", 443}},
      {"http://host?query", true, {"host", 80}},
      {"ftp://example.org/", false, {}},
      {"https://", false, {}},
      {"https:///path", false, {}},
      {"http://host:0/", false, {}},
      {"http://host:65536/", false, {}},
      {"http://host:80x/", false, {}},
      {"https://[::1/", false, {}},
      {"maps.googleapis.com", false, {}},
  };
  for (const Case& c : cases) {
    ServiceAddress address;
    EXPECT_EQ(ParseServiceAddress(c.url, address), c.ok) << c.url;
    if (c.ok) {
      EXPECT_EQ(address, c.address) << c.url;
    }
  }
}

// A TCP listener on a free port of the loopback interface.
struct Listener {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  uint16_t port = 0;
  Listener() {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 4) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
      return;
    }
    port = ntohs(a.sin_port);
  }
  ~Listener() { close(fd); }
};

TEST(CheckServiceConnection, ReachesAListeningServiceAndNotAClosedPort) {
  uint16_t closedPort = 0;
  {
    Listener l;
    ASSERT_NE(l.port, 0);
    EXPECT_TRUE(CheckServiceConnection("http://127.0.0.1:" + std::to_string(l.port) + "/", 2000));
    closedPort = l.port;
  }
  // The listener is gone: the connection is refused at once.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(CheckServiceConnection("http://127.0.0.1:" + std::to_string(closedPort) + "/", 2000));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(CheckServiceConnection, AnUnknownHostOrABadAddressIsNotReachable) {
  // Names under .invalid never resolve.
  EXPECT_FALSE(CheckServiceConnection("https://kemlog-map.invalid/", 500));
  EXPECT_FALSE(CheckServiceConnection("not a url", 500));
  EXPECT_FALSE(CheckServiceConnection("http://127.0.0.1:0/", 500));
}

}  // namespace
}  // namespace kemlog::platform
