#pragma once
// Finding the watch's port: by the friendly name of its USB serial device, or by probing every
// serial port with the identification request.

#include <string>

#include "device/device_port.h"
#include "platform/devices.h"

namespace kemlog::device {

// The text that marks the watch's serial device in its friendly name.
inline constexpr const char* kFriendlyNameMarker = "Communication Device Class ASF example";

// 1 when a present device's friendly name carries the marker; portName is then the text between the
// name's first "(" and first ")" (empty when a bracket is missing). 0 when no device carries it.
// Also 1, with portName unchanged, when the device list cannot be read or its walk broke off.
int FindDevicePort(platform::DeviceList& devices, std::string& portName);

// Probes every existing candidate port in order; true for the first that answers, which is left
// open, with portName set to it.
bool ScanDevicePorts(DevicePort& port, platform::DeviceList& devices, std::string& portName);

// The connect sequence of the buttons: nothing when the port is open; otherwise reopen the name
// found at start, or scan for the watch and open what the scan found. The caller then looks at
// port.IsOpen().
void EnsureDevicePort(DevicePort& port, platform::DeviceList& devices);

}  // namespace kemlog::device
