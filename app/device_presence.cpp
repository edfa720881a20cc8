#include "app/device_presence.h"

#include <algorithm>
#include <string>

#include "device/port_discovery.h"

namespace kemlog::app {

std::optional<bool> IsWatchPresent(platform::DeviceList& devices) {
  const auto usb = devices.PresentUsbDevices();
  if (!usb) return std::nullopt;
  return std::any_of(usb->devices.begin(), usb->devices.end(), [](const platform::PresentDevice& device) {
    return std::any_of(device.hardwareIds.begin(), device.hardwareIds.end(),
                       [](const std::string& id) { return id.find(kWatchHardwareId) != std::string::npos; });
  });
}

void OnDeviceChange(device::DevicePort& port, platform::DeviceList& devices) {
  const std::optional<bool> present = IsWatchPresent(devices);
  if (!present || (*present ? 1 : 0) == port.DevicePresent) return;
  port.DevicePresent = *present ? 1 : 0;
  if (port.FirmwareUpdateActive) {
    if (port.FirmwareTransferActive) port.CloseDevicePort();
    return;
  }
  std::string found;
  device::ScanDevicePorts(port, devices, found);
  if (found != port.portName) port.portName = found;
  port.OpenDevicePort();
  if (port.DevicePresent) port.OpenDevicePort();
}

}  // namespace kemlog::app
