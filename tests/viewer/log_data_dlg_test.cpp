// The log data page as a user meets it: its start, the layout for a page size, the map service
// check, the history list and its count caption, opening a log into the table, the map and the
// graph, table clicks and the two view buttons.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/viewer/log_page_fixture.h"

namespace kemlog::viewer::testing {
namespace {

using platform::Rect;
using platform::RectXywh;

TEST_F(LogPageTest, StartsInThePlaceholderWithGraphShownEmptyListsAndTheStartCaption) {
  Run([&] {
    EXPECT_EQ(ui.Geometry(page->Window()), RectXywh(3, 55, 894, 562));
    EXPECT_TRUE(ui.IsVisible(page->Window()));
    EXPECT_FALSE(ui.Control(hostWindow, res::kMainLogPagePlaceholder));
    EXPECT_EQ(ui.Text(Part(res::kLogCountCaption)), "合計   0履歷");
    EXPECT_TRUE(ui.IsVisible(Part(res::kLogGraph)));
    EXPECT_FALSE(ui.IsVisible(page->PointTable()));
    EXPECT_TRUE(ui.IsVisible(page->HistoryList()));
    EXPECT_TRUE(page->GraphLatched());
    EXPECT_FALSE(page->DetailLatched());
    EXPECT_EQ(ui.ListRowCount(page->HistoryList()), 0);
    EXPECT_TRUE(page->LogFiles().empty());
    EXPECT_EQ(ui.BackgroundOf(page->Window()), platform::Colour{0xFFFFFF});
    // The skinned buttons keep the pictures of the template.
    const platform::PictureIds play = ui.Pictures(Part(res::kLogPlay));
    EXPECT_EQ(play.normal, 169);
    EXPECT_EQ(play.pressed, 187);
    EXPECT_EQ(play.hover, 186);

    const auto connecting = ui.TextStyleOf(Part(res::kLogConnecting));
    EXPECT_EQ(connecting.text, platform::Colour{0x000000});
    EXPECT_EQ(connecting.background, platform::Colour{0xFFFFFF});
    ASSERT_TRUE(connecting.font.has_value());
    EXPECT_EQ(connecting.font->face, "Rounded M+ 1c-2c3 regular");
    const auto caption = ui.TextStyleOf(Part(res::kLogCountCaption));
    EXPECT_EQ(caption.text, platform::Colour{0xFFFFFF});
    EXPECT_FALSE(caption.background.has_value());
  });
}

TEST_F(LogPageTest, ListsGetTheirColumnsInOrderWithTheirWidths) {
  Run([&] {
    const std::vector<platform::ListColumn> table = ui.ListColumns(page->PointTable());
    const std::vector<std::pair<std::string, int>> tableExpected = {
        {"インデックス", 110}, {"時間", 150},     {"緯度", 100},   {"経度", 100},  {"距離", 100},
        {"速度", 100},         {"カロリー", 100}, {"ペース", 100}, {"脈拍数", 100},
    };
    ASSERT_EQ(table.size(), tableExpected.size());
    for (size_t i = 0; i < table.size(); ++i) {
      EXPECT_EQ(table[i].caption, tableExpected[i].first) << i;
      EXPECT_EQ(table[i].width, tableExpected[i].second) << i;
      EXPECT_EQ(table[i].alignment, platform::Alignment::Left);
    }
    const std::vector<platform::ListColumn> history = ui.ListColumns(page->HistoryList());
    const std::vector<std::pair<std::string, int>> historyExpected = {
        {"日時", 160}, {"所要時間", 80}, {"ペース", 80}, {"消費カロリー", 105}, {"距離", 80},
    };
    ASSERT_EQ(history.size(), historyExpected.size());
    for (size_t i = 0; i < history.size(); ++i) {
      EXPECT_EQ(history[i].caption, historyExpected[i].first) << i;
      EXPECT_EQ(history[i].width, historyExpected[i].second) << i;
    }
  });
}

struct LayoutCase {
  int width;
  int height;
  ControlId control;  // 0: the map view
  Rect expected;
};

TEST_F(LogPageTest, LayoutPlacesEveryControlForThePageSize) {
  const LayoutCase cases[] = {
      {894, 562, res::kLogPlay, RectXywh(873, 298, 18, 18)},
      {894, 562, res::kLogPointTable, RectXywh(272, 316, 621, 245)},
      {894, 562, res::kLogGraph, RectXywh(272, 316, 621, 245)},
      {894, 562, 0, RectXywh(272, 2, 622, 292)},
      {894, 562, res::kLogConnecting, RectXywh(272, 2, 621, 292)},
      {894, 562, res::kLogHistoryList, RectXywh(1, 25, 270, 536)},
      {1200, 800, res::kLogBanner, RectXywh(1, 2, 269, 25)},
      {1200, 800, res::kLogCountCaption, RectXywh(10, 6, 150, 20)},
      {1200, 800, res::kLogOpen, RectXywh(231, 6, 18, 18)},
      {1200, 800, res::kLogSave, RectXywh(250, 6, 18, 18)},
      {1200, 800, res::kLogHistoryList, RectXywh(1, 25, 270, 774)},
      {1200, 800, 0, RectXywh(272, 2, 928, 530)},
      {1200, 800, res::kLogConnecting, RectXywh(272, 2, 927, 530)},
      {1200, 800, res::kLogBar, RectXywh(272, 534, 926, 22)},
      {1200, 800, res::kLogGraphTab, RectXywh(274, 538, 82, 17)},
      {1200, 800, res::kLogDetailTab, RectXywh(356, 538, 82, 17)},
      {1200, 800, res::kLogRewind, RectXywh(1103, 536, 18, 18)},
      {1200, 800, res::kLogFastForward, RectXywh(1122, 536, 18, 18)},
      {1200, 800, res::kLogStop, RectXywh(1141, 536, 18, 18)},
      {1200, 800, res::kLogPause, RectXywh(1160, 536, 18, 18)},
      {1200, 800, res::kLogPlay, RectXywh(1179, 536, 18, 18)},
      {1200, 800, res::kLogPointTable, RectXywh(272, 554, 927, 245)},
      {1200, 800, res::kLogGraph, RectXywh(272, 554, 927, 245)},
  };
  Run([&] {
    for (const LayoutCase& c : cases) {
      page->LayoutLogPage(c.width, c.height);
      const WindowId control = c.control == 0 ? page->MapView().Window() : Part(c.control);
      EXPECT_EQ(ui.Geometry(control), c.expected) << c.width << "x" << c.height << " control " << c.control;
    }
  });
}

TEST_F(LogPageTest, ReachableMapIsShownAndLoadedOnceWithoutFurtherChecks) {
  Run([&] {
    EXPECT_TRUE(page->MapReady());
    EXPECT_TRUE(ui.IsVisible(page->MapView().Window()));
    EXPECT_FALSE(ui.IsVisible(Part(res::kLogConnecting)));
    EXPECT_FALSE(ui.Control(page->Window(), res::kLogMapPlaceholder));
    ASSERT_EQ(View().Loads().size(), 1u);
    EXPECT_NE(View().Loads()[0].html.find("map_canvas"), std::string::npos);
    ui.Invalidate(page->Window());
    ui.RunUntilIdle();
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(View().Loads().size(), 1u);
  });
}

TEST_F(LogPageTest, UnreachableMapShowsConnectingAndEachPaintChecksUntilItSucceeds) {
  reachable = false;
  Run([&] {
    EXPECT_FALSE(page->MapReady());
    EXPECT_FALSE(ui.IsVisible(page->MapView().Window()));
    EXPECT_TRUE(ui.IsVisible(Part(res::kLogConnecting)));
    ui.RunUntilIdle();
    const int afterStart = checks;
    EXPECT_GE(afterStart, 2);  // the start and its first paint
    ui.Invalidate(page->Window());
    ui.RunUntilIdle();
    EXPECT_EQ(checks, afterStart + 1);
    EXPECT_FALSE(page->MapReady());
    EXPECT_EQ(View().Loads().size(), 1u);

    reachable = true;
    ui.Invalidate(page->Window());
    ui.RunUntilIdle();
    EXPECT_TRUE(page->MapReady());
    EXPECT_EQ(View().Loads().size(), 2u);  // the page is loaded again
    EXPECT_TRUE(ui.IsVisible(page->MapView().Window()));
    EXPECT_FALSE(ui.IsVisible(Part(res::kLogConnecting)));

    const int afterSuccess = checks;
    ui.Invalidate(page->Window());
    ui.RunUntilIdle();
    EXPECT_EQ(checks, afterSuccess);
  });
}

TEST_F(LogPageTest, CountCaptionFollowsTheLogFileList) {
  Run([&] {
    page->RefreshLogCount();
    EXPECT_EQ(ui.Text(Part(res::kLogCountCaption)), "合計   0 履歷");
    const std::string a = AddLog(2);
    const std::string b = AddLog(2);
    const std::string c = AddLog(2);
    EXPECT_EQ(ui.Text(Part(res::kLogCountCaption)), "合計   0 履歷");  // until refreshed
    const int paints = ui.PaintCount(page->Window());
    page->RefreshLogCount();
    EXPECT_EQ(ui.Text(Part(res::kLogCountCaption)), "合計   3 履歷");
    EXPECT_GT(ui.PaintCount(page->Window()), paints);  // painted at once
    EXPECT_EQ(page->LogFiles(), (std::vector<tagTrackHistory>{{a}, {b}, {c}}));
    EXPECT_EQ(page->LogFilePaths(), (std::vector<std::string>{a, b, c}));
  });
}

TEST_F(LogPageTest, AWorkerAddsLogsWhileTheInterfaceThreadReadsTheList) {
  constexpr int kLogs = 2000;
  Run([&] {
    std::atomic<bool> done{false};
    std::vector<int> indexes;
    std::thread worker([&] {
      for (int i = 0; i < kLogs; ++i) indexes.push_back(page->AddLogFile("/logs/" + std::to_string(i) + ".gpx"));
      done = true;
    });
    bool prefixes = true;
    while (!done) {
      const std::vector<tagTrackHistory> seen = page->LogFiles();
      for (size_t i = 0; i < seen.size(); ++i) prefixes = prefixes && seen[i].filePath == "/logs/" + std::to_string(i) + ".gpx";
      page->OpenLog(static_cast<int>(seen.size()) + 5);  // the row check reads the count
    }
    worker.join();
    EXPECT_TRUE(prefixes);
    ASSERT_EQ(indexes.size(), static_cast<size_t>(kLogs));
    for (int i = 0; i < kLogs; ++i) EXPECT_EQ(indexes[static_cast<size_t>(i)], i);
    EXPECT_EQ(page->LogFiles().size(), static_cast<size_t>(kLogs));
    page->RefreshLogCount();
    EXPECT_EQ(ui.Text(Part(res::kLogCountCaption)), "合計   2000 履歷");
  });
}

TEST_F(LogPageTest, DoubleClickOpensTheLogIntoTableMapAndGraph) {
  Run([&] {
    AddLog(5, LogStart() + 7200);
    AddLog(3, LogStart());
    TakeCalls();
    ASSERT_TRUE(ui.DoubleClickListRow(page->HistoryList(), 1));

    const WindowId table = page->PointTable();
    ASSERT_EQ(ui.ListRowCount(table), 3);
    EXPECT_EQ(Row(table, 0, 9), (std::vector<std::string>{"0", "2016-05-01 16:30:00", "35.000000°", "139.500000°",
                                                            "0.00 km", "12 km/h", "12.3 kcal", "0'00\" /km", "140"}));
    EXPECT_EQ(Row(table, 1, 9), (std::vector<std::string>{"1", "2016-05-01 16:35:45", "35.001000°", "139.498000°",
                                                            "1.00 km", "12 km/h", "13.3 kcal", "5'45\" /km", "141"}));
    EXPECT_EQ(Row(table, 2, 9), (std::vector<std::string>{"2", "2016-05-01 16:41:30", "35.002000°", "139.496000°",
                                                            "2.00 km", "12 km/h", "14.3 kcal", "5'45\" /km", "142"}));
    EXPECT_EQ(page->CurrentRow(), 2);

    ASSERT_EQ(page->Points().size(), 3u);
    EXPECT_EQ(page->Points()[1].distance, 1000u);
    EXPECT_EQ(page->Points()[2].heartRate, 142);

    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{
                               "draw_file_path_clear_all()",
                               "draw_file_path_begin()",
                               "set_center(35.000000, 139.500000)",
                               "path_start(35.000000, 139.500000)",
                               "draw_file_path_plot(35.000000, 139.500000)",
                               "draw_file_path_plot(35.001000, 139.498000)",
                               "draw_file_path_plot(35.002000, 139.496000)",
                               "draw_file_path_end(35.002000, 139.496000)",
                           }));
    EXPECT_EQ(fills, (std::vector<GraphFill>{{3, 2000}}));
    const auto cursors = ui.CursorHistory();
    ASSERT_GE(cursors.size(), 2u);
    EXPECT_EQ(cursors[cursors.size() - 2], platform::CursorKind::Wait);
    EXPECT_EQ(ui.Cursor(), platform::CursorKind::Arrow);

    // Opening another log replaces the table and the points.
    ASSERT_TRUE(ui.DoubleClickListRow(page->HistoryList(), 0));
    EXPECT_EQ(ui.ListRowCount(table), 5);
    EXPECT_EQ(page->Points().size(), 5u);
    EXPECT_EQ(fills.back(), (GraphFill{5, 4000}));
  });
}

