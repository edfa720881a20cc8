// The main window as a user meets it, on the headless toolkit with the simulated watch plugged in:
// start, Load (three logs, none, no watch), the page switch, the title bar, the resize corner,
// maximise and restore, device changes, and leaving with and without the close button.
//
// The log data page and the settings page are stood in for by small pages over their own templates
// (history list, log file list, count of refreshes): the main window's part is what it puts into them.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/main_dlg.h"
#include "device/log_download.h"
#include "device/messages.h"
#include "platform/headless/headless_ui.h"
#include "resources/dialog_templates.h"
#include "sim/watch_logs.h"
#include "track/device_time.h"
#include "track/gpx_file.h"

namespace kemlog::app {
namespace {

namespace fs = std::filesystem;
namespace res = resources;
using platform::ControlId;
using platform::MouseAction;
using platform::Point;
using platform::Rect;
using platform::RectXywh;
using platform::Size;
using platform::WindowId;
using platform::headless::HeadlessUi;
using platform::headless::VirtualClock;

// A page over its template, placed where its placeholder was.
class TemplatePage : public platform::DialogHandler {
 public:
  TemplatePage(platform::Ui& ui, int templateId) : ui_(ui), templateId_(templateId) {}

  bool Create(WindowId parent, ControlId placeholder) {
    self_ = ui_.CreateChildDialog(*res::FindDialogTemplate(templateId_), parent, *this);
    if (!self_) return false;
    const WindowId slot = ui_.Control(parent, placeholder);
    ui_.Move(self_, ui_.Geometry(slot));
    ui_.Show(slot, false);
    return true;
  }
  WindowId Self() const { return self_; }

 protected:
  platform::Ui& ui_;

 private:
  int templateId_;
  WindowId self_;
};

// What the stand-in log page was given; outlives the page, which ends with the main window.
struct LogPageRecord {
  std::vector<std::string> files;
  std::vector<int> refreshedCounts;
  std::vector<Size> layouts;
};

class ListedLogPage : public MainLogPage, public TemplatePage {
 public:
  ListedLogPage(platform::Ui& ui, LogPageRecord& record)
      : TemplatePage(ui, res::kLogDataPage), files(record.files), refreshedCounts(record.refreshedCounts),
        layouts(record.layouts) {}

  bool CreateInPlaceholder(WindowId parent, ControlId placeholder) override {
    if (!Create(parent, placeholder)) return false;
    for (int i = 0; i < 5; ++i) ui_.AddListColumn(HistoryList(), platform::ListColumn{"c", 80});
    return true;
  }
  WindowId Window() const override { return Self(); }
  WindowId HistoryList() const override { return ui_.Control(Self(), res::kLogHistoryList); }
  int AddLogFile(const std::string& path) override {
    files.push_back(path);
    return static_cast<int>(files.size()) - 1;
  }
  std::vector<std::string> LogFilePaths() const override { return files; }
  void ClearLogFiles() override { files.clear(); }
  void RefreshLogCount() override { refreshedCounts.push_back(static_cast<int>(files.size())); }
  void LayoutLogPage(int width, int height) override { layouts.push_back(Size{width, height}); }

