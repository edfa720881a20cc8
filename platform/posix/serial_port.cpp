// Serial ports over termios, with the watch's read time-outs built from poll.

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <utility>

#include "platform/posix/poll_wait.h"
#include "platform/posix/raw_line.h"
#include "platform/posix/unique_fd.h"
#include "platform/serial.h"

namespace kemlog::platform {
namespace {

using std::chrono::milliseconds;

// Gap between bytes that ends a read once a byte has come.
constexpr int kIntervalMs = 1;
// Writes get 1 ms per byte plus 1 ms, but never less than this, so that short writes survive a
// moment of scheduling delay while a stuck line still cannot hold a write forever.
constexpr milliseconds kMinimumWriteTime{100};
constexpr speed_t kFallbackSpeed = B115200;

struct SpeedEntry {
  uint32_t baud;
  speed_t code;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

speed_t SpeedCode(uint32_t baud) {
  const auto* it = std::find_if(std::begin(kSpeeds), std::end(kSpeeds),
                                [baud](const SpeedEntry& e) { return e.baud == baud; });
  return it != std::end(kSpeeds) ? it->code : kFallbackSpeed;
}

std::string DevicePath(const std::string& name) {
  return name.find('/') == std::string::npos ? "/dev/" + name : name;
}

// 8N1, raw, receiver on, modem status lines ignored, no flow control in either direction. False
// when the line's settings cannot be read or set (not a terminal, or the driver refused them).
bool ConfigureLine(int fd, const SerialSettings& settings) {
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return false;
  MakeRaw(t);
  t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  const speed_t speed = SpeedCode(settings.baudRate);
  ::cfsetispeed(&t, speed);
  ::cfsetospeed(&t, speed);
  if (::tcsetattr(fd, TCSANOW, &t) != 0) return false;
  // DTR and RTS off. Lines without modem control (pseudo-terminals) refuse this; that is fine.
  int lines = TIOCM_DTR | TIOCM_RTS;
  ::ioctl(fd, TIOCMBIC, &lines);
  return true;
}

class PosixSerialPort final : public SerialPort {
 public:
  explicit PosixSerialPort(UniqueFd fd) : fd_(std::move(fd)) {}
  // Drops unread input (what was written still goes out), then gives up the exclusive hold and
  // closes. A pseudo-terminal's slave outlives our close while its master stays open, and would
  // otherwise stay locked against the next open.
  ~PosixSerialPort() override {
    DiscardInput();
    ::ioctl(fd_.Get(), TIOCNXCL);
  }

  int Read(uint8_t* buffer, size_t size) override {
    if (size == 0) return 0;
    const size_t want = std::min<size_t>(size, INT_MAX - 1);
    if (Buffered() > 0) return ReadWaiting(buffer, want);

    const auto deadline = SteadyClock::now() + milliseconds(want + 1);
    size_t got = 0;
    while (got < want) {
      const int left = MillisecondsUntil(deadline);
      if (left == 0) break;
      const Fill result = FillBuffer(got == 0 ? left : std::min(left, kIntervalMs));
      if (result == Fill::Failed) return got > 0 ? static_cast<int>(got) : -1;
      if (result == Fill::TimedOut && got > 0) break;
      got += TakeBuffered(buffer + got, want - got);
    }
    return static_cast<int>(got);
  }

  int Write(const uint8_t* data, size_t size) override {
    const size_t want = std::min<size_t>(size, INT_MAX - 1);
    const auto deadline = SteadyClock::now() + std::max(milliseconds(want + 1), kMinimumWriteTime);
    size_t done = 0;
    while (done < want) {
      const ssize_t n = ::write(fd_.Get(), data + done, want - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
      const int left = MillisecondsUntil(deadline);
      if (left == 0) break;  // time-out: report what went out
      const int events = PollOnce(fd_.Get(), POLLOUT, left);
      if (events < 0 || (events & (POLLERR | POLLHUP | POLLNVAL))) return -1;
    }
    return static_cast<int>(done);
  }

  void DiscardInput() override {
    ::tcflush(fd_.Get(), TCIFLUSH);
    head_ = tail_ = 0;
  }

  void Purge() override {
    ::tcflush(fd_.Get(), TCIOFLUSH);
    head_ = tail_ = 0;
  }

 private:
  enum class Fill { Filled, TimedOut, Failed };

  size_t Buffered() const { return tail_ - head_; }

  size_t TakeBuffered(uint8_t* out, size_t size) {
    const size_t n = std::min(size, Buffered());
    std::memcpy(out, buffer_.data() + head_, n);
    head_ += n;
    if (head_ == tail_) head_ = tail_ = 0;
    return n;
  }

  // Bytes are already here: hand them out, topped up with whatever the line holds right now.
  int ReadWaiting(uint8_t* out, size_t size) {
    size_t got = TakeBuffered(out, size);
    while (got < size && FillBuffer(0) == Fill::Filled) got += TakeBuffered(out + got, size - got);
    return static_cast<int>(got);
  }

  // Waits up to timeoutMs for bytes and reads what the line holds into the empty buffer.
  Fill FillBuffer(int timeoutMs) {
    const int events = PollOnce(fd_.Get(), POLLIN, timeoutMs);
    if (events < 0 || (events & POLLNVAL)) return Fill::Failed;
    if (events == 0) return Fill::TimedOut;
    if (!(events & POLLIN)) return Fill::Failed;  // hang-up or error with nothing to read
    const ssize_t n = ::read(fd_.Get(), buffer_.data(), buffer_.size());
    if (n > 0) {
      head_ = 0;
      tail_ = static_cast<size_t>(n);
      return Fill::Filled;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return Fill::TimedOut;
    return Fill::Failed;  // end of file (the other side hung up) or a read error
  }

  UniqueFd fd_;
  std::array<uint8_t, 4096> buffer_{};
  size_t head_ = 0;  // next byte to hand out
  size_t tail_ = 0;  // end of the bytes read
};

}  // namespace

std::unique_ptr<SerialPort> OpenSerialPort(const std::string& name, const SerialSettings& settings) {
  if (name.empty()) return nullptr;
  UniqueFd fd(::open(DevicePath(name).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return nullptr;
  // Nobody else may open the line while we hold it.
  ::ioctl(fd.Get(), TIOCEXCL);
  // A line left in some other mode would garble or hold up the watch's replies.
  if (!ConfigureLine(fd.Get(), settings)) {
    ::ioctl(fd.Get(), TIOCNXCL);
    return nullptr;
  }
  return std::make_unique<PosixSerialPort>(std::move(fd));
}

}  // namespace kemlog::platform