TEST_F(LogPageTest, CellTextsOfSpeedPaceCaloriesAndDistance) {
  // One point whose values are set directly in its GPX file record.
  Run([&] {
    track::TrackPointRecord first = MadePoint(0, LogStart());
    track::TrackPointRecord p = MadePoint(1, LogStart());
    p.speed = 125;
    p.calories = 123;
    p.distance = 1234;
    p.time = first.time + static_cast<int32_t>(5.75 * 60 * 1.234);  // pace 5.75 min/km at 1.234 km
    p.heartRate = 0;
    std::vector<track::TrackPointRecord> points{first, p};
    track::LogSummaryRecord summary;
    summary.startTime = LogStart();
    summary.pointCount = 2;
    ASSERT_TRUE(track::WriteGpxFile(points, 0, summary, downloads, {}));
    ui.InsertListRow(page->HistoryList(), 0, "row");
    page->AddLogFile(track::GpxFilePath(downloads, LogStart()));
    page->OpenLog(0);
    const WindowId table = page->PointTable();
    EXPECT_EQ(ui.ListCell(table, 1, 4), "1.23 km");
    EXPECT_EQ(ui.ListCell(table, 1, 5), "12 km/h");
    EXPECT_EQ(ui.ListCell(table, 1, 6), "12.3 kcal");
    EXPECT_EQ(ui.ListCell(table, 1, 7), "5'44\" /km");  // 425 s over 1.234 km: 5.7401 min/km
    EXPECT_EQ(ui.ListCell(table, 1, 8), "0");
  });
}

