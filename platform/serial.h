#pragma once
// Serial ports as the device link sees them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kemlog::platform {

// Line settings of the watch's port. Everything else is fixed: 8 data bits, no parity, one stop
// bit, raw bytes, no flow control of any kind, DTR and RTS off.
struct SerialSettings {
  uint32_t baudRate = 115200;
};

// An open serial port.
//
// Read time-outs follow the watch's settings: 1 ms between bytes, 1 ms per byte asked plus 1 ms in
// all. So a one-byte read returns at once when a byte waits and after about 2 ms otherwise; a read
// of n bytes returns what arrived within about n + 1 ms.
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Number of bytes read (0 when none arrived in time), or -1 when the port has failed.
  virtual int Read(uint8_t* buffer, size_t size) = 0;
  // Number of bytes written, or -1.
  virtual int Write(const uint8_t* data, size_t size) = 0;
  // Drops what waits in both directions, including bytes buffered by the backend itself.
  virtual void Purge() = 0;
  // Drops what waits to be read. Destroying a port closes it the same way: unread input is dropped,
  // while bytes already written still go out (the last command before a close must not be lost).
  virtual void DiscardInput() = 0;
};

// Opens a port by name; nullptr when it cannot be opened.
using SerialOpener =
    std::function<std::unique_ptr<SerialPort>(const std::string& name, const SerialSettings& settings)>;

// The operating system's ports. On posix the name is a device path such as /dev/ttyACM0 (a bare
// name such as ttyACM0 is looked up under /dev).
std::unique_ptr<SerialPort> OpenSerialPort(const std::string& name, const SerialSettings& settings);

}  // namespace kemlog::platform
