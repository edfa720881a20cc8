// The Save and Open buttons of the log data page: NMEA export of the opened log through the save
// dialog, and import of such a file as a new log of the run.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/viewer/log_page_fixture.h"

namespace kemlog::viewer::testing {
namespace {

std::vector<std::string> FileLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<std::string> lines;
  std::string all = text.str();
  for (size_t at = 0; at < all.size();) {
    const size_t end = all.find("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back(all.substr(at) + "<no CR LF>");
      break;
    }
    lines.push_back(all.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

class NmeaButtonsTest : public LogPageTest {
 protected:
  std::string Nmea(const std::string& name) const { return (fs::path(root) / name).string(); }
};

TEST_F(NmeaButtonsTest, SaveWritesThreeLinesPerPointOfTheOpenedLog) {
  Run([&] {
    AddLog(4, LogStart());
    page->OpenLog(0);
    const std::string path = Nmea("out.nmea");
    ui.QueueFileDialogAnswer(path);
    ASSERT_TRUE(Press(res::kLogSave));

    const auto requests = ui.FileDialogRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, platform::FileDialogKind::Save);
    EXPECT_EQ(requests[0].title, "名前を付けて保存");
    EXPECT_EQ(requests[0].filter, "NMEA File(*.nmea) |*.nmea||");
    EXPECT_EQ(requests[0].defaultExtension, "*.nmea");
    EXPECT_EQ(page->NmeaSavePath(), path);

    const std::vector<std::string> lines = FileLines(path);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0].substr(0, lines[0].find('*')), "$GPRMC,163000,,3500.0000,,13950.0000,,,,010516,,,");
    EXPECT_EQ(lines[1].substr(0, lines[1].find('*')), "$GPGGA,163000,3500.0000,,13950.0000,,,,,10,M,,M,,");
    EXPECT_EQ(lines[5].substr(0, lines[5].find('*')), "$GPWQD,KemWatch,1000, 126, 133, 5.75, 141,");
    EXPECT_EQ(lines[9].substr(0, 13), "$GPRMC,164715");
    EXPECT_TRUE(ui.MessageBoxes().empty());
  });
}

TEST_F(NmeaButtonsTest, SaveCancelledOrWithoutLogsWritesNothing) {
  Run([&] {
    ASSERT_TRUE(Press(res::kLogSave));  // cancelled
    EXPECT_TRUE(page->NmeaSavePath().empty());
    const std::string path = Nmea("none.nmea");
    ui.QueueFileDialogAnswer(path);
    ASSERT_TRUE(Press(res::kLogSave));
    EXPECT_EQ(page->NmeaSavePath(), path);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(ui.FileDialogRequests().size(), 2u);
    EXPECT_TRUE(ui.MessageBoxes().empty());
  });
}

TEST_F(NmeaButtonsTest, SaveToAFileThatCannotBeCreatedTellsTheUser) {
  Run([&] {
    AddLog(2);
    page->OpenLog(0);
    ui.QueueFileDialogAnswer(Nmea("no-such-folder/out.nmea"));
    ASSERT_TRUE(Press(res::kLogSave));
    const auto boxes = ui.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "軌跡データの作成ができませんでした。");
    EXPECT_EQ(boxes[0].owner, page->Window());
  });
}