TEST_F(LogPageTest, OpeningNothingReadableLeavesEmptyTableAndGraphAndKeepsTheRoute) {
  Run([&] {
    const std::string gone = AddLog(4);
    AddLog(0);
    page->OpenLog(0);
    ASSERT_EQ(page->Points().size(), 4u);
    TakeCalls();

    // Outside the rows: nothing read, the graph filled again from the current points, distance 0.
    ASSERT_TRUE(ui.DoubleClickListRow(page->HistoryList(), 7));
    EXPECT_EQ(ui.ListRowCount(page->PointTable()), 4);
    EXPECT_EQ(fills.back(), (GraphFill{4, 0}));
    page->OpenLog(-1);
    EXPECT_EQ(fills.back(), (GraphFill{4, 0}));
    EXPECT_EQ(page->Points().size(), 4u);

    // A log of no points: empty table and graph, the map keeps the route drawn before.
    page->OpenLog(1);
    EXPECT_EQ(ui.ListRowCount(page->PointTable()), 0);
    EXPECT_TRUE(page->Points().empty());
    EXPECT_EQ(fills.back(), (GraphFill{0, 0}));
    EXPECT_TRUE(TakeCalls().empty());

    // A deleted file: the same, with no message.
    page->OpenLog(0);
    fs::remove(gone);
    page->OpenLog(0);
    EXPECT_EQ(ui.ListRowCount(page->PointTable()), 0);
    EXPECT_TRUE(page->Points().empty());
    EXPECT_EQ(fills.back(), (GraphFill{0, 0}));
    EXPECT_TRUE(ui.MessageBoxes().empty());
  });
}

