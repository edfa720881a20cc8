#pragma once
// NMEA files in the program's own dialect: $GPRMC, $GPGGA and $GPWQD per point.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "track/gpx_file.h"
#include "track/history_row.h"
#include "track/log_records.h"
#include "track/track_log.h"

namespace kemlog::track {

// The three lines (with checksum and CR LF) of one point.
std::string FormatNmeaPoint(const tagTrackLog& point);

// Writes three lines per point; false when the file cannot be created or written.
bool WriteNmeaFile(const std::string& path, std::span<const tagTrackLog> points);

struct NmeaReadResult {
  bool opened = false;
  std::vector<tagTrackLog> points;  // one per record, grouped by the first sentence type seen
  bool proprietarySeen = false;     // a $GPWQD sentence was read
};
// Lines longer than 1023 bytes are read as their first 1023 bytes and fields as their first 31
// characters; an RMC or ZDA date that makes no device time leaves the record's time as it was.
NmeaReadResult ReadNmeaFile(const std::string& path);

// A log assembled from imported points: its summary, its records and its history row.
struct ImportedLog {
  LogSummaryRecord summary;
  std::vector<TrackPointRecord> points;
  HistoryRow row;
};
// Nothing when the points cannot make a log (no record, or no $GPWQD sentence seen).
std::optional<ImportedLog> BuildImportedLog(const NmeaReadResult& read);

// Writes the imported log as a GPX file (offset 0) into folder; returns its path. The path is
// returned even when writing failed (the reporter then got the reason), as the list keeps it.
std::string StoreImportedLog(const ImportedLog& log, const std::string& folder,
                             const FileErrorReporter& reportError);

}  // namespace kemlog::track
