// A downloaded log through GPX, NMEA export, import and GPX again.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "track/device_time.h"
#include "track/gpx_file.h"
#include "track/nmea_file.h"

namespace kemlog::track {
namespace {

using testing::TempFolder;

// A run near Tokyo with every field exercised, including negative coordinates and elevations.
std::vector<TrackPointRecord> MakeRun(size_t count) {
  std::mt19937 random(4170);
  std::uniform_int_distribution<int32_t> step(-900, 900);
  std::vector<TrackPointRecord> points;
  TrackPointRecord p{515403000, 21400123, 83859672, -12, 0, 120, 3, 40, 0, 0};
  for (size_t i = 0; i < count; ++i) {
    points.push_back(p);
    p.time += 5;
    p.latitude += step(random);
    p.longitude = -p.longitude + step(random);  // alternate the hemisphere
    p.elevation = static_cast<int16_t>(p.elevation + step(random) / 100);
    p.speed = static_cast<uint16_t>(60000 + step(random));
    p.heartRate = static_cast<uint8_t>(60 + i % 190);
    p.distance += static_cast<uint32_t>(10 + i % 7);
    p.calories += static_cast<uint32_t>(i % 3);
  }
  return points;
}

// Positions agree to one record unit (1/600000 degree, lost by truncation on import) plus the
// six-decimal rounding of the two files' texts.
void ExpectSameTrack(const std::vector<tagTrackLog>& a, const std::vector<tagTrackLog>& b) {
  constexpr double kTolerance = 1 / 600000.0 + 1e-6;
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(a[i].time, b[i].time);
    EXPECT_NEAR(a[i].latitude, b[i].latitude, kTolerance);
    EXPECT_NEAR(a[i].longitude, b[i].longitude, kTolerance);
    EXPECT_EQ(a[i].elevation, b[i].elevation);
    EXPECT_EQ(a[i].distance, b[i].distance);
    EXPECT_EQ(a[i].speed, b[i].speed);
    EXPECT_EQ(a[i].calories, b[i].calories);
    EXPECT_EQ(a[i].heartRate, b[i].heartRate);
    EXPECT_EQ(a[i].pace, b[i].pace);
  }
}

TEST(RoundTrip, GpxToNmeaAndBackKeepsEveryPoint) {
  TempFolder download;
  TempFolder imports;
  const std::vector<TrackPointRecord> run = MakeRun(300);
  LogSummaryRecord summary{run.front().time, 1495, 0, static_cast<uint32_t>(run.size()), run.back().distance,
                           run.back().calories};
  ASSERT_TRUE(WriteGpxFile(run, kLocalTimeOffset, summary, download.Path(), nullptr));
  const std::vector<tagTrackLog> downloaded = ReadGpxPoints(GpxFilePath(download.Path(), summary.startTime));
  ASSERT_EQ(downloaded.size(), run.size());
  for (size_t i = 0; i < run.size(); ++i) {
    EXPECT_EQ(downloaded[i].time, static_cast<uint32_t>(run[i].time + kLocalTimeOffset));
    EXPECT_NEAR(downloaded[i].latitude, run[i].latitude / 600000.0, 0.5e-6);
  }

  const std::string nmea = imports.File("export.nmea");
  ASSERT_TRUE(WriteNmeaFile(nmea, downloaded));
  const NmeaReadResult read = ReadNmeaFile(nmea);
  ASSERT_EQ(read.points.size(), run.size());
  const std::optional<ImportedLog> log = BuildImportedLog(read);
  ASSERT_TRUE(log);
  EXPECT_EQ(log->row[0], "2016/05/01 16:30~16:54");
  EXPECT_EQ(log->row[1], "0:24:55");
  const std::string path = StoreImportedLog(*log, imports.Path(), nullptr);
  EXPECT_EQ(path, GpxFilePath(imports.Path(), summary.startTime));
  ExpectSameTrack(ReadGpxPoints(path), downloaded);

  // The records stored for the import are the watch's to 1/600000 degree, truncated.
  for (size_t i = 0; i < run.size(); ++i) {
    EXPECT_LE(std::abs(log->points[i].latitude - run[i].latitude), 1) << i;
    EXPECT_LE(std::abs(log->points[i].longitude - run[i].longitude), 1) << i;
  }
}

}  // namespace
}  // namespace kemlog::track