TEST_F(LogPageTest, TableRowClickPutsTheSelectionMarkerWithoutMovingTheMap) {
  Run([&] {
    AddLog(8);
    page->OpenLog(0);
    ASSERT_TRUE(Press(res::kLogDetailTab));
    TakeCalls();
    ASSERT_TRUE(ui.ClickListRow(page->PointTable(), 5));
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"setpos(35.005000, 139.490000)"}));
    ASSERT_TRUE(ui.ClickListRow(page->PointTable(), 8));  // below the last row
    ASSERT_TRUE(ui.ClickListRow(page->PointTable(), 0));
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"setpos(35.000000, 139.500000)"}));
    // A click in the history list opens nothing and moves no marker.
    ASSERT_TRUE(ui.ClickListRow(page->HistoryList(), 0));
    EXPECT_TRUE(TakeCalls().empty());
    page->ShowPointOnMap(7);
    page->ShowPointOnMap(8);
    page->ShowPointOnMap(-1);
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"setpos(35.007000, 139.486000)"}));
  });
}

TEST_F(LogPageTest, ViewButtonsSwitchBetweenTableAndGraph) {
  Run([&] {
    const auto expectView = [&](bool detail) {
      EXPECT_EQ(ui.IsVisible(page->PointTable()), detail);
      EXPECT_EQ(ui.IsVisible(Part(res::kLogGraph)), !detail);
      EXPECT_EQ(page->DetailLatched(), detail);
      EXPECT_EQ(page->GraphLatched(), !detail);
    };
    ASSERT_TRUE(Press(res::kLogDetailTab));
    expectView(true);
    ASSERT_TRUE(Press(res::kLogDetailTab));
    expectView(true);
    ASSERT_TRUE(Press(res::kLogGraphTab));
    expectView(false);
    ASSERT_TRUE(Press(res::kLogGraphTab));
    expectView(false);
  });
}

