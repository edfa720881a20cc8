#pragma once
// GPX track files in the program's own line-oriented dialect.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "track/device_time.h"
#include "track/log_records.h"
#include "track/track_log.h"

namespace kemlog::track {

// "Kem_2yyymmdd_hhmmss" of a start time (already shifted).
std::string GpxFileName(int32_t startTime);
// folder + separator + name + ".gpx".
std::string GpxFilePath(const std::string& folder, int32_t startTime);

// Receives the file error text when the file cannot be created (the desktop program shows it in a
// message box).
using FileErrorReporter = std::function<void(const std::string& message)>;

// Writes one log. summary.startTime grows by offset in place, and the file is named after the shifted
// start. At most summary.pointCount points are written (and never more than `points` holds).
// Returns false when the file could not be created or written; the reporter then got the reason.
bool WriteGpxFile(std::span<const TrackPointRecord> points, int32_t offset, LogSummaryRecord& summary,
                  std::string folder, const FileErrorReporter& reportError);

// What ReadGpxTrack reports, line by line in file order.
class GpxTrackConsumer {
 public:
  virtual ~GpxTrackConsumer() = default;
  virtual void OnPointBegin(int index, double latitude, double longitude) = 0;
  virtual void OnTime(const DeviceTime& time) = 0;
  virtual void OnDistance(uint32_t metres) = 0;
  virtual void OnSpeed(uint32_t speed) = 0;
  virtual void OnCalories(uint32_t calories) = 0;
  virtual void OnHeartRate(int32_t bpm) = 0;
  virtual void OnPointEnd(const tagTrackLog& point) = 0;
  // After the last line; hasPosition is false when the file had no point position at all.
  virtual void OnEndOfFile(double latitude, double longitude, bool hasPosition) = 0;
};

// Reads a file written by WriteGpxFile. Only paths ending exactly in ".gpx" are read; a file that
// cannot be opened yields no notifications. A line longer than 1023 bytes is read as its first 1023
// bytes, a quoted coordinate as its first 31 characters, and a time line that makes no device time
// (a separator missing, a month outside 1..12, before 2000 or past the largest count) is skipped.
void ReadGpxTrack(const std::string& path, GpxTrackConsumer& consumer);

// Convenience: the completed points of a file.
std::vector<tagTrackLog> ReadGpxPoints(const std::string& path);

}  // namespace kemlog::track
