#pragma once
// The devices present on the machine, the serial port names, and notices of devices coming and going.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kemlog::platform {

struct PresentDevice {
  std::string friendlyName;              // empty when the device has none
  std::vector<std::string> hardwareIds;  // e.g. "USB\VID_03EB&PID_2404&REV_0110", "USB\VID_03EB&PID_2404"
};

// One walk over a device list. `complete` is false when the walk broke off with an error before the
// end of the list; the devices seen until then are kept.
struct DeviceEnumeration {
  std::vector<PresentDevice> devices;
  bool complete = true;
};

class DeviceList {
 public:
  virtual ~DeviceList() = default;

  // All present devices of every kind; nothing when the list cannot be had at all.
  virtual std::optional<DeviceEnumeration> PresentDevices() = 0;
  // The present USB devices; nothing when the list cannot be had.
  virtual std::optional<DeviceEnumeration> PresentUsbDevices() = 0;
  // The serial port names that a scan probes, in its fixed ascending order (COM0..COM254 on
  // Windows; /dev/ttyACM*, /dev/ttyUSB*, /dev/ttyS* on Linux).
  virtual std::vector<std::string> CandidatePortNames() = 0;
  // Whether a serial port of that name exists now.
  virtual bool PortExists(const std::string& name) = 0;

  // Calls onChange (on a thread of the backend's choosing; the caller posts it to its own thread)
  // after devices came or went. Replaces an earlier handler; an empty function stops the notices.
  virtual void WatchChanges(std::function<void()> onChange) = 0;
};

// The operating system's device list (posix: sysfs and kernel uevents).
std::unique_ptr<DeviceList> SystemDeviceList();

}  // namespace kemlog::platform
