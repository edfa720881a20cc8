#include "device/port_discovery.h"

namespace kemlog::device {
namespace {

// The text between the first "(" and the first ")" after it; empty when either is missing.
std::string BracketedName(const std::string& friendlyName) {
  const size_t open = friendlyName.find('(');
  const size_t close = friendlyName.find(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return {};
  return friendlyName.substr(open + 1, close - open - 1);
}

}  // namespace

int FindDevicePort(platform::DeviceList& devices, std::string& portName) {
  const auto list = devices.PresentDevices();
  if (!list) return 1;
  for (const platform::PresentDevice& device : list->devices) {
    if (device.friendlyName.find(kFriendlyNameMarker) == std::string::npos) continue;
    portName = BracketedName(device.friendlyName);
    return 1;
  }
  return list->complete ? 0 : 1;
}

bool ScanDevicePorts(DevicePort& port, platform::DeviceList& devices, std::string& portName) {
  for (const std::string& name : devices.CandidatePortNames()) {
    if (!devices.PortExists(name) || !port.ProbeDevicePort(name)) continue;
    portName = name;
    return true;
  }
  return false;
}

void EnsureDevicePort(DevicePort& port, platform::DeviceList& devices) {
  if (port.IsOpen()) return;
  if (port.nameFoundAtStart != 0) {
    port.OpenDevicePort();
    return;
  }
  port.foundByScan = ScanDevicePorts(port, devices, port.portName) ? 1 : 0;
  if (port.foundByScan) port.OpenDevicePort();
}

}  // namespace kemlog::device