TEST_F(NmeaButtonsTest, OpenStoresTheFileAsANewLogWithItsRowAndFile) {
  Run([&] {
    AddLog(4, LogStart());
    page->OpenLog(0);
    const std::vector<std::string> firstRow = Row(page->PointTable(), 3, 9);
    const std::string path = Nmea("trip.nmea");
    ui.QueueFileDialogAnswer(path);
    ASSERT_TRUE(Press(res::kLogSave));
    logFolderPath = "elsewhere";

    ui.QueueFileDialogAnswer(path);
    ASSERT_TRUE(Press(res::kLogOpen));
    const auto requests = ui.FileDialogRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].kind, platform::FileDialogKind::Open);
    EXPECT_EQ(requests[1].title, "ファイルを開く");
    EXPECT_EQ(requests[1].filter, "NMEA File(*.nmea) |*.nmea||");
    EXPECT_EQ(requests[1].defaultExtension, "*.nmea");
    EXPECT_EQ(requests[1].flags, platform::kHideReadOnly | platform::kPathMustExist | platform::kFileMustExist);
    EXPECT_EQ(page->NmeaOpenPath(), path);

    // A new row after the first one, the stored GPX file in the log folder, the count refreshed.
    ASSERT_EQ(ui.ListRowCount(page->HistoryList()), 2);
    EXPECT_EQ(Row(page->HistoryList(), 1, 5),
              (std::vector<std::string>{"2016/05/01 16:30~16:47", "0:17:15", "5'45\" /km", "15.3 kcal", "3.00 km"}));
    const std::string stored = track::GpxFilePath(logFolder, LogStart());
    ASSERT_EQ(page->LogFiles().size(), 2u);
    EXPECT_EQ(page->LogFiles()[1].filePath, stored);
    EXPECT_TRUE(fs::exists(stored));
    EXPECT_EQ(logFolderPath, logFolder);
    EXPECT_EQ(ui.Text(Part(res::kLogCountCaption)), "合計   2 履歷");
    // The table still shows the log opened before; the points are the imported ones.
    EXPECT_EQ(ui.ListRowCount(page->PointTable()), 4);
    EXPECT_EQ(page->Points().size(), 4u);

    // Opened, the new log shows the same points.
    ASSERT_TRUE(ui.DoubleClickListRow(page->HistoryList(), 1));
    ASSERT_EQ(ui.ListRowCount(page->PointTable()), 4);
    EXPECT_EQ(Row(page->PointTable(), 3, 9), firstRow);
    EXPECT_EQ(page->Points()[2].elevation, 12);
    EXPECT_TRUE(ui.MessageBoxes().empty());
  });
}

TEST_F(NmeaButtonsTest, SaveAfterOpenWritesTheImportedPoints) {
  Run([&] {
    AddLog(3);
    AddLog(5);
    page->OpenLog(0);
    const std::string three = Nmea("three.nmea");
    ui.QueueFileDialogAnswer(three);
    ASSERT_TRUE(Press(res::kLogSave));
    page->OpenLog(1);
    ui.QueueFileDialogAnswer(three);
    ASSERT_TRUE(Press(res::kLogOpen));
    EXPECT_EQ(ui.ListRowCount(page->PointTable()), 5);
    const std::string again = Nmea("again.nmea");
    ui.QueueFileDialogAnswer(again);
    ASSERT_TRUE(Press(res::kLogSave));
    EXPECT_EQ(FileLines(again).size(), 9u);
  });
}

TEST_F(NmeaButtonsTest, OpenStoresNothingForForeignMissingOrCancelledFiles) {
  Run([&] {
    AddLog(2);
    page->OpenLog(0);
    const std::string foreign = Nmea("foreign.nmea");
    {
      std::ofstream out(foreign, std::ios::binary);
      out << "$GPRMC,163000,,3500.0000,,13950.0000,,,,010516,,,*00\r\n"
             "$GPGGA,163000,3500.0000,,13950.0000,,,,,10,M,,M,,*00\r\n"
             "$GPRMC,163010,,3500.1000,,13950.0000,,,,010516,,,*00\r\n";
    }
    ui.QueueFileDialogAnswer(foreign);
    ASSERT_TRUE(Press(res::kLogOpen));
    EXPECT_EQ(page->LogFiles().size(), 1u);
    EXPECT_EQ(ui.ListRowCount(page->HistoryList()), 1);
    EXPECT_EQ(page->Points().size(), 2u);  // what was read stays in the working store

    ui.QueueFileDialogAnswer(Nmea("missing.nmea"));
    ASSERT_TRUE(Press(res::kLogOpen));
    ASSERT_TRUE(Press(res::kLogOpen));  // cancelled
    EXPECT_EQ(page->LogFiles().size(), 1u);
    EXPECT_EQ(ui.ListRowCount(page->HistoryList()), 1);
    EXPECT_EQ(ui.Text(Part(res::kLogCountCaption)), "合計   0履歷");
    EXPECT_TRUE(fs::is_empty(logFolder));
    EXPECT_TRUE(ui.MessageBoxes().empty());
  });
}

}  // namespace
}  // namespace kemlog::viewer::testing
