#include "device/device_port.h"

#include <utility>

namespace kemlog::device {

DevicePort::DevicePort(platform::SerialOpener opener, platform::Clock& clock)
    : opener_(std::move(opener)), clock_(clock) {}

DevicePort::~DevicePort() { CloseDevicePort(); }

bool DevicePort::CloseDevicePort() {
  if (!port_) return false;
  port_->Purge();
  port_.reset();
  return true;
}

bool DevicePort::OpenAndConfigure(const std::string& name, uint32_t speed) {
  CloseDevicePort();
  if (!opener_ || name.empty()) return false;
  port_ = opener_(name, platform::SerialSettings{speed});
  return port_ != nullptr;
}

bool DevicePort::OpenDevicePort() {
  if (!OpenAndConfigure(portName, lineSpeed)) return false;
  DevicePresent = 1;
  return true;
}

}  // namespace kemlog::device
