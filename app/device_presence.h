#pragma once
// Following the watch being plugged in and pulled out: the device-change handler's logic.

#include <optional>

#include "device/device_port.h"
#include "platform/devices.h"

namespace kemlog::app {

// The watch's USB identity as it appears in a hardware id.
inline constexpr const char* kWatchHardwareId = "VID_03EB&PID_2404";

// Whether one of the present USB devices is the watch; nothing when the list cannot be had.
std::optional<bool> IsWatchPresent(platform::DeviceList& devices);

// Runs for every device-change notice. When the watch's presence changed: during a firmware
// transfer only closes the port (the transfer worker notices and stops); during the rest of a
// firmware update only notes the presence; otherwise scans for the watch's port and opens it, so
// that it ends open when the watch came and closed (with an empty name) when it went.
void OnDeviceChange(device::DevicePort& port, platform::DeviceList& devices);

}  // namespace kemlog::app
