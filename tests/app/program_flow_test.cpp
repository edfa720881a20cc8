// The whole program with its real pages on the headless toolkit and the simulated watch: start,
// Load, the count caption and the history rows, the page switch, and the two ways of leaving.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/program_pages.h"
#include "platform/headless/headless_ui.h"
#include "resources/dialog_templates.h"
#include "sim/watch_logs.h"

namespace kemlog::app {
namespace {

namespace fs = std::filesystem;
namespace res = resources;
using platform::ControlId;
using platform::RectXywh;
using platform::WindowId;
using platform::headless::HeadlessUi;
using platform::headless::VirtualClock;

using Row = std::vector<std::string>;

// Three logs on consecutive days from 2016-05-01 07:30:00 on the watch, with two points each.
sim::WatchLog KnownLog(int day, uint32_t duration, uint32_t distance, uint32_t calories) {
  sim::WatchLog log;
  log.startTime = 515403000 + day * 86400;
  log.duration = duration;
  log.distance = distance;
  log.calories = calories;
  log.pointStart = 2 * day;
  log.points = {{log.startTime, 21401232, 83859672, 12, 100, 120, 3, 40, 0, 0},
                {log.startTime + static_cast<int32_t>(duration), 21402000, 83860000, 15, 110, 150, 5, 60, distance,
                 calories}};
  return log;
}

class ProgramFlowTest : public ::testing::Test {
 protected:
  ProgramFlowTest() { ui.SetLoopLimit(std::chrono::milliseconds(3000)); }
  ~ProgramFlowTest() override {
    std::error_code error;
    fs::remove_all(root, error);
  }

  void Run(const std::function<void(CZQN4170_ZEZureDlg&)>& script) {
    RunApplication(ui, demo.MachineFor(folder), ProgramPages(), [this, script](CZQN4170_ZEZureDlg& w) {
      window = &w;
      script(w);
    });
    window = nullptr;
  }

  WindowId Part(ControlId id) const { return ui.Control(window->Window(), id); }
  bool Press(ControlId id) { return ui.PressButton(Part(id)); }
  WindowId PagePart(ControlId id) const { return ui.Control(window->LogPage()->Window(), id); }
  std::string Caption() const { return ui.Text(PagePart(res::kLogCountCaption)); }
  std::vector<Row> Rows() const {
    std::vector<Row> rows;
    const WindowId list = window->LogPage()->HistoryList();
    for (int r = 0; r < ui.ListRowCount(list); ++r) {
      Row row;
      for (int c = 0; c < 5; ++c) row.push_back(ui.ListCell(list, r, c));
      rows.push_back(row);
    }
    return rows;
  }
  size_t StoredFiles() const {
    std::error_code error;
    return fs::exists(folder) ? static_cast<size_t>(std::distance(fs::directory_iterator(folder, error), {})) : 0;
  }

