#include "device/device_port.h"

#include <utility>

#include "device/sentence.h"

namespace kemlog::device {

DevicePort::DevicePort(platform::SerialOpener opener, platform::Clock& clock)
    : opener_(std::move(opener)), clock_(clock) {}

DevicePort::~DevicePort() { CloseDevicePort(); }

bool DevicePort::CloseDevicePort() {
  if (!port_) return false;
  const bool wasOpen = port_->Close();
  port_.reset();
  return wasOpen;
}

bool DevicePort::OpenAndConfigure(const std::string& name, uint32_t speed) {
  CloseDevicePort();
  if (!opener_ || name.empty()) return false;
  std::unique_ptr<platform::SerialPort> opened = opener_(name, platform::SerialSettings{speed});
  if (!opened) return false;
  port_ = std::make_shared<PortHandle>(std::move(opened));
  return true;
}

bool DevicePort::OpenDevicePort() {
  if (!OpenAndConfigure(portName, lineSpeed)) return false;
  DevicePresent = 1;
  return true;
}

bool DevicePort::ProbeDevicePort(const std::string& name) {
  if (!OpenAndConfigure(name, kDeviceLineSpeed)) return false;
  DeviceLink link = Link();
  SendSentence(link, "PKRV829");
  if (WaitHello(link)) return true;
  CloseDevicePort();
  return false;
}

}  // namespace kemlog::device
