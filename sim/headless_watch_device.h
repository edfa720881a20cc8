#pragma once
// The simulated watch as a plugged-in device without any hardware: the watch, its in-memory serial
// line on a virtual clock, and its entry in a scripted device list. Tests and the demo plug it in and
// pull it out; the program finds it through the list and opens its port through Opener().

#include <mutex>
#include <string>
#include <vector>

#include "platform/headless/memory_link.h"
#include "platform/headless/scripted_device_list.h"
#include "platform/headless/virtual_clock.h"
#include "platform/serial.h"
#include "sim/memory_link_watch.h"
#include "sim/simulated_watch.h"

namespace kemlog::sim {

class HeadlessWatchDevice {
 public:
  HeadlessWatchDevice(platform::headless::VirtualClock& clock, std::vector<WatchLog> logs);
  // Pulls the watch out if it is plugged (with the list's change notice).
  ~HeadlessWatchDevice();
  HeadlessWatchDevice(const HeadlessWatchDevice&) = delete;
  HeadlessWatchDevice& operator=(const HeadlessWatchDevice&) = delete;

  // Plugs the watch in as the port portName: the watch and its line come alive, then the device
  // (WatchDevice(portName)) and its port join the list, which sends its change notice. Does nothing
  // while already plugged. The list must outlive the plugged watch.
  void Plug(platform::headless::ScriptedDeviceList& list, const std::string& portName);
  // Pulls it out: the line fails from now on, the watch falls quiet, and the device and its port
  // leave the list with a change notice. Does nothing while not plugged.
  void Unplug();
  bool Plugged() const;
  std::string PortName() const;

  // Opens the program's end of the line for the plugged port's name; nothing for other names or
  // while unplugged.
  platform::SerialOpener Opener();
  platform::headless::MemoryLink& Link() { return link_; }

  // Runs f with the watch locked, e.g. to set a fault or read what it received.
  template <typename F>
  void WithWatch(F&& f) {
    peer_.WithWatch(std::forward<F>(f));
  }

 private:
  SimulatedWatch watch_;
  platform::headless::MemoryLink link_;
  MemoryLinkWatch peer_;
  mutable std::mutex mutex_;  // guards list_ and portName_
  platform::headless::ScriptedDeviceList* list_ = nullptr;  // set while plugged
  std::string portName_;
};

}  // namespace kemlog::sim
