#include "cli/watch_connection.h"

#include "device/messages.h"
#include "device/port_discovery.h"
#include "platform/clock.h"
#include "platform/serial.h"

namespace kemlog::cli {

int FindNamedPort(platform::DeviceList& devices, std::string& portName) {
  std::string found;
  if (device::FindDevicePort(devices, found) == 0 || found.empty()) return 0;
  portName = found;
  return 1;
}

bool WatchConnection::Connect(const Arguments& args, const DemoOptions& demo, std::ostream& err,
                              const std::string& command) {
  devices_ = platform::SystemDeviceList();
  port_ = std::make_unique<device::DevicePort>(platform::OpenSerialPort, platform::SystemClock());
  if (args.Has("--demo")) {
    demo_ = std::make_unique<DemoWatch>(demo);
    if (!demo_->Start()) {
      err << "kemlog-cli " << command << ": no pseudo-terminal for the simulated watch\n";
      return false;
    }
  }
  const auto path = demo_ ? std::optional<std::string>(demo_->Path()) : args.Value("--port");
  if (path) {
    port_->portName = *path;
    port_->nameFoundAtStart = 1;
  } else {
    port_->nameFoundAtStart = FindNamedPort(*devices_, port_->portName);
    err << "looking for the watch...\n";
  }
  device::EnsureDevicePort(*port_, *devices_);
  if (port_->IsOpen()) return true;
  err << "kemlog-cli " << command << ": cannot reach the watch"
      << (port_->portName.empty() ? std::string() : " on " + port_->portName) << '\n'
      << device::kConnectionMessage << '\n';
  return false;
}

}  // namespace kemlog::cli
