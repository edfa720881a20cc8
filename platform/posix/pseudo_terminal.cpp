// Pseudo-terminal master in raw, non-blocking mode.

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <thread>

#include "platform/posix/poll_wait.h"
#include "platform/posix/raw_line.h"
#include "platform/posix/unique_fd.h"
#include "platform/pty.h"

namespace kemlog::platform {
namespace {

// While no slave is open the master reports a hang-up at once; instead of spinning on it we nap in
// slices this long, so that a slave that opens meanwhile is still noticed soon.
constexpr int kNoSlaveNapMs = 5;
// WriteAll gives up when the line takes no byte for this long.
constexpr auto kWriteStallLimit = std::chrono::seconds(2);

void Nap(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

std::string SlaveName(int master) {
  char name[128] = {};
#if defined(__GLIBC__)
  if (::ptsname_r(master, name, sizeof name) != 0) return {};
  return name;
#else
  const char* shared = ::ptsname(master);
  return shared ? std::string(shared) : std::string();
#endif
}

class PosixPseudoTerminal final : public PseudoTerminal {
 public:
  PosixPseudoTerminal(UniqueFd master, std::string slavePath)
      : master_(std::move(master)), slavePath_(std::move(slavePath)) {}

  const std::string& SlavePath() const override { return slavePath_; }

  int Read(uint8_t* buffer, size_t size, int timeoutMs) override {
    if (size == 0) return 0;
    const size_t want = std::min<size_t>(size, INT_MAX);
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
      const ssize_t n = ::read(master_.Get(), buffer, want);
      if (n > 0) return static_cast<int>(n);
      if (n < 0 && errno == EINTR) continue;
      // EIO: no slave is open (yet, or any more); not a failure of the terminal itself.
      const bool noSlave = n == 0 || errno == EIO;
      if (n < 0 && !noSlave && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
      const int left = MillisecondsUntil(deadline);
      if (left == 0) return 0;
      if (noSlave) {
        Nap(std::min(left, kNoSlaveNapMs));
        continue;
      }
      const int events = PollOnce(master_.Get(), POLLIN, left);
      if (events < 0 || (events & POLLNVAL)) return -1;
      if ((events & (POLLHUP | POLLERR)) && !(events & POLLIN)) Nap(std::min(left, kNoSlaveNapMs));
    }
  }

  bool WriteAll(const uint8_t* data, size_t size) override {
    auto deadline = SteadyClock::now() + kWriteStallLimit;
    size_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(master_.Get(), data + done, size - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
        deadline = SteadyClock::now() + kWriteStallLimit;
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
      const int left = MillisecondsUntil(deadline);
      if (left == 0) return false;
      const int events = PollOnce(master_.Get(), POLLOUT, left);
      if (events < 0 || (events & (POLLNVAL | POLLERR))) return false;
      if ((events & POLLHUP) && !(events & POLLOUT)) Nap(std::min(left, kNoSlaveNapMs));
    }
    return true;
  }

 private:
  UniqueFd master_;
  std::string slavePath_;
};

}  // namespace

std::unique_ptr<PseudoTerminal> OpenPseudoTerminal() {
  UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY));
  if (!master.Valid()) return nullptr;
  if (::grantpt(master.Get()) != 0 || ::unlockpt(master.Get()) != 0) return nullptr;
  std::string slave = SlaveName(master.Get());
  if (slave.empty()) return nullptr;

  // Settings made through the master apply to the line, so the slave starts raw.
  termios line{};
  if (::tcgetattr(master.Get(), &line) == 0) {
    MakeRaw(line);
    ::tcsetattr(master.Get(), TCSANOW, &line);
  }
  const int flags = ::fcntl(master.Get(), F_GETFL);
  if (flags < 0 || ::fcntl(master.Get(), F_SETFL, flags | O_NONBLOCK) != 0) return nullptr;
  ::fcntl(master.Get(), F_SETFD, FD_CLOEXEC);
  return std::make_unique<PosixPseudoTerminal>(std::move(master), std::move(slave));
}

}  // namespace kemlog::platform
