#include "platform/headless/scripted_device_list.h"

#include <algorithm>

namespace kemlog::platform::headless {

std::optional<DeviceEnumeration> ScriptedDeviceList::Enumerate(bool usbOnly) {
  std::lock_guard lock(mutex_);
  if (listUnreadable) return std::nullopt;
  DeviceEnumeration list;
  for (const Entry& e : entries_)
    if (!usbOnly || e.usb) list.devices.push_back(e.device);
  list.complete = !walkBreaksOff;
  return list;
}

std::optional<DeviceEnumeration> ScriptedDeviceList::PresentDevices() {
  {
    std::lock_guard lock(mutex_);
    ++presentCalls_;
  }
  return Enumerate(false);
}

std::optional<DeviceEnumeration> ScriptedDeviceList::PresentUsbDevices() { return Enumerate(true); }

std::vector<std::string> ScriptedDeviceList::CandidatePortNames() {
  std::lock_guard lock(mutex_);
  if (!candidates.empty()) return candidates;
  std::vector<std::string> names;
  for (int n = 0; n <= 254; ++n) names.push_back("COM" + std::to_string(n));
  return names;
}

bool ScriptedDeviceList::PortExists(const std::string& name) {
  std::lock_guard lock(mutex_);
  ++existsCalls_;
  return ports_.count(name) != 0;
}

void ScriptedDeviceList::WatchChanges(std::function<void()> onChange) {
  std::lock_guard lock(mutex_);
  onChange_ = std::move(onChange);
}

void ScriptedDeviceList::Plug(const PresentDevice& device, const std::string& portName, bool usb) {
  {
    std::lock_guard lock(mutex_);
    entries_.push_back({device, portName, usb});
    if (!portName.empty()) ports_.insert(portName);
  }
  Notify();
}

void ScriptedDeviceList::Unplug(const std::string& friendlyName) {
  {
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const Entry& e) { return e.device.friendlyName == friendlyName; });
    if (it == entries_.end()) return;
    if (!it->port.empty()) ports_.erase(it->port);
    entries_.erase(it);
  }
  Notify();
}

void ScriptedDeviceList::AddPort(const std::string& name) {
  std::lock_guard lock(mutex_);
  ports_.insert(name);
}

void ScriptedDeviceList::Notify() {
  std::function<void()> handler;
  {
    std::lock_guard lock(mutex_);
    handler = onChange_;
  }
  if (handler) handler();
}

PresentDevice WatchDevice(const std::string& portName) {
  return {"Communication Device Class ASF example (" + portName + ")",
          {"USB\\VID_03EB&PID_2404&REV_0110", "USB\\VID_03EB&PID_2404"}};
}

SerialOpener LinkOpener(std::map<std::string, MemoryLink*> links) {
  return [links = std::move(links)](const std::string& name, const SerialSettings&) -> std::unique_ptr<SerialPort> {
    const auto it = links.find(name);
    return it == links.end() ? nullptr : it->second->OpenProgramPort();
  };
}

}  // namespace kemlog::platform::headless
