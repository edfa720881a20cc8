// KEM LOG on the headless toolkit with the simulated watch plugged in: starts the program, presses
// Load, prints the history rows and the files stored, and leaves by the close button (which deletes
// those files again).

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>
#include <string>

#include "app/application.h"
#include "app/program_pages.h"
#include "platform/headless/headless_ui.h"
#include "platform/network.h"
#include "platform/picture.h"
#include "platform/paths.h"
#include "resources/dialog_templates.h"
#include "sim/watch_logs.h"

namespace {

using kemlog::app::CZQN4170_ZEZureDlg;
namespace res = kemlog::resources;

constexpr int kMapCheckMs = 3000;
// Without a connection the page asks at every paint; the check runs again only after this long.
constexpr uint32_t kMapRecheckMs = 10000;

void PrintFolder(const std::string& folder) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::printf("stored %s\n", entry.path().string().c_str());
  }
}

void Usage(FILE* to) {
  std::fprintf(to,
               "usage: kemlog-headless [--screenshot FILE.png]\n\n"
               "Runs KEM LOG on the headless toolkit with the simulated watch plugged in: presses Load,\n"
               "prints the popup's last text, the history rows, the caption and the GPX files stored in\n"
               "~/KemLog, whether the map is shown (the map service is checked with a connection\n"
               "attempt of up to 3 s), then leaves by the close button, which deletes those files again.\n\n"
               "  --screenshot FILE.png  also writes the main window's face after the download as a PNG\n"
               "                         (pictures and fills only: the headless toolkit draws no text)\n");
}

// Writes the main window as the headless toolkit painted it.
bool WriteScreenshot(const kemlog::platform::headless::HeadlessUi& ui, kemlog::platform::WindowId window,
                     const std::string& path) {
  std::vector<uint8_t> png;
  if (!kemlog::platform::EncodePicture(ui.Screenshot(window), png)) return false;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  out.close();  // a failure to write the last bytes shows only here
  return !out.fail();
}

void Demo(kemlog::platform::headless::HeadlessUi& ui, CZQN4170_ZEZureDlg& window, const std::string& folder,
          const std::string& screenshot, bool& screenshotFailed) {
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
  if (!screenshot.empty()) {
    ui.RunUntilIdle();
    screenshotFailed = !WriteScreenshot(ui, window.Window(), screenshot);
    std::printf(screenshotFailed ? "screenshot: could not write %s\n" : "screenshot: %s\n", screenshot.c_str());
  }
  ui.PressButton(ui.Control(window.Window(), res::kMainClose));
}

}  // namespace

int main(int argc, char** argv) {
  std::string screenshot;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      Usage(stdout);
      return 0;
    }
    if (arg == "--screenshot" && i + 1 < argc) {
      screenshot = argv[++i];
      continue;
    }
    std::fprintf(stderr, "kemlog-headless: unknown argument %s\n\n", arg.c_str());
    Usage(stderr);
    return 2;
  }
  kemlog::platform::headless::VirtualClock clock;
  kemlog::platform::headless::HeadlessUi ui(clock);
  kemlog::app::DemoStart demo(
      clock, kemlog::sim::GenerateWatchLogs(kemlog::app::kDemoSeed, kemlog::app::kDemoLogs, kemlog::app::kDemoPoints));
  const std::string folder = kemlog::platform::DefaultLogFolder();
  bool screenshotFailed = false;
  kemlog::viewer::LogPageOptions options;
  options.mapServiceReachable = kemlog::viewer::ThrottledCheck(
      [] { return kemlog::platform::CheckServiceConnection(kemlog::viewer::kMapServiceAddress, kMapCheckMs); },
      clock, kMapRecheckMs);
  const int result = kemlog::app::RunApplication(
      ui, demo.MachineFor(folder, kemlog::app::InstalledFontFiles()), kemlog::app::ProgramPages(options),
      [&](CZQN4170_ZEZureDlg& window) { Demo(ui, window, folder, screenshot, screenshotFailed); });
  std::printf("main window ended (%d)\n", result);
  return ui.LoopTimedOut() || screenshotFailed ? 1 : 0;
}