  VirtualClock clock;
  HeadlessUi ui{clock};
  std::vector<sim::WatchLog> logs = {KnownLog(0, 1800, 5000, 3456), KnownLog(1, 1500, 4000, 1000),
                                     KnownLog(2, 1000, 3000, 0)};
  DemoStart demo{clock, logs};
  std::string root = (fs::temp_directory_path() / ("kemlog-flow-" + std::to_string(std::random_device{}()))).string();
  std::string folder = (fs::path(root) / "KemLog").string();
  CZQN4170_ZEZureDlg* window = nullptr;
};

const std::vector<Row> kThreeRows = {
    {"2016/05/01 16:30~17:00", "0:30:00", "6'00\" /km", "345.6 kcal", "5.00 km"},
    {"2016/05/02 16:30~16:55", "0:25:00", "6'15\" /km", "100.0 kcal", "4.00 km"},
    {"2016/05/03 16:30~16:46", "0:16:40", "5'33\" /km", "0.0 kcal", "3.00 km"},
};

TEST_F(ProgramFlowTest, StartsWithAnEmptyLogPageShownAndTheDataTabLatched) {
  Run([&](CZQN4170_ZEZureDlg& w) {
    ASSERT_NE(w.LogPage(), nullptr);
    ASSERT_NE(w.SettingPage(), nullptr);
    EXPECT_EQ(Caption(), "合計   0履歷");
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(ui.IsVisible(w.LogPage()->Window()));
    EXPECT_FALSE(ui.IsVisible(w.SettingPage()->Window()));
    EXPECT_TRUE(w.DataTabLatched());
    EXPECT_EQ(ui.Geometry(w.LogPage()->Window()), RectXywh(3, 55, 894, 562));
    EXPECT_EQ(ui.Geometry(w.SettingPage()->Window()), RectXywh(3, 55, 894, 562));

    Press(res::kMainSettingTab);
    EXPECT_FALSE(ui.IsVisible(w.LogPage()->Window()));
    EXPECT_TRUE(ui.IsVisible(w.SettingPage()->Window()));
    EXPECT_TRUE(w.SettingTabLatched());
    Press(res::kMainDataTab);
    EXPECT_TRUE(ui.IsVisible(w.LogPage()->Window()));
    EXPECT_FALSE(ui.IsVisible(w.SettingPage()->Window()));
    ui.PostClose(w.Window());
  });
  EXPECT_FALSE(ui.LoopTimedOut());
}

TEST_F(ProgramFlowTest, LoadListsThreeLogsCountsThemAndTheCloseButtonDeletesTheirFiles) {
  std::vector<Row> rows;
  std::string caption;
  size_t filesAfterLoad = 0;
  std::vector<std::string> listed;
  Run([&](CZQN4170_ZEZureDlg& w) {
    Press(res::kMainLoad);
    rows = Rows();
    caption = Caption();
    filesAfterLoad = StoredFiles();
    listed = w.LogPage()->LogFilePaths();
    Press(res::kMainClose);
    EXPECT_TRUE(w.LogPage()->LogFilePaths().empty());
    EXPECT_FALSE(w.Port().IsOpen());
  });
  EXPECT_FALSE(ui.LoopTimedOut());
  EXPECT_EQ(ui.OffThreadCalls(), 0);
  EXPECT_EQ(rows, kThreeRows);
  EXPECT_EQ(caption, "合計   3 履歷");
  EXPECT_EQ(filesAfterLoad, 3u);
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(fs::path(listed[0]).filename(), "Kem_20160501_163000.gpx");
  EXPECT_EQ(fs::path(listed[2]).filename(), "Kem_20160503_163000.gpx");
  for (const std::string& path : listed) EXPECT_FALSE(fs::exists(path)) << path;
  EXPECT_FALSE(fs::exists(folder));
}

TEST_F(ProgramFlowTest, LeavingWithoutTheCloseButtonKeepsTheFilesAndTheFolder) {
  std::vector<std::string> listed;
  Run([&](CZQN4170_ZEZureDlg& w) {
    Press(res::kMainLoad);
    listed = w.LogPage()->LogFilePaths();
    ui.PostClose(w.Window());
  });
  EXPECT_FALSE(ui.LoopTimedOut());
  ASSERT_EQ(listed.size(), 3u);
  for (const std::string& path : listed) EXPECT_TRUE(fs::is_regular_file(path)) << path;
  EXPECT_EQ(StoredFiles(), 3u);
}

TEST_F(ProgramFlowTest, LoadWithNoLogsCountsZero) {
  demo.Watch().Unplug();
  DemoStart empty(clock, {});
  std::string caption;
  std::vector<Row> rows;
  RunApplication(ui, empty.MachineFor(folder), ProgramPages(), [&](CZQN4170_ZEZureDlg& w) {
    window = &w;
    Press(res::kMainLoad);
    caption = Caption();
    rows = Rows();
    ui.PostClose(w.Window());
  });
  EXPECT_FALSE(ui.LoopTimedOut());
  EXPECT_EQ(caption, "合計   0 履歷");
  EXPECT_TRUE(rows.empty());
  EXPECT_FALSE(fs::exists(folder));
}

TEST_F(ProgramFlowTest, AnOpenedLogFillsThePointTableAndTheResizedWindowLaysOutThePage) {
  Run([&](CZQN4170_ZEZureDlg& w) {
    Press(res::kMainLoad);
    ASSERT_TRUE(ui.DoubleClickListRow(w.LogPage()->HistoryList(), 1));
    EXPECT_EQ(ui.ListRowCount(PagePart(res::kLogPointTable)), 2);
    ui.Resize(w.Window(), platform::Size{1100, 760});
    EXPECT_EQ(ui.Geometry(w.LogPage()->Window()), RectXywh(3, 55, 1094, 702));
    EXPECT_EQ(ui.Geometry(w.SettingPage()->Window()), RectXywh(3, 55, 1094, 702));
    Press(res::kMainClose);
  });
  EXPECT_FALSE(ui.LoopTimedOut());
}

}  // namespace
}  // namespace kemlog::app
