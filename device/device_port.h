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

  bool IsOpen() const { return port_ != nullptr; }
  // Closes any open port, opens portName with lineSpeed; on success the watch counts as present.
  bool OpenDevicePort();
  // True when a port was open and has been purged and closed.
  bool CloseDevicePort();
  // The open port (or a closed link, whose reads and writes fail) for an exchange.
  DeviceLink Link() { return DeviceLink(port_.get(), clock_); }

 private:
  bool OpenAndConfigure(const std::string& name, uint32_t speed);

  platform::SerialOpener opener_;
  platform::Clock& clock_;
  std::unique_ptr<platform::SerialPort> port_;
};

}  // namespace kemlog::device
