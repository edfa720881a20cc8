#pragma once
// The logs stored in the simulated watch, and a generator of realistic runs around Tokyo.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kemlog::sim {

// One point as the watch stores it (the fields of its 32-byte point record).
struct WatchPoint {
  int32_t time = 0;       // device seconds (watch clock, no local offset)
  int32_t latitude = 0;   // degrees x 600000
  int32_t longitude = 0;  // degrees x 600000
  int16_t elevation = 0;  // metres
  uint16_t speed = 0;     // 0.1 km/h
  uint8_t heartRate = 0;
  uint8_t fatigue = 0;
  uint8_t exercise = 0;   // percent
  uint32_t distance = 0;  // metres from the start
  uint32_t calories = 0;  // 0.1 kcal
};

// One stored log: the fields of its 64-byte summary record and its points.
struct WatchLog {
  int32_t startTime = 0;
  uint32_t duration = 0;
  int32_t pointStart = 0;  // index of the first point in the watch's point memory
  uint32_t distance = 0;
  uint32_t calories = 0;
  std::vector<WatchPoint> points;
};

// Sizes of the raw records.
inline constexpr size_t kSummaryRecordSize = 64;
inline constexpr size_t kPointRecordSize = 32;

// The generator keeps to at most this many logs (one per day of 2016-2026) and points per log.
inline constexpr int kMaxGeneratedLogs = 4018;
inline constexpr int kMaxGeneratedPoints = 1000000;
// And to at most this many points in all, so that every log's pointStart fits its 32-bit field.
inline constexpr int kMaxGeneratedTotalPoints = 10000000;

// Deterministic for a seed: logCount runs of pointsPerLog points each, one point every few seconds,
// starting on different days, with plausible pace, heart rate, elevation and calories. The runs go
// anticlockwise round the Imperial Palace; consecutive logs start on later days, in the morning
// (06:00-08:30) or the evening (18:00-21:00) of local time, between 2016 and 2026. Local time is
// device time plus nine hours (32400 s), as the program shows it. Counts beyond the limits above are
// cut to them (points per log to kMaxGeneratedTotalPoints / logCount where the total would exceed it).
std::vector<WatchLog> GenerateWatchLogs(uint32_t seed, int logCount, int pointsPerLog);

// The raw bytes the watch sends: 64 bytes per summary, 32 per point, little-endian.
std::vector<uint8_t> SummaryPayload(const std::vector<WatchLog>& logs);
std::vector<uint8_t> PointPayload(const WatchLog& log);

}  // namespace kemlog::sim
