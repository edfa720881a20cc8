#include "cli/commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "device/messages.h"
#include "sim/watch_logs.h"
#include "track/gpx_file.h"

namespace kemlog::cli {
namespace {

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

CliRun Cli(const Args& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int code = RunCli(args, out, err);
  return {code, out.str(), err.str()};
}

std::vector<std::vector<std::string>> Rows(const std::string& out) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    rows.push_back(fields);
  }
  return rows;
}

class CliFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() / ("kemlog-cli-" + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string In(const std::string& name) const { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

TEST(CliHelp, ProgramAndEveryCommandExplainThemselves) {
  const CliRun program = Cli({"--help"});
  EXPECT_EQ(program.code, 0);
  for (const char* command : {"download", "sim", "export-nmea", "import-nmea"}) {
    EXPECT_NE(program.out.find(command), std::string::npos) << command;
    const CliRun help = Cli({command, "--help"});
    EXPECT_EQ(help.code, 0) << command;
    EXPECT_EQ(help.out.rfind(std::string("usage: kemlog-cli ") + command, 0), 0u) << help.out;
  }
}

TEST(CliHelp, RejectsWhatItDoesNotKnow) {
  struct Case {
    Args args;
    int code;
  };
  for (const Case& c : {Case{{}, 2}, Case{{"frobnicate"}, 2}, Case{{"download", "--bogus"}, 2},
                        Case{{"download", "--port"}, 2}, Case{{"download", "--demo", "--logs", "x"}, 2},
                        Case{{"export-nmea", "only-one"}, 2}, Case{{"import-nmea"}, 2}}) {
    const CliRun r = Cli(c.args);
    EXPECT_EQ(r.code, c.code) << (c.args.empty() ? "(none)" : c.args[0]);
    EXPECT_FALSE(r.err.empty());
  }
}

TEST_F(CliFiles, DemoDownloadStoresAndListsEveryLog) {
  const CliRun r = Cli({"download", "--demo", "--logs", "2", "--points", "60", "--seed", "5", "--out", In("logs")});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto rows = Rows(r.out);
  ASSERT_EQ(rows.size(), 2u) << r.out;
  const std::vector<sim::WatchLog> logs = sim::GenerateWatchLogs(5, 2, 60);
  for (size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 6u);
    EXPECT_EQ(rows[i][4].substr(rows[i][4].size() - 3), " km");
    EXPECT_EQ(rows[i][5], track::GpxFilePath(In("logs"), logs[i].startTime + 32400));
    EXPECT_EQ(track::ReadGpxPoints(rows[i][5]).size(), logs[i].points.size());
  }
  EXPECT_NE(r.err.find("downloading log 2 of 2"), std::string::npos);
}

TEST_F(CliFiles, AFileThatCannotBeWrittenFailsTheDownloadButKeepsTheOthers) {
  const std::vector<sim::WatchLog> logs = sim::GenerateWatchLogs(5, 2, 30);
  // A folder where the first log's file should go makes that file impossible to create.
  std::filesystem::create_directories(track::GpxFilePath(In("logs"), logs[0].startTime + 32400));
  const CliRun r = Cli({"download", "--demo", "--logs", "2", "--points", "30", "--seed", "5", "--out", In("logs")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot write GPX file"), std::string::npos) << r.err;
  EXPECT_EQ(Rows(r.out).size(), 2u);  // both listed, as the desktop program lists them
  EXPECT_EQ(track::ReadGpxPoints(track::GpxFilePath(In("logs"), logs[1].startTime + 32400)).size(), 30u);
}

TEST_F(CliFiles, UnreachableWatchIsAClearFailure) {
  const CliRun r = Cli({"download", "--port", In("no-such-port"), "--out", In("logs")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(device::kConnectionMessage), std::string::npos);
}

// Download, export to NMEA, import back: the imported log carries the same track.
TEST_F(CliFiles, NmeaRoundTripKeepsTheTrack) {
  const CliRun download = Cli({"download", "--demo", "--logs", "1", "--points", "80", "--out", In("logs")});
  ASSERT_EQ(download.code, 0) << download.err;
  const std::string gpx = Rows(download.out).at(0).at(5);
  ASSERT_EQ(Cli({"export-nmea", gpx, In("run.nmea")}).code, 0);
  const CliRun import = Cli({"import-nmea", In("run.nmea"), "--out", In("imported")});
  ASSERT_EQ(import.code, 0) << import.err;
  const auto row = Rows(import.out).at(0);
  ASSERT_EQ(row.size(), 6u);
  EXPECT_EQ(std::filesystem::path(row[5]).filename(), std::filesystem::path(gpx).filename());

  const auto before = track::ReadGpxPoints(gpx);
  const auto after = track::ReadGpxPoints(row[5]);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(after[i].time, before[i].time);
    // The files print degrees with six decimals, finer than the watch's unit of 1/600000 degree, so
    // rounding recovers the units; the import may lose one unit by truncating.
    EXPECT_LE(std::llabs(std::llround(after[i].latitude * 600000) - std::llround(before[i].latitude * 600000)), 1);
    EXPECT_LE(std::llabs(std::llround(after[i].longitude * 600000) - std::llround(before[i].longitude * 600000)), 1);
    EXPECT_EQ(after[i].elevation, before[i].elevation);
    EXPECT_EQ(after[i].distance, before[i].distance);
    EXPECT_EQ(after[i].speed, before[i].speed);
    EXPECT_EQ(after[i].calories, before[i].calories);
    EXPECT_EQ(after[i].heartRate, before[i].heartRate);
  }
}

TEST_F(CliFiles, ConversionsRefuseFilesTheyCannotUse) {
  std::ofstream(In("foreign.nmea")) << "$GPRMC,163000,A,3540.1,N,13945.9,E,,,010516,,,*00\r\n";
  std::ofstream(In("empty.gpx")) << "<gpx>\r\n</gpx>";
  struct Case {
    Args args;
    const char* complaint;
  };
  for (const Case& c : {Case{{"export-nmea", In("missing.gpx"), In("x.nmea")}, "not a readable"},
                        Case{{"export-nmea", In("empty.gpx"), In("x.nmea")}, "no track point"},
                        Case{{"import-nmea", In("missing.nmea"), "--out", In("o")}, "cannot open"},
                        Case{{"import-nmea", In("foreign.nmea"), "--out", In("o")}, "$GPWQD"}}) {
    const CliRun r = Cli(c.args);
    EXPECT_EQ(r.code, 1) << c.args[1];
    EXPECT_NE(r.err.find(c.complaint), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(In("x.nmea")));
}

TEST_F(CliFiles, ImportIntoAFolderThatCannotBeCreatedFails) {
  const CliRun download = Cli({"download", "--demo", "--logs", "1", "--points", "20", "--out", In("logs")});
  ASSERT_EQ(download.code, 0) << download.err;
  ASSERT_EQ(Cli({"export-nmea", Rows(download.out).at(0).at(5), In("run.nmea")}).code, 0);
  std::ofstream(In("plain-file")) << "x";
  const CliRun r = Cli({"import-nmea", In("run.nmea"), "--out", In("plain-file/sub")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot create"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace kemlog::cli
