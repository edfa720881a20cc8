// The internet connection check: addresses parsed from the service's URL, and real connection
// attempts against a listener on this machine.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

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
  explicit Listener(int backlog = 4) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, backlog) != 0 ||
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

// Connections made to the listener and never accepted until its queue takes no more: a further
// connection attempt then goes unanswered until the queue has room again.
std::vector<int> FillAcceptQueue(const Listener& l) {
  std::vector<int> clients;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(l.port);
  for (int i = 0; i < 16; ++i) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    pollfd p{fd, POLLOUT, 0};
    if (poll(&p, 1, 200) != 1) {  // unanswered: the queue is full
      close(fd);
      break;
    }
    clients.push_back(fd);
  }
  return clients;
}

TEST(CheckServiceConnection, AnUnansweredConnectionGivesUpWhenTheTimeIsUp) {
  Listener l(0);
  ASSERT_NE(l.port, 0);
  const std::vector<int> clients = FillAcceptQueue(l);
  const std::string url = "http://127.0.0.1:" + std::to_string(l.port) + "/";
  for (const int timeoutMs : {0, 300}) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CheckServiceConnection(url, timeoutMs)) << timeoutMs;
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(timeoutMs)) << timeoutMs;
    EXPECT_LT(elapsed, std::chrono::milliseconds(timeoutMs + 700)) << timeoutMs;
  }
  for (const int fd : clients) close(fd);
}

TEST(CheckServiceConnection, ASignalDuringTheWaitDoesNotEndIt) {
  struct sigaction action {};
  action.sa_handler = [](int) {};
  sigemptyset(&action.sa_mask);
  struct sigaction previous {};
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

  Listener l(0);
  ASSERT_NE(l.port, 0);
  std::vector<int> clients = FillAcceptQueue(l);
  ASSERT_FALSE(clients.empty());
  // Interrupts the check's wait, then makes room in the queue; the connect's next try gets in.
  const pthread_t checker = pthread_self();
  std::thread helper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    pthread_kill(checker, SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    fcntl(l.fd, F_SETFL, O_NONBLOCK);
    for (int accepted; (accepted = accept(l.fd, nullptr, nullptr)) >= 0;) clients.push_back(accepted);
  });
  EXPECT_TRUE(CheckServiceConnection("http://127.0.0.1:" + std::to_string(l.port) + "/", 5000));
  helper.join();
  for (const int fd : clients) close(fd);
  sigaction(SIGUSR1, &previous, nullptr);
}

}  // namespace
}  // namespace kemlog::platform
