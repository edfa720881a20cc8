#pragma once
// The program's start, shared by every backend's main: refuse a second instance, then run the main
// window until it ends. The demo start plugs in the simulated watch, so that the program can be used
// (and tested) without a watch.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/main_dlg.h"
#include "app/main_pages.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/headless/scripted_device_list.h"
#include "platform/headless/virtual_clock.h"
#include "platform/serial.h"
#include "platform/ui.h"
#include "sim/headless_watch_device.h"

namespace kemlog::app {

// The machine the program runs on: its clock, devices and serial ports, the log folder and the font
// files to try.
struct Machine {
  platform::Clock& clock;
  platform::DeviceList& devices;
  platform::SerialOpener opener;
  std::string logFolder;
  std::vector<std::string> fontFiles;
};

// Called with the main window once it runs (tests drive it from here), may be empty.
using MainWindowHook = std::function<void(CZQN4170_ZEZureDlg&)>;

// 0 when another instance was brought to the front instead; otherwise the main window's result.
int RunApplication(platform::Ui& ui, Machine machine, PageMakers pages, MainWindowHook onStart = {});

// The font file of the installation, in the order it is looked for.
std::vector<std::string> InstalledFontFiles();

inline constexpr uint32_t kDemoSeed = 4170;
inline constexpr int kDemoLogs = 3;
inline constexpr int kDemoPoints = 400;
inline constexpr char kDemoPortName[] = "COM5";

// The simulated watch plugged into a scripted device list on a virtual clock: present with its
// friendly name, its port served by the watch.
class DemoStart {
 public:
  DemoStart(platform::headless::VirtualClock& clock, std::vector<sim::WatchLog> logs);
  DemoStart(const DemoStart&) = delete;
  DemoStart& operator=(const DemoStart&) = delete;

  // The machine with the demo watch plugged in; the log folder and fonts as given.
  Machine MachineFor(std::string logFolder, std::vector<std::string> fontFiles = {});

  platform::headless::ScriptedDeviceList& Devices() { return devices_; }
  sim::HeadlessWatchDevice& Watch() { return watch_; }

 private:
  platform::headless::VirtualClock& clock_;
  platform::headless::ScriptedDeviceList devices_;
  sim::HeadlessWatchDevice watch_;
};

}  // namespace kemlog::app
