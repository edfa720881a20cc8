#pragma once
// The open port as the protocol code uses it: one-byte and block reads, writes, purge, and the clock
// that times the waits.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/clock.h"
#include "platform/serial.h"

namespace kemlog::device {

// A port that one thread may close while another is using it: every call runs under a lock, and once
// closed, reads and writes fail. Calls are short (the port's time-outs bound them to a few ms), so a
// close waits at most for the call in progress.
class PortHandle {
 public:
  explicit PortHandle(std::shared_ptr<platform::SerialPort> port) : port_(std::move(port)) {}

  int Read(uint8_t* buffer, size_t size);
  int Write(const uint8_t* data, size_t size);
  void Purge();
  // Drops what waits to be read; what was written still goes out.
  void DiscardInput();
  // Drops unread input and closes (what was written still goes out); false when it was closed
  // already.
  bool Close();
  bool IsOpen() const;

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<platform::SerialPort> port_;
};

// What an exchange holds: the port (possibly closed, then reads and writes fail) and the clock.
class DeviceLink {
 public:
  DeviceLink(std::shared_ptr<PortHandle> port, platform::Clock& clock) : port_(std::move(port)), clock_(clock) {}
  // A link over a port that the caller owns and keeps alive (tests, benchmarks).
  DeviceLink(platform::SerialPort* port, platform::Clock& clock);

  bool IsOpen() const { return port_ && port_->IsOpen(); }
  // The byte read, or -1 when none came within the read time-out (or the port failed or is closed).
  int ReadByte();
  // Up to size bytes; 0 when none came, -1 on failure or when closed.
  int Read(uint8_t* buffer, size_t size);
  // Bytes written, or -1.
  int Write(std::string_view bytes);
  int Write(const uint8_t* data, size_t size);
  void Purge();
  void DiscardInput();
  // Closes the port for every link that shares it (as PortHandle::Close); false when it was closed
  // already or there is none.
  bool Close();

  uint32_t TickCount() { return clock_.TickCount(); }
  void Sleep(uint32_t milliseconds) { clock_.Sleep(milliseconds); }

 private:
  std::shared_ptr<PortHandle> port_;
  platform::Clock& clock_;
};

}  // namespace kemlog::device
