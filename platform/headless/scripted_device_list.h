#pragma once
// A device list that tests script: devices plugged in and pulled out, serial ports that exist, and
// the change notices that follow.

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/devices.h"
#include "platform/headless/memory_link.h"

namespace kemlog::platform::headless {

class ScriptedDeviceList : public DeviceList {
 public:
  std::optional<DeviceEnumeration> PresentDevices() override;
  std::optional<DeviceEnumeration> PresentUsbDevices() override;
  std::vector<std::string> CandidatePortNames() override;
  bool PortExists(const std::string& name) override;
  void WatchChanges(std::function<void()> onChange) override;

  // Adds a device (and its serial port name, when given) and sends a change notice.
  void Plug(const PresentDevice& device, const std::string& portName = "", bool usb = true);
  // Removes the device whose friendly name is given, with its port, and sends a change notice.
  void Unplug(const std::string& friendlyName);
  // A serial port that exists without any device of interest (e.g. a built-in COM port).
  void AddPort(const std::string& name);

  // Failure modes of the list itself.
  bool listUnreadable = false;
  bool walkBreaksOff = false;
  // The names a scan walks through; COM0..COM254 unless a test sets its own.
  std::vector<std::string> candidates;

  int PresentDevicesCalls() const { return presentCalls_; }
  int PortExistsCalls() const { return existsCalls_; }

 private:
  struct Entry {
    PresentDevice device;
    std::string port;
    bool usb;
  };
  std::optional<DeviceEnumeration> Enumerate(bool usbOnly);
  void Notify();

  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  std::set<std::string> ports_;
  std::function<void()> onChange_;
  int presentCalls_ = 0;
  int existsCalls_ = 0;
};

// The simulated watch's friendly name and hardware ids as the real device shows them.
PresentDevice WatchDevice(const std::string& portName);

// An opener that opens the program's end of the link registered for a port name.
SerialOpener LinkOpener(std::map<std::string, MemoryLink*> links);

}  // namespace kemlog::platform::headless