TEST_F(LogPageTest, ChartLivesInItsCustomControlAndIsSetUpOnce) {
  int setUps = 0;
  chart::CPlotCtrl* setUpChart = nullptr;
  HostWindow host;
  ui.QueueStep([&] {
    LogPageOptions options = Options();
    options.graph.setUp = [&](chart::CPlotCtrl& c) {
      ++setUps;
      setUpChart = &c;
    };
    page = std::make_unique<CLogDataDlg>(services, options);
    EXPECT_TRUE(page->CreateInPlaceholder(host.self, res::kMainLogPagePlaceholder));
    EXPECT_FALSE(page->CreateInPlaceholder(host.self, res::kMainLogPagePlaceholder));  // placeholder gone
    ui.RunUntilIdle();
    EXPECT_NE(ui.LastPaint(Part(res::kLogGraph)), nullptr);  // the chart paints the control
    ui.EndDialog(host.self, 0);
  });
  ui.RunModal(kHostTemplate, {}, host);
  EXPECT_EQ(setUps, 1);
  EXPECT_EQ(setUpChart, &page->Chart());
}

TEST_F(LogPageTest, APageDestroyedBeforeItsParentTakesItsWindowsAlong) {
  HostWindow host;
  ui.QueueStep([&] {
    page = std::make_unique<CLogDataDlg>(services, Options());
    ASSERT_TRUE(page->CreateInPlaceholder(host.self, res::kMainLogPagePlaceholder));
    AddLog(600);
    page->OpenLog(0);
    ASSERT_TRUE(ui.PressButton(Part(res::kLogPlay)));
    const WindowId self = page->Window();
    const WindowId map = page->MapView().Window();
    page.reset();
    EXPECT_FALSE(ui.Exists(self));
    EXPECT_FALSE(ui.Exists(map));
    ui.AdvanceTime(500);  // no timer of the gone page fires
    ui.RunUntilIdle();
    ui.EndDialog(host.self, 0);
  });
  ui.RunModal(kHostTemplate, {}, host);
  EXPECT_FALSE(ui.LoopTimedOut());
}

TEST_F(LogPageTest, NoPlaceholderNoPage) {
  HostWindow host;
  ui.QueueStep([&] {
    page = std::make_unique<CLogDataDlg>(services, Options());
    EXPECT_FALSE(page->CreateInPlaceholder(host.self, 4242));
    EXPECT_FALSE(page->Window());
    EXPECT_FALSE(ui.FindDialog(res::kLogDataPage));
    ui.EndDialog(host.self, 0);
  });
  ui.RunModal(kHostTemplate, {}, host);
}

}  // namespace
}  // namespace kemlog::viewer::testing
