#pragma once
// The log download against the simulated watch: a sink that records what a user would see, a fresh
// log folder, and checks that a stored file holds exactly the watch's log.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "device/log_download.h"
#include "sim/watch_logs.h"
#include "track/gpx_file.h"

namespace kemlog::testing {

struct RecordingSink : device::LogDownloadSink {
  std::vector<std::string> messages;
  std::vector<std::pair<int, track::HistoryRow>> rows;
  std::vector<std::string> paths;
  std::vector<std::string> fileErrors;
  int closeRequests = 0;

  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  int LogFileCount() override { return static_cast<int>(paths.size()); }
  void InsertHistoryRow(int index, const track::HistoryRow& row) override { rows.emplace_back(index, row); }
  int AddLogFile(const std::string& path) override {
    paths.push_back(path);
    return static_cast<int>(paths.size()) - 1;
  }
  void ReportFileError(const std::string& message) override { fileErrors.push_back(message); }
  void RequestClose() override { ++closeRequests; }
};

// A log folder of its own for each test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("kemlog-test-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::string Path() const { return path_.string(); }
  size_t FileCount() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(path_), {}));
  }

 private:
  std::filesystem::path path_;
};

// The stored file at path reads back into the watch's points, shifted to local time.
inline void ExpectFileHoldsLog(const std::string& path, const sim::WatchLog& log) {
  const std::vector<track::tagTrackLog> read = track::ReadGpxPoints(path);
  ASSERT_EQ(read.size(), log.points.size()) << path;
  for (size_t i = 0; i < read.size(); ++i) {
    const sim::WatchPoint& p = log.points[i];
    SCOPED_TRACE("point " + std::to_string(i));
    EXPECT_EQ(read[i].time, static_cast<uint32_t>(p.time + 32400));
    EXPECT_NEAR(read[i].latitude, p.latitude / 600000.0, 1e-6);
    EXPECT_NEAR(read[i].longitude, p.longitude / 600000.0, 1e-6);
    EXPECT_EQ(read[i].elevation, p.elevation);
    EXPECT_EQ(read[i].distance, p.distance);
    EXPECT_EQ(read[i].speed, p.speed);
    EXPECT_EQ(read[i].calories, p.calories);
    EXPECT_EQ(read[i].heartRate, p.heartRate);
  }
}

}  // namespace kemlog::testing