  std::vector<std::string>& files;
  std::vector<int>& refreshedCounts;
  std::vector<Size>& layouts;
};

class PlainSettingPage : public MainPage, public TemplatePage {
 public:
  explicit PlainSettingPage(platform::Ui& ui) : TemplatePage(ui, res::kSettingPage) {}
  bool CreateInPlaceholder(WindowId parent, ControlId placeholder) override { return Create(parent, placeholder); }
  WindowId Window() const override { return Self(); }
};

std::string TempPath() {
  std::random_device rd;
  return (fs::temp_directory_path() / ("kemlog-app-" + std::to_string(rd()))).string();
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() { ui.SetLoopLimit(std::chrono::milliseconds(3000)); }
  ~MainWindowTest() override {
    std::error_code error;
    fs::remove_all(root, error);
  }

  PageMakers Pages() {
    PageMakers pages;
    pages.logPage = [this](settings::MainServices&) {
      auto page = std::make_unique<ListedLogPage>(ui, record);
      logPage = page.get();
      return std::unique_ptr<MainLogPage>(std::move(page));
    };
    pages.settingPage = [this](settings::MainServices&) {
      auto page = std::make_unique<PlainSettingPage>(ui);
      settingPage = page.get();
      return std::unique_ptr<MainPage>(std::move(page));
    };
    return pages;
  }

  // Runs the program on a machine; script runs once the main window is up and must end it. The
  // page pointers are valid only inside the script.
  int Run(Machine machine, const std::function<void(CZQN4170_ZEZureDlg&)>& script) {
    const int result = RunApplication(ui, std::move(machine), Pages(), [this, script](CZQN4170_ZEZureDlg& w) {
      window = &w;
      script(w);
    });
    window = nullptr;
    logPage = nullptr;
    settingPage = nullptr;
    return result;
  }
  int Run(const std::function<void(CZQN4170_ZEZureDlg&)>& script) {
    return Run(demo.MachineFor(folder, fonts), script);
  }

  WindowId Part(ControlId id) const { return ui.Control(window->Window(), id); }
  bool Press(ControlId id) { return ui.PressButton(Part(id)); }
  Rect WindowRect() const { return ui.Geometry(window->Window()); }
  WindowId List() const { return logPage->HistoryList(); }
  size_t StoredFiles() const {
    std::error_code error;
    return fs::exists(folder) ? static_cast<size_t>(std::distance(fs::directory_iterator(folder, error), {})) : 0;
  }
  std::string ExpectedPath(const sim::WatchLog& log) const {
    return track::GpxFilePath(folder, log.startTime + track::kLocalTimeOffset);
  }

  VirtualClock clock;
  HeadlessUi ui{clock};
  std::vector<sim::WatchLog> logs = sim::GenerateWatchLogs(11, 3, 60);
  DemoStart demo{clock, logs};
  std::string root = TempPath();
  std::string folder = (fs::path(root) / "KemLog").string();
  std::vector<std::string> fonts;
  CZQN4170_ZEZureDlg* window = nullptr;
  LogPageRecord record;
  ListedLogPage* logPage = nullptr;
  PlainSettingPage* settingPage = nullptr;
};

TEST_F(MainWindowTest, StartShowsTheLogPageWithTheDataTabLatchedAndOpensTheWatchsPort) {
  bool folderAtStart = false;
  Run([&](CZQN4170_ZEZureDlg& w) {
    EXPECT_EQ(ui.Text(w.Window()), "KEM LOG");
    EXPECT_EQ(WindowRect().Width(), 900);
    EXPECT_EQ(WindowRect().Height(), 620);
    ASSERT_NE(logPage, nullptr);
    ASSERT_NE(settingPage, nullptr);
    EXPECT_TRUE(ui.IsVisible(logPage->Window()));
    EXPECT_FALSE(ui.IsVisible(settingPage->Window()));
    EXPECT_TRUE(w.DataTabLatched());
    EXPECT_FALSE(w.SettingTabLatched());
    EXPECT_EQ(ui.Geometry(logPage->Window()), RectXywh(3, 55, 894, 562));
    EXPECT_EQ(ui.Geometry(settingPage->Window()), RectXywh(3, 55, 894, 562));
    EXPECT_EQ(ui.Geometry(Part(res::kMainEmblem)), RectXywh(3, 2, 18, 18));
    EXPECT_EQ(ui.Geometry(Part(res::kMainClose)), RectXywh(880, 3, 17, 17));
    EXPECT_EQ(ui.Geometry(Part(res::kMainMaximize)), RectXywh(861, 3, 17, 17));
    EXPECT_EQ(ui.Geometry(Part(res::kMainMinimize)), RectXywh(842, 3, 17, 17));
    EXPECT_EQ(ui.Geometry(Part(res::kMainDataTab)), RectXywh(3, 23, 96, 31));
    EXPECT_EQ(ui.Geometry(Part(res::kMainSettingTab)), RectXywh(99, 23, 96, 31));
    EXPECT_EQ(ui.Geometry(Part(res::kMainLoad)), RectXywh(801, 23, 96, 31));
    EXPECT_EQ(ui.Geometry(Part(res::kMainBanner)), RectXywh(3, 23, 894, 31));
    EXPECT_EQ(ui.ListRowCount(List()), 0);
    EXPECT_TRUE(w.Port().IsOpen());
    EXPECT_EQ(w.Port().portName, kDemoPortName);
    EXPECT_EQ(w.Port().nameFoundAtStart, 1);
    EXPECT_EQ(w.Port().DevicePresent, 1);
    folderAtStart = fs::is_directory(folder);
    ui.PostClose(w.Window());
  });
  EXPECT_TRUE(folderAtStart);
  EXPECT_FALSE(fs::exists(folder));  // empty at the end: removed
  EXPECT_FALSE(ui.LoopTimedOut());
}

TEST_F(MainWindowTest, ASecondStartBringsTheRunningWindowToTheFrontAndShowsNone) {
  ui.AddOtherInstanceWindow("#32770", "KEM LOG");
  bool ran = false;
  EXPECT_EQ(Run([&](CZQN4170_ZEZureDlg&) { ran = true; }), 0);
  EXPECT_FALSE(ran);
  EXPECT_EQ(ui.ActivatedWindows(), std::vector<std::string>{"KEM LOG"});
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_EQ(logPage, nullptr);
}

TEST_F(MainWindowTest, TheFirstFontFileThatExistsIsAddedElseTheLast) {
  fs::create_directories(root);
  const std::string present = (fs::path(root) / "present.ttf").string();
  std::ofstream(present) << "font";
  const std::string missingA = (fs::path(root) / "a.ttf").string();
  const std::string missingB = (fs::path(root) / "b.ttf").string();
  struct Case {
    std::vector<std::string> files;
    std::vector<std::string> added;
  };
  const Case cases[] = {
      {{present, missingB}, {present}},
      {{missingA, present}, {present}},
      {{missingA, missingB}, {missingB}},
  };
  size_t seen = 0;
  for (const Case& c : cases) {
    fonts = c.files;
    Run([&](CZQN4170_ZEZureDlg& w) { ui.PostClose(w.Window()); });
    std::vector<std::string> all = ui.PrivateFonts();
    ASSERT_EQ(all.size(), seen + 1);
    EXPECT_EQ(all.back(), c.added.front());
    seen = all.size();
  }
}

// --- Load --------------------------------------------------------------------------------------------

TEST_F(MainWindowTest, LoadStoresThreeLogsWithTheirRowsAndFilesInTheWatchsOrder) {
  std::string popupAtEnd;
  std::vector<std::string> filesAfterLoad;
  std::vector<std::string> shown;  // the popup's line whenever the user-interface thread is idle
  std::function<void()> sample = [&] {
    const WindowId popup = ui.FindDialog(res::kPopupDialog);
    if (!popup) return;
    const std::string text = ui.Text(ui.Control(popup, res::kPopupMessageLine));
    if (shown.empty() || shown.back() != text) shown.push_back(text);
    ui.QueueStep(sample);
  };
  Run([&](CZQN4170_ZEZureDlg& w) {
    ui.QueueStep(sample);
    EXPECT_TRUE(Press(res::kMainLoad));
    popupAtEnd = w.Services().popupMessage.Get();
    filesAfterLoad = record.files;
    EXPECT_EQ(w.Services().logFolderPath, folder);
    EXPECT_FALSE(w.Services().popup.BusyMode);
    EXPECT_FALSE(w.Services().popup.Window());  // the popup has closed
    ui.PostClose(w.Window());
  });
  EXPECT_FALSE(ui.LoopTimedOut());
  EXPECT_EQ(ui.OffThreadCalls(), 0);
  EXPECT_EQ(popupAtEnd, "履歷3");
  // What the popup showed came in the download's order and was nothing else. How many texts the
  // idle steps catch depends on how fast the worker runs (it may finish before the first step), so
  // only their order is checked.
  const std::vector<std::string> order = {"履歷", "履歷1", "履歷2", "履歷3"};
  auto next = order.begin();
  for (const std::string& text : shown) {
    next = std::find(next, order.end(), text);
    ASSERT_NE(next, order.end()) << text;
  }
  ASSERT_EQ(filesAfterLoad.size(), 3u);
  ASSERT_EQ(ui.FindDialog(res::kPopupDialog), WindowId{});
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(filesAfterLoad[i], ExpectedPath(logs[i])) << i;
  EXPECT_EQ(record.refreshedCounts, std::vector<int>{3});  // once, after every entry was listed
  EXPECT_EQ(StoredFiles(), 3u);  // left by a close request that is not the close button
}

TEST_F(MainWindowTest, RowsCarryTheFiveTextsOfTheirLogs) {
  sim::WatchLog known;
  known.startTime = 515403000;  // 2016-05-01 07:30:00 on the watch
  known.duration = 1800;
  known.distance = 5000;
  known.calories = 3456;
  known.points = {{515403000, 21401232, 83859672, 12, 100, 120, 3, 40, 0, 0},
                  {515404800, 21402000, 83860000, 15, 110, 150, 5, 60, 5000, 3456}};
  sim::WatchLog second = known;
  second.startTime = 515403000 + 86400;
  second.duration = 1500;
  second.distance = 4000;
  second.pointStart = 2;
  demo.Watch().Unplug();
  DemoStart own(clock, {known, second});
  std::vector<std::vector<std::string>> rows;
  Run(own.MachineFor(folder), [&](CZQN4170_ZEZureDlg& w) {
    Press(res::kMainLoad);
    for (int r = 0; r < ui.ListRowCount(logPage->HistoryList()); ++r) {
      std::vector<std::string> cells;
      for (int c = 0; c < 5; ++c) cells.push_back(ui.ListCell(logPage->HistoryList(), r, c));
      rows.push_back(cells);
    }
    ui.PostClose(w.Window());
  });
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"2016/05/01 16:30~17:00", "0:30:00", "6'00\" /km", "345.6 kcal",
                                               "5.00 km"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"2016/05/02 16:30~16:55", "0:25:00", "6'15\" /km", "345.6 kcal",
                                               "4.00 km"}));
  ASSERT_EQ(record.files.size(), 2u);
  EXPECT_EQ(fs::path(record.files[0]).filename(), "Kem_20160501_163000.gpx");
  EXPECT_TRUE(fs::is_regular_file(record.files[0]));
}

