#pragma once
// The one open serial handle to the watch, with the name it was opened under.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "device/device_link.h"
#include "platform/clock.h"
#include "platform/serial.h"

namespace kemlog::device {

// Line speed of the watch's port, for the probe and for opening alike.
inline constexpr uint32_t kDeviceLineSpeed = 115200;

class DevicePort {
 public:
  DevicePort(platform::SerialOpener opener, platform::Clock& clock);
  ~DevicePort();
  DevicePort(const DevicePort&) = delete;
  DevicePort& operator=(const DevicePort&) = delete;

  std::string portName;
  uint32_t lineSpeed = kDeviceLineSpeed;
  int nameFoundAtStart = 0;
  int foundByScan = 0;
  std::atomic<int> DevicePresent{0};
  // A firmware update is in its transfer phase / its worker is sending (read by presence tracking).
  std::atomic<int> FirmwareUpdateActive{0};
  std::atomic<int> FirmwareTransferActive{0};

  bool IsOpen() const { return port_ && port_->IsOpen(); }
  // Closes any open port, opens portName with lineSpeed; on success the watch counts as present.
  bool OpenDevicePort();
  // True when a port was open and has been closed; unread input is dropped, written bytes still go
  // out. Safe while another thread runs an exchange on the port: that exchange's reads and writes
  // fail from then on.
  bool CloseDevicePort();
  // Opens name at the probe's speed, sends the identification request and keeps the port open only
  // when the watch identifies itself. Leaves portName and DevicePresent alone.
  bool ProbeDevicePort(const std::string& name);
  // Opens portName for the boot loader (same line settings as the probe); DevicePresent untouched.
  bool OpenBootLoaderPort() { return OpenAndConfigure(portName, kDeviceLineSpeed); }
  // The current port (closed links fail every read and write) for an exchange.
  DeviceLink Link() { return DeviceLink(port_, clock_); }
  platform::Clock& Clock() { return clock_; }

 private:
  bool OpenAndConfigure(const std::string& name, uint32_t speed);

  platform::SerialOpener opener_;
  platform::Clock& clock_;
  std::shared_ptr<PortHandle> port_;
};

}  // namespace kemlog::device
