#include "app/application.h"

#include <utility>

namespace kemlog::app {

int RunApplication(platform::Ui& ui, Machine machine, PageMakers pages, MainWindowHook onStart) {
  if (ui.ActivateExistingWindow(kMainWindowClass, kMainWindowTitle)) return 0;
  CZQN4170_ZEZureDlg window(MainWindowSetup{ui, machine.clock, machine.devices, std::move(machine.opener),
                                            std::move(machine.logFolder), std::move(machine.fontFiles),
                                            std::move(pages)});
  if (onStart) ui.Post([&window, hook = std::move(onStart)] { hook(window); });
  return window.DoModal();
}

std::vector<std::string> InstalledFontFiles() {
#ifdef _WIN32
  return {"C:\\Program Files (x86)\\KEM LOG\\rounded-mplus-1c-2c3-regular_161220.ttf",
          "C:\\Program Files\\KEM LOG\\rounded-mplus-1c-2c3-regular_161220.ttf"};
#else
  return {"/usr/local/share/kemlog/rounded-mplus-1c-2c3-regular_161220.ttf",
          "/usr/share/kemlog/rounded-mplus-1c-2c3-regular_161220.ttf"};
#endif
}

DemoStart::DemoStart(platform::headless::VirtualClock& clock, std::vector<sim::WatchLog> logs)
    : clock_(clock), watch_(clock, std::move(logs)) {
  watch_.Plug(devices_, kDemoPortName);
}

Machine DemoStart::MachineFor(std::string logFolder, std::vector<std::string> fontFiles) {
  return Machine{clock_, devices_, watch_.Opener(), std::move(logFolder), std::move(fontFiles)};
}

}  // namespace kemlog::app
