#include "sim/pty_watch_host.h"

#include <array>
#include <vector>

#include "platform/clock.h"

namespace kemlog::sim {
namespace {

// Short read waits keep the watch's clock moving and Stop prompt.
constexpr int kReadTimeoutMs = 2;

}  // namespace

PtyWatchHost::PtyWatchHost(SimulatedWatch& watch) : watch_(watch) {}

PtyWatchHost::~PtyWatchHost() { Stop(); }

bool PtyWatchHost::Start() {
  if (thread_.joinable()) return true;
  pty_ = platform::OpenPseudoTerminal();
  if (!pty_) return false;
  {
    std::lock_guard lock(mutex_);
    path_ = pty_->SlavePath();
  }
  stop_ = false;
  thread_ = std::thread([this] { Serve(); });
  return true;
}

// Ends the serving thread and closes the pseudo-terminal, as if the watch were unplugged.
void PtyWatchHost::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  pty_.reset();
}

std::string PtyWatchHost::Path() const {
  std::lock_guard lock(mutex_);
  return path_;
}

void PtyWatchHost::Serve() {
  platform::Clock& clock = platform::SystemClock();
  std::array<uint8_t, 512> buffer{};
  while (!stop_) {
    const int n = pty_->Read(buffer.data(), buffer.size(), kReadTimeoutMs);
    std::vector<uint8_t> out;
    {
      std::lock_guard lock(mutex_);
      const uint32_t now = clock.TickCount();
      if (n > 0) {
        watch_.Receive(buffer.data(), static_cast<size_t>(n), now);
      } else {
        watch_.Advance(now);
      }
      out = watch_.TakeOutput();
    }
    // A write that stalls (nobody reading) loses the bytes, like a line without a listener.
    if (!out.empty()) pty_->WriteAll(out.data(), out.size());
    if (n < 0) clock.Sleep(kReadTimeoutMs);
  }
}

}  // namespace kemlog::sim
