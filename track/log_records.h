#pragma once
// The watch's raw records, decoded field by field from little-endian bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kemlog::track {

inline constexpr size_t kLogSummarySize = 64;
inline constexpr size_t kTrackPointSize = 32;

// One stored log (64 bytes on the wire; reserved bytes are not kept).
struct LogSummaryRecord {
  int32_t startTime = 0;     // device seconds
  uint32_t duration = 0;     // seconds
  int32_t pointStart = 0;    // handed back to the watch in the point request
  uint32_t pointCount = 0;   // track points of this log
  uint32_t distance = 0;     // metres
  uint32_t calories = 0;     // 0.1 kcal
  bool operator==(const LogSummaryRecord&) const = default;
};

// One recorded point (32 bytes on the wire).
struct TrackPointRecord {
  int32_t time = 0;        // device seconds
  int32_t latitude = 0;    // degrees x 600000
  int32_t longitude = 0;   // degrees x 600000
  int16_t elevation = 0;   // metres
  uint16_t speed = 0;      // 0.1 km/h
  uint8_t heartRate = 0;   // bpm
  uint8_t fatigue = 0;
  uint8_t exercise = 0;    // percent
  uint32_t distance = 0;   // metres from the log's start
  uint32_t calories = 0;   // 0.1 kcal
  bool operator==(const TrackPointRecord&) const = default;
};

LogSummaryRecord DecodeLogSummary(std::span<const uint8_t, kLogSummarySize> bytes);
TrackPointRecord DecodeTrackPoint(std::span<const uint8_t, kTrackPointSize> bytes);
// Reserved bytes are written as zero.
std::array<uint8_t, kLogSummarySize> EncodeLogSummary(const LogSummaryRecord& record);
std::array<uint8_t, kTrackPointSize> EncodeTrackPoint(const TrackPointRecord& record);

// Whole payloads: as many records as fit completely in the bytes.
std::vector<LogSummaryRecord> DecodeLogSummaries(std::span<const uint8_t> payload);
std::vector<TrackPointRecord> DecodeTrackPoints(std::span<const uint8_t> payload);

// Payload size for a record count, or nothing when it does not fit in 32 bits.
std::optional<uint32_t> PayloadSize(uint64_t count, size_t recordSize);

}  // namespace kemlog::track
