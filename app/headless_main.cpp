// KEM LOG on the headless toolkit with the simulated watch plugged in: starts the program, presses
// Load, prints the history rows and the files stored, and leaves by the close button (which deletes
// those files again).

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/application.h"
#include "app/program_pages.h"
#include "platform/headless/headless_ui.h"
#include "platform/network.h"
#include "platform/paths.h"
#include "resources/dialog_templates.h"
#include "sim/watch_logs.h"

namespace {

using kemlog::app::CZQN4170_ZEZureDlg;
namespace res = kemlog::resources;

constexpr int kMapCheckMs = 3000;

void PrintFolder(const std::string& folder) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::printf("stored %s\n", entry.path().string().c_str());
  }
}

void Demo(kemlog::platform::headless::HeadlessUi& ui, CZQN4170_ZEZureDlg& window, const std::string& folder) {
  ui.PressButton(ui.Control(window.Window(), res::kMainLoad));
  std::printf("popup: %s\n", window.Services().popupMessage.Get().c_str());
  if (kemlog::app::MainLogPage* page = window.LogPage()) {
    const kemlog::platform::WindowId list = page->HistoryList();
    for (int row = 0; row < ui.ListRowCount(list); ++row) {
      std::printf("row %d:", row);
      for (int column = 0; column < 5; ++column) std::printf(" | %s", ui.ListCell(list, row, column).c_str());
      std::printf("\n");
    }
    std::printf("caption: %s\n", ui.Text(ui.Control(page->Window(), res::kLogCountCaption)).c_str());
    const bool waiting = ui.IsVisible(ui.Control(page->Window(), res::kLogConnecting));
    std::printf("map: %s\n", waiting ? "not reachable, \"Connecting...\" shown" : "shown");
  }
  PrintFolder(folder);
  ui.PressButton(ui.Control(window.Window(), res::kMainClose));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    const std::string arg = argv[1];
    const bool help = arg == "--help" || arg == "-h";
    std::fprintf(help ? stdout : stderr,
                 "usage: kemlog-headless\n\n"
                 "Runs KEM LOG on the headless toolkit with the simulated watch plugged in: presses Load,\n"
                 "prints the popup's last text, the history rows, the caption and the GPX files stored in\n"
                 "~/KemLog, whether the map is shown (the map service is checked with a connection\n"
                 "attempt of up to 3 s), then leaves by the close button, which deletes those files again.\n");
    return help ? 0 : 2;
  }
  kemlog::platform::headless::VirtualClock clock;
  kemlog::platform::headless::HeadlessUi ui(clock);
  kemlog::app::DemoStart demo(
      clock, kemlog::sim::GenerateWatchLogs(kemlog::app::kDemoSeed, kemlog::app::kDemoLogs, kemlog::app::kDemoPoints));
  const std::string folder = kemlog::platform::DefaultLogFolder();
  kemlog::viewer::LogPageOptions options;
  options.mapServiceReachable = [] {
    return kemlog::platform::CheckServiceConnection(kemlog::viewer::kMapServiceAddress, kMapCheckMs);
  };
  const int result = kemlog::app::RunApplication(
      ui, demo.MachineFor(folder, kemlog::app::InstalledFontFiles()), kemlog::app::ProgramPages(options),
      [&ui, &folder](CZQN4170_ZEZureDlg& window) { Demo(ui, window, folder); });
  std::printf("main window ended (%d)\n", result);
  return ui.LoopTimedOut() ? 1 : 0;
}
