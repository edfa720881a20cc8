#pragma once
// The log data page on the headless toolkit inside a stand-in main window, with GPX files of made-up
// logs in a temporary folder and a recording of the graph fills and connection checks.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "device/device_port.h"
#include "platform/headless/headless_ui.h"
#include "platform/headless/scripted_device_list.h"
#include "resources/dialog_templates.h"
#include "settings/main_services.h"
#include "settings/popup_dlg.h"
#include "track/device_time.h"
#include "track/gpx_file.h"
#include "viewer/log_data_dlg.h"

namespace kemlog::viewer::testing {

namespace fs = std::filesystem;
namespace res = resources;
using platform::ControlId;
using platform::WindowId;
using platform::headless::HeadlessUi;
using platform::headless::RecordingWebView;
using platform::headless::VirtualClock;

// The main window's placeholder for the page, as the main window's template has it.
inline constexpr platform::ControlTemplate kHostControls[] = {
    {res::kMainLogPagePlaceholder, platform::ControlKind::Placeholder, platform::kVisible,
     platform::RectXywh(1, 53, 898, 566), "", {}},
};
inline constexpr platform::DialogTemplate kHostTemplate{990, platform::kPopupWindow, {}, {900, 620}, "MS Shell Dlg", 8,
                                                        kHostControls};

struct HostWindow : platform::DialogHandler {
  void OnInitDialog(WindowId s) override { self = s; }
  WindowId self;
};

struct GraphFill {
  size_t points;
  uint32_t largestDistance;
  bool operator==(const GraphFill&) const = default;
  friend void PrintTo(const GraphFill& f, std::ostream* os) {
    *os << "{" << f.points << " points, largest " << f.largestDistance << "}";
  }
};

// Start of every made-up log: 2016-05-01 16:30:00.
inline int32_t LogStart() { return track::EncodeDeviceSeconds(track::DeviceTime{16, 5, 1, 16, 30, 0}); }

// Point i of a made-up log: one every 345 s, 1000 m apart, at 35 + i/1000 degrees north.
inline track::TrackPointRecord MadePoint(int i, int32_t start) {
  track::TrackPointRecord p;
  p.time = start + 345 * i;
  p.latitude = 21000000 + 600 * i;   // 35.000 + 0.001 i degrees
  p.longitude = 83700000 - 1200 * i; // 139.500 - 0.002 i degrees
  p.elevation = static_cast<int16_t>(10 + i);
  p.speed = static_cast<uint16_t>(125 + i);
  p.heartRate = static_cast<uint8_t>(140 + i % 50);
  p.distance = 1000 * static_cast<uint32_t>(i);
  p.calories = 123 + 10 * static_cast<uint32_t>(i);
  return p;
}

class LogPageTest : public ::testing::Test {
 protected:
  LogPageTest() {
    ui.SetLoopLimit(std::chrono::milliseconds(2000));
    fs::create_directories(logFolder);
    fs::create_directories(downloads);
  }
  ~LogPageTest() override {
    page.reset();
    std::error_code error;
    fs::remove_all(root, error);
  }

  static std::string TempRoot() {
    std::random_device rd;
    return (fs::temp_directory_path() / ("kemlog-viewer-" + std::to_string(rd()))).string();
  }

  LogPageOptions Options() {
    LogPageOptions options;
    options.mapServiceReachable = [this] {
      ++checks;
      return reachable;
    };
    options.graph.fillGraph = [this](std::span<const track::tagTrackLog> points, uint32_t largest) {
      fills.push_back(GraphFill{points.size(), largest});
    };
    return options;
  }

  // Creates the page in the stand-in main window and runs body inside its modal loop.
  void Run(const std::function<void()>& body) {
    HostWindow host;
    ui.QueueStep([&] {
      services.mainWindow = host.self;
      page = std::make_unique<CLogDataDlg>(services, Options());
      created = page->CreateInPlaceholder(host.self, res::kMainLogPagePlaceholder);
      hostWindow = host.self;
      if (created) body();
      ui.EndDialog(host.self, 0);
    });
    ui.RunModal(kHostTemplate, {}, host);
    ASSERT_TRUE(created);
    ASSERT_FALSE(ui.LoopTimedOut());
  }

  // Writes a GPX file of `count` made-up points and lists it with its history row, as a download does.
  std::string AddLog(int count, int32_t start) {
    std::vector<track::TrackPointRecord> points;
    for (int i = 0; i < count; ++i) points.push_back(MadePoint(i, start));
    track::LogSummaryRecord summary;
    summary.startTime = start;
    summary.pointCount = static_cast<uint32_t>(count);
    EXPECT_TRUE(track::WriteGpxFile(points, 0, summary, downloads, {}));
    const std::string path = track::GpxFilePath(downloads, start);
    const int index = static_cast<int>(page->LogFiles().size());
    EXPECT_EQ(ui.InsertListRow(page->HistoryList(), index, "row " + std::to_string(index)), index);
    EXPECT_EQ(page->AddLogFile(path), index);
    return path;
  }
  std::string AddLog(int count) { return AddLog(count, LogStart() + 3600 * static_cast<int32_t>(page->LogFiles().size())); }

  WindowId Part(ControlId id) const { return ui.Control(page->Window(), id); }
  bool Press(ControlId id) { return ui.PressButton(Part(id)); }
  RecordingWebView& View() {
    auto* view = ui.WebViewOf(ui.Control(page->MapView().Window(), res::kMapBrowser));
    EXPECT_NE(view, nullptr);
    return *static_cast<RecordingWebView*>(view);
  }
  std::vector<std::string> TakeCalls() {
    std::vector<std::string> calls = View().Calls();
    View().ClearCalls();
    return calls;
  }
  std::vector<std::string> Row(WindowId list, int row, int columns) const {
    std::vector<std::string> cells;
    for (int c = 0; c < columns; ++c) cells.push_back(ui.ListCell(list, row, c));
    return cells;
  }

  VirtualClock clock;
  HeadlessUi ui{clock};
  platform::headless::ScriptedDeviceList devices;
  device::DevicePort port{[](const std::string&, const platform::SerialSettings&) { return nullptr; }, clock};
  settings::PopupMessage message;
  settings::CPopUpDlg popup{ui, clock, message};
  std::string logFolderPath;
  std::string root = TempRoot();
  std::string logFolder = (fs::path(root) / "KemLog").string();
  std::string downloads = (fs::path(root) / "downloads").string();
  settings::MainServices services{ui, clock, port, devices, message, popup, logFolderPath, logFolder, {}};

  bool reachable = true;
  int checks = 0;
  std::vector<GraphFill> fills;
  std::unique_ptr<CLogDataDlg> page;
  WindowId hostWindow;
  bool created = false;
};

}  // namespace kemlog::viewer::testing