TEST_F(MainWindowTest, AWatchThatStopsOrRefusesKeepsWhatWasStoredBefore) {
  struct Case {
    const char* name;
    std::function<void(sim::WatchFaults&)> fault;
    std::vector<size_t> listed;  // indices of the watch's logs that end up listed
    std::string popupAtEnd;
    bool noticeShown;            // the failure notice stays 3 s
  };
  const Case cases[] = {
      {"silent at the third log", [](sim::WatchFaults& f) { f.silentAtPointRequest = 2; }, {0, 1},
       device::kConnectionMessage, true},
      {"second log refused", [](sim::WatchFaults& f) { f.rejectPointRequest = 1; }, {0, 2}, "履歷3", false},
      {"a block sent again", [](sim::WatchFaults& f) { f.corruptBlock = 2; }, {0, 1, 2}, "履歷3", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualClock ownClock;
    HeadlessUi ownUi(ownClock);
    DemoStart own(ownClock, logs);
    own.Watch().WithWatch([&](sim::SimulatedWatch& watch) { c.fault(watch.Faults()); });
    LogPageRecord seen;
    std::string popupAtEnd;
    uint32_t elapsed = 0;
    std::vector<std::string> listedFiles;
    PageMakers pages;
    pages.logPage = [&](settings::MainServices&) { return std::make_unique<ListedLogPage>(ownUi, seen); };
    RunApplication(ownUi, own.MachineFor(folder), std::move(pages), [&](CZQN4170_ZEZureDlg& w) {
      const uint32_t start = ownClock.TickCount();
      ownUi.PressButton(ownUi.Control(w.Window(), res::kMainLoad));
      elapsed = ownClock.TickCount() - start;
      popupAtEnd = w.Services().popupMessage.Get();
      listedFiles = seen.files;
      ownUi.PressButton(ownUi.Control(w.Window(), res::kMainClose));
    });
    EXPECT_FALSE(ownUi.LoopTimedOut());
    EXPECT_EQ(popupAtEnd, c.popupAtEnd);
    EXPECT_EQ(elapsed >= device::kFailureNoticeMs, c.noticeShown) << elapsed;
    ASSERT_EQ(seen.refreshedCounts, std::vector<int>{static_cast<int>(c.listed.size())});
    ASSERT_EQ(listedFiles.size(), c.listed.size());
    for (size_t i = 0; i < c.listed.size(); ++i) EXPECT_EQ(listedFiles[i], ExpectedPath(logs[c.listed[i]]));
    EXPECT_TRUE(seen.files.empty());  // deleted by the close button
    EXPECT_FALSE(fs::exists(folder));
  }
}

TEST_F(MainWindowTest, ASecondLoadListsEveryLogAgainBelowTheFirst) {
  Run([&](CZQN4170_ZEZureDlg& w) {
    Press(res::kMainLoad);
    Press(res::kMainLoad);
    ui.PostClose(w.Window());
  });
  ASSERT_EQ(record.files.size(), 6u);
  ASSERT_EQ(ui.FindDialog(res::kMainDialog), WindowId{});
  EXPECT_EQ(record.refreshedCounts, (std::vector<int>{3, 6}));
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(record.files[i], ExpectedPath(logs[i % 3])) << i;
  EXPECT_EQ(StoredFiles(), 3u);  // the same names, overwritten
}

TEST_F(MainWindowTest, LoadWithNoLogsClosesThePopupWithoutAMessage) {
  demo.Watch().Unplug();
  DemoStart empty(clock, {});
  std::string popupAtEnd;
  int rows = -1;
  Run(empty.MachineFor(folder), [&](CZQN4170_ZEZureDlg& w) {
    Press(res::kMainLoad);
    popupAtEnd = w.Services().popupMessage.Get();
    rows = ui.ListRowCount(logPage->HistoryList());
    ui.PostClose(w.Window());
  });
  EXPECT_FALSE(ui.LoopTimedOut());
  EXPECT_EQ(popupAtEnd, "履歷");
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(record.refreshedCounts, std::vector<int>{0});
  EXPECT_TRUE(ui.MessageBoxes().empty());
}

TEST_F(MainWindowTest, LoadWithoutTheWatchShowsTheConnectionPopupUntilExitIsPressed) {
  demo.Watch().Unplug();
  std::string shown;
  bool exitShown = false;
  bool exitPressed = false;
  Run([&](CZQN4170_ZEZureDlg& w) {
    EXPECT_FALSE(w.Port().IsOpen());
    ui.QueueStep([&] {
      const WindowId popup = ui.ActiveModal();
      ASSERT_EQ(ui.TemplateId(popup), res::kPopupDialog);
      shown = ui.Text(ui.Control(popup, res::kPopupMessageLine));
      exitShown = ui.IsVisible(ui.Control(popup, res::kPopupExit));
      ui.AdvanceTime(10000);  // it stays until the user closes it
      exitPressed = ui.PressButton(ui.Control(popup, res::kPopupExit));
    });
    Press(res::kMainLoad);
    ui.PostClose(w.Window());
  });
  EXPECT_FALSE(ui.LoopTimedOut());
  EXPECT_EQ(shown, device::kConnectionMessage);
  EXPECT_TRUE(exitShown);
  EXPECT_TRUE(exitPressed);
  EXPECT_TRUE(record.files.empty());
  EXPECT_TRUE(record.refreshedCounts.empty());  // no download ran
  EXPECT_EQ(StoredFiles(), 0u);
}

TEST_F(MainWindowTest, AWatchPluggedInAfterStartIsFoundByLoad) {
  demo.Watch().Unplug();
  Run([&](CZQN4170_ZEZureDlg& w) {
    EXPECT_FALSE(w.Port().IsOpen());
    demo.Watch().Plug(demo.Devices(), kDemoPortName);
    ui.RunUntilIdle();  // the device-change notice
    EXPECT_TRUE(w.Port().IsOpen());
    EXPECT_EQ(w.Port().portName, kDemoPortName);
    Press(res::kMainLoad);
    demo.Watch().Unplug();
    ui.RunUntilIdle();
    EXPECT_FALSE(w.Port().IsOpen());
    EXPECT_EQ(w.Port().DevicePresent, 0);
    EXPECT_EQ(w.Port().portName, "");
    ui.PostClose(w.Window());
  });
  EXPECT_EQ(record.files.size(), 3u);
}

TEST_F(MainWindowTest, LoadReopensAPortThatWasClosedAndThenDownloads) {
  Run([&](CZQN4170_ZEZureDlg& w) {
    ASSERT_TRUE(w.Port().CloseDevicePort());
    Press(res::kMainLoad);
    EXPECT_TRUE(w.Port().IsOpen());
    ui.PostClose(w.Window());
  });
  EXPECT_EQ(record.files.size(), 3u);
  EXPECT_TRUE(ui.MessageBoxes().empty());
}

TEST_F(MainWindowTest, AFolderThatCannotBeMadeShowsTheWritersMessagesAndStillListsTheLogs) {
  fs::create_directories(root);
  std::ofstream(fs::path(root) / "blocker") << "a file where the folder's parent should be";
  folder = (fs::path(root) / "blocker" / "KemLog").string();
  WindowId mainWindow;
  Run([&](CZQN4170_ZEZureDlg& w) {
    mainWindow = w.Window();
    Press(res::kMainLoad);
    ui.PostClose(w.Window());
  });
  EXPECT_EQ(ui.OffThreadCalls(), 0);
  ASSERT_EQ(ui.MessageBoxes().size(), 3u);  // one per log, shown on the user-interface thread
  EXPECT_EQ(ui.MessageBoxes()[0].owner, mainWindow);
  EXPECT_EQ(record.files.size(), 3u);
  EXPECT_FALSE(fs::exists(folder));
}

// --- Leaving ---------------------------------------------------------------------------------------

TEST_F(MainWindowTest, TheCloseButtonDeletesTheListedFilesAndTheFolderGoes) {
  bool portOpenAfterClose = true;
  Run([&](CZQN4170_ZEZureDlg& w) {
    Press(res::kMainLoad);
    ASSERT_EQ(StoredFiles(), 3u);
    Press(res::kMainClose);
    portOpenAfterClose = w.Port().IsOpen();
    EXPECT_TRUE(record.files.empty());
    EXPECT_EQ(StoredFiles(), 0u);
  });
  EXPECT_FALSE(portOpenAfterClose);
  EXPECT_FALSE(ui.LoopTimedOut());  // the close button ended the window
  EXPECT_FALSE(fs::exists(folder));
}

TEST_F(MainWindowTest, AFolderWithOtherFilesStaysAtTheEnd) {
  Run([&](CZQN4170_ZEZureDlg&) {
    std::ofstream(fs::path(folder) / "notes.txt") << "mine";
    Press(res::kMainLoad);
    Press(res::kMainClose);
  });
  EXPECT_FALSE(ui.LoopTimedOut());
  EXPECT_TRUE(fs::is_regular_file(fs::path(folder) / "notes.txt"));
  EXPECT_EQ(StoredFiles(), 1u);
}

// --- Pages ---------------------------------------------------------------------------------------------

TEST_F(MainWindowTest, ThePageButtonsShowOnePageAndLatchTheirTab) {
  struct Step {
    ControlId button;
    bool settingShown;
  };
  const Step steps[] = {{res::kMainSettingTab, true}, {res::kMainSettingTab, true}, {res::kMainDataTab, false},
                        {res::kMainSettingTab, true}, {res::kMainDataTab, false}};
  Run([&](CZQN4170_ZEZureDlg& w) {
    for (const Step& s : steps) {
      ASSERT_TRUE(Press(s.button));
      EXPECT_EQ(ui.IsVisible(settingPage->Window()), s.settingShown);
      EXPECT_EQ(ui.IsVisible(logPage->Window()), !s.settingShown);
      EXPECT_EQ(w.SettingTabLatched(), s.settingShown);
      EXPECT_EQ(w.DataTabLatched(), !s.settingShown);
    }
    ui.PostClose(w.Window());
  });
}

TEST_F(MainWindowTest, WithoutPagesThePlaceholdersStayAndLoadStillRuns) {
  std::string popupAtEnd;
  RunApplication(ui, demo.MachineFor(folder), PageMakers{}, [&](CZQN4170_ZEZureDlg& w) {
    EXPECT_EQ(w.LogPage(), nullptr);
    EXPECT_TRUE(ui.IsVisible(ui.Control(w.Window(), res::kMainLogPagePlaceholder)));
    EXPECT_EQ(ui.Geometry(ui.Control(w.Window(), res::kMainLogPagePlaceholder)), RectXywh(3, 55, 894, 562));
    ui.PressButton(ui.Control(w.Window(), res::kMainSettingTab));
    ui.PressButton(ui.Control(w.Window(), res::kMainLoad));
    popupAtEnd = w.Services().popupMessage.Get();
    ui.PostClose(w.Window());
  });
  EXPECT_FALSE(ui.LoopTimedOut());
  EXPECT_EQ(popupAtEnd, "履歷3");
}

// --- Window placement and size --------------------------------------------------------------------------

TEST_F(MainWindowTest, AStartPositionOffTheScreenBecomesZero) {
  struct Case {
    Point start;
    Point expected;
  };
  const Case cases[] = {
      {{100, 200}, {100, 200}}, {{-5, 300}, {0, 300}},       {{300, -1}, {300, 0}},
      {{2000, 50}, {0, 50}},    {{10, 1081}, {10, 0}},       {{1920, 1080}, {1920, 1080}},
      {{-40, 5000}, {0, 0}},
  };
  for (const Case& c : cases) {
    ui.SetInitialPosition(res::kMainDialog, c.start);
    Rect seen;
    Run([&](CZQN4170_ZEZureDlg& w) {
      seen = WindowRect();
      ui.PostClose(w.Window());
    });
    EXPECT_EQ(seen, RectXywh(c.expected.x, c.expected.y, 900, 620)) << c.start.x << "," << c.start.y;
  }
}

TEST_F(MainWindowTest, ANewSizeLaysOutTheTitleBarThePagesAndTheLogPage) {
  Run([&](CZQN4170_ZEZureDlg& w) {
    ui.Resize(w.Window(), Size{1000, 700});
    EXPECT_EQ(ui.Geometry(Part(res::kMainClose)), RectXywh(980, 3, 17, 17));
    EXPECT_EQ(ui.Geometry(Part(res::kMainMaximize)), RectXywh(961, 3, 17, 17));
    EXPECT_EQ(ui.Geometry(Part(res::kMainMinimize)), RectXywh(942, 3, 17, 17));
    EXPECT_EQ(ui.Geometry(Part(res::kMainLoad)), RectXywh(901, 23, 96, 31));
    EXPECT_EQ(ui.Geometry(Part(res::kMainDataTab)), RectXywh(3, 23, 96, 31));
    EXPECT_EQ(ui.Geometry(Part(res::kMainBanner)), RectXywh(3, 23, 994, 31));
    EXPECT_EQ(ui.Geometry(logPage->Window()), RectXywh(3, 55, 994, 642));
    EXPECT_EQ(ui.Geometry(settingPage->Window()), RectXywh(3, 55, 994, 642));
    EXPECT_EQ(ui.Geometry(Part(res::kMainEmblem)), RectXywh(3, 2, 18, 18));
    ASSERT_FALSE(record.layouts.empty());
    EXPECT_EQ(record.layouts.back(), (Size{994, 642}));
    EXPECT_EQ(w.LaidOutSize(), (Size{1000, 700}));
    ui.PostClose(w.Window());
  });
}

TEST_F(MainWindowTest, ARepeatedSizeNoticeRepaintsWithoutANewLayout) {
  Run([&](CZQN4170_ZEZureDlg& w) {
    ui.Resize(w.Window(), Size{1000, 700});
    ui.RunUntilIdle();
    const size_t layouts = record.layouts.size();
    ui.Move(Part(res::kMainLoad), RectXywh(0, 0, 5, 5));  // a layout would put it back
    const int paints = ui.PaintCount(w.Window());
    w.OnSize(Size{1000, 700});
    ui.RunUntilIdle();
    EXPECT_EQ(ui.Geometry(Part(res::kMainLoad)), RectXywh(0, 0, 5, 5));
    EXPECT_EQ(record.layouts.size(), layouts);
    EXPECT_GT(ui.PaintCount(w.Window()), paints);
    w.OnSize(Size{0, 0});  // minimised: nothing
    EXPECT_EQ(ui.Geometry(Part(res::kMainLoad)), RectXywh(0, 0, 5, 5));
    w.OnSize(Size{1001, 700});
    EXPECT_EQ(ui.Geometry(Part(res::kMainLoad)), RectXywh(902, 23, 96, 31));
    EXPECT_EQ(record.layouts.size(), layouts + 1);
    ui.PostClose(w.Window());
  });
}

TEST_F(MainWindowTest, TheResizeCornerFollowsTheMouseButNeverBelowTheStartSize) {
  struct Case {
    Point to;
    Size expected;
  };
  const Case cases[] = {
      {{1200, 800}, {1200, 800}}, {{500, 800}, {900, 800}}, {{1200, 300}, {1200, 620}},
      {{-20, -20}, {900, 620}},   {{901, 621}, {901, 621}},
  };
  Run([&](CZQN4170_ZEZureDlg& w) {
    ui.SetInitialPosition(res::kMainDialog, {});
    const Rect start = WindowRect();
    for (const Case& c : cases) {
      const Size now = ui.ClientSize(w.Window());
      ASSERT_TRUE(ui.Mouse(w.Window(), MouseAction::Down, Point{now.cx - 10, now.cy - 1}));
      EXPECT_TRUE(w.Resizing());
      EXPECT_EQ(ui.CaptureHolder(), w.Window());
      ui.Mouse(w.Window(), MouseAction::Move, Point{c.to.x + 7, c.to.y + 3});
      EXPECT_EQ(ui.Cursor(), platform::CursorKind::SizeDiagonal);
      ui.Mouse(w.Window(), MouseAction::Up, c.to);
      EXPECT_FALSE(w.Resizing());
      EXPECT_EQ(ui.CaptureHolder(), WindowId{});
      EXPECT_EQ(WindowRect(), RectXywh(start.left, start.top, c.expected.cx, c.expected.cy)) << c.to.x << "," << c.to.y;
      EXPECT_EQ(ui.Geometry(Part(res::kMainClose)), RectXywh(c.expected.cx - 20, 3, 17, 17));
    }
    ui.PostClose(w.Window());
  });
}

TEST_F(MainWindowTest, TheCornerSquareIsTenPixelsFromTheBottomRight) {
  struct Case {
    Point at;
    bool corner;
  };
  // Client 900 × 620: x 890..899 and y 610..619.
  const Case cases[] = {{{890, 610}, true}, {{899, 619}, true}, {{889, 615}, false},
                        {{895, 609}, false}, {{900, 615}, false}, {{400, 300}, false}};
  Run([&](CZQN4170_ZEZureDlg& w) {
    for (const Case& c : cases) {
      ui.Mouse(w.Window(), MouseAction::Move, c.at);
      EXPECT_EQ(ui.Cursor(), c.corner ? platform::CursorKind::SizeDiagonal : platform::CursorKind::Arrow)
          << c.at.x << "," << c.at.y;
      ui.Mouse(w.Window(), MouseAction::Down, c.at);
      EXPECT_EQ(w.Resizing(), c.corner);
      ui.Mouse(w.Window(), MouseAction::Up, c.at);
    }
    EXPECT_EQ(WindowRect().Width(), 900);
    ui.PostClose(w.Window());
  });
}

TEST_F(MainWindowTest, TheTopStripDragsTheWindowUnlessItIsMaximised) {
  ui.SetInitialPosition(res::kMainDialog, {100, 100});
  Run([&](CZQN4170_ZEZureDlg& w) {
    ui.Mouse(w.Window(), MouseAction::Down, Point{400, 10});
    // The window follows the mouse, so each step is measured in screen coordinates.
    ui.Mouse(w.Window(), MouseAction::Move, Point{450, 30});  // by 50, 20
    ui.Mouse(w.Window(), MouseAction::Move, Point{450, 30});  // by 50, 20 more
    ui.Mouse(w.Window(), MouseAction::Up, Point{400, 10});    // back to where it was grabbed
    EXPECT_EQ(WindowRect(), RectXywh(200, 140, 900, 620));
    EXPECT_EQ(ui.CaptureHolder(), WindowId{});

    ui.Mouse(w.Window(), MouseAction::Down, Point{400, 23});  // below the strip: no drag
    ui.Mouse(w.Window(), MouseAction::Move, Point{500, 100});
    ui.Mouse(w.Window(), MouseAction::Up, Point{500, 100});
    EXPECT_EQ(WindowRect(), RectXywh(200, 140, 900, 620));

    Press(res::kMainMaximize);
    ui.Mouse(w.Window(), MouseAction::Down, Point{400, 10});
    ui.Mouse(w.Window(), MouseAction::Move, Point{500, 50});
    ui.Mouse(w.Window(), MouseAction::Up, Point{500, 50});
    EXPECT_EQ(WindowRect(), RectXywh(0, 0, 1920, 1040));
    ui.PostClose(w.Window());
  });
}

TEST_F(MainWindowTest, MaximiseCoversTheWorkAreaAndRestoreGoesBackToTheSavedBounds) {
  ui.SetInitialPosition(res::kMainDialog, {120, 80});
  ui.SetWorkArea(RectXywh(0, 0, 1600, 860));
  Run([&](CZQN4170_ZEZureDlg& w) {
    ui.Resize(w.Window(), Size{1000, 700});
    const Rect before = WindowRect();
    struct Toggle {
      std::function<void()> act;
      bool maximized;
      Rect expected;
    };
    const Toggle toggles[] = {
        {[&] { Press(res::kMainMaximize); }, true, RectXywh(0, 0, 1600, 860)},
        {[&] { Press(res::kMainMaximize); }, false, before},
        {[&] { ui.Mouse(w.Window(), MouseAction::DoubleClick, Point{300, 22}); }, true, RectXywh(0, 0, 1600, 860)},
        {[&] { ui.Mouse(w.Window(), MouseAction::DoubleClick, Point{300, 23}); }, true, RectXywh(0, 0, 1600, 860)},
        {[&] { ui.Mouse(w.Window(), MouseAction::DoubleClick, Point{300, 5}); }, false, before},
    };
    for (const Toggle& t : toggles) {
      t.act();
      EXPECT_EQ(w.Maximized(), t.maximized);
      EXPECT_EQ(WindowRect(), t.expected);
      EXPECT_EQ(ui.Geometry(Part(res::kMainClose)), RectXywh(t.expected.Width() - 20, 3, 17, 17));
      EXPECT_EQ(record.layouts.back(), (Size{t.expected.Width() - 6, t.expected.Height() - 58}));
    }
    // The corner does nothing while maximised.
    Press(res::kMainMaximize);
    ui.Mouse(w.Window(), MouseAction::Down, Point{1595, 855});
    ui.Mouse(w.Window(), MouseAction::Move, Point{1200, 700});
    EXPECT_EQ(WindowRect(), RectXywh(0, 0, 1600, 860));
    ui.Mouse(w.Window(), MouseAction::Up, Point{1595, 855});
    EXPECT_EQ(WindowRect(), RectXywh(0, 0, 1600, 860));
    EXPECT_FALSE(w.Resizing());
    ui.PostClose(w.Window());
  });
}

TEST_F(MainWindowTest, MinimiseHidesTheWindow) {
  bool shownAfter = true;
  Run([&](CZQN4170_ZEZureDlg& w) {
    Press(res::kMainMinimize);
    shownAfter = ui.IsVisible(w.Window());
    ui.PostClose(w.Window());
  });
  EXPECT_FALSE(shownAfter);
}

}  // namespace
}  // namespace kemlog::app
