#pragma once
// The open port as the protocol code uses it: one-byte and block reads, writes, purge, and the clock
// that times the waits. A link without a port behaves like a closed handle: reads and writes fail.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/clock.h"
#include "platform/serial.h"

namespace kemlog::device {

class DeviceLink {
 public:
  DeviceLink(platform::SerialPort* port, platform::Clock& clock) : port_(port), clock_(clock) {}

  bool IsOpen() const { return port_ != nullptr; }
  // The byte read, or -1 when none came within the read time-out (or the port failed).
  int ReadByte();
  // Up to size bytes; 0 when none came, -1 on failure or no port.
  int Read(uint8_t* buffer, size_t size);
  void Write(std::string_view bytes);
  void Write(const uint8_t* data, size_t size);
  void Purge();

  uint32_t TickCount() { return clock_.TickCount(); }
  void Sleep(uint32_t milliseconds) { clock_.Sleep(milliseconds); }
  platform::Clock& Clock() { return clock_; }

 private:
  platform::SerialPort* port_;
  platform::Clock& clock_;
};

}  // namespace kemlog::device
