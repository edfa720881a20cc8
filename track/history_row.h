#pragma once
// The five texts of a history list row: date, duration, pace, calories, distance.

#include <array>
#include <cstdint>
#include <string>

#include "track/log_records.h"

namespace kemlog::track {

using HistoryRow = std::array<std::string, 5>;

// "20yy/mm/dd hh:mm~hh:mm", "h:mm:ss", m'ss" /km, "%.1f kcal", "%.2f km".
// start, end and duration are device seconds; pace in minutes per km.
HistoryRow FormatHistoryRow(int32_t start, int32_t end, int32_t duration, float pace, uint32_t calories,
                            uint32_t distance);

// m'ss" /km of a pace in minutes per km. A pace read from a file may be anything: a value that is not
// finite shows as 0'00", and one beyond the int range as the nearest whole minutes the range holds.
std::string PaceText(float pace);

// The pace of a downloaded log: duration / 60 / (distance km), 0 for distance 0, in single precision.
float DownloadPace(uint32_t duration, uint32_t distance);

// The row of a downloaded log whose startTime already carries the local time offset.
HistoryRow DownloadHistoryRow(const LogSummaryRecord& shiftedSummary);

}  // namespace kemlog::track
