#include "sim/headless_watch_device.h"

namespace kemlog::sim {

HeadlessWatchDevice::HeadlessWatchDevice(platform::headless::VirtualClock& clock, std::vector<WatchLog> logs)
    : watch_(std::move(logs)), link_(clock), peer_(watch_, link_) {
  // Not plugged in yet: the line is dead until Plug.
  link_.Unplug();
  peer_.WithWatch([](SimulatedWatch& w) { w.Unplug(); });
}

HeadlessWatchDevice::~HeadlessWatchDevice() { Unplug(); }

void HeadlessWatchDevice::Plug(platform::headless::ScriptedDeviceList& list, const std::string& portName) {
  {
    std::lock_guard lock(mutex_);
    if (list_ != nullptr) return;
    list_ = &list;
    portName_ = portName;
  }
  peer_.WithWatch([](SimulatedWatch& w) { w.Replug(); });
  link_.Replug();
  list.Plug(platform::headless::WatchDevice(portName), portName);
}

// The line fails before the notice goes out, so that whoever reacts to it finds the port dead.
void HeadlessWatchDevice::Unplug() {
  platform::headless::ScriptedDeviceList* list = nullptr;
  std::string name;
  {
    std::lock_guard lock(mutex_);
    if (list_ == nullptr) return;
    list = list_;
    name = portName_;
    list_ = nullptr;
    portName_.clear();
  }
  link_.Unplug();
  peer_.WithWatch([](SimulatedWatch& w) { w.Unplug(); });
  list->Unplug(platform::headless::WatchDevice(name).friendlyName);
}

bool HeadlessWatchDevice::Plugged() const {
  std::lock_guard lock(mutex_);
  return list_ != nullptr;
}

std::string HeadlessWatchDevice::PortName() const {
  std::lock_guard lock(mutex_);
  return portName_;
}

platform::SerialOpener HeadlessWatchDevice::Opener() {
  return [this](const std::string& name, const platform::SerialSettings&) -> std::unique_ptr<platform::SerialPort> {
    {
      std::lock_guard lock(mutex_);
      if (list_ == nullptr || name != portName_) return nullptr;
    }
    return link_.OpenProgramPort();
  };
}

}  // namespace kemlog::sim
