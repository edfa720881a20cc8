#pragma once
// How a command reaches the watch: the port given with --port, the simulated watch with --demo, or
// the watch found by itself (its friendly name, else a probe of every serial port).

#include <memory>
#include <ostream>
#include <string>

#include "cli/arguments.h"
#include "cli/demo_watch.h"
#include "device/device_port.h"
#include "platform/devices.h"

namespace kemlog::cli {

// Options every command that talks to the watch takes.
inline const std::set<std::string> kWatchOptions = {"--port", "--seed", "--logs", "--points"};
inline const std::set<std::string> kWatchFlags = {"--demo"};

// Looks for the watch by its friendly name: 1, with portName set, only when a name was found; 0 when
// the port has to be found by a scan (also when the list could not be read or the watch's name holds
// no port).
int FindNamedPort(platform::DeviceList& devices, std::string& portName);

class WatchConnection {
 public:
  // Opens the port as the options say (demo: the simulated watch with those options); false (with
  // the connection message on err) when no watch can be reached.
  bool Connect(const Arguments& args, const DemoOptions& demo, std::ostream& err, const std::string& command);

  device::DevicePort& Port() { return *port_; }
  platform::DeviceList& Devices() { return *devices_; }

 private:
  std::unique_ptr<DemoWatch> demo_;
  std::unique_ptr<platform::DeviceList> devices_;
  std::unique_ptr<device::DevicePort> port_;
};

}  // namespace kemlog::cli
