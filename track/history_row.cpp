// The texts of a history list row.

#include "track/history_row.h"

#include <cmath>
#include <cstdio>

#include "track/device_time.h"

namespace kemlog::track {

std::string PaceText(float pace) {
  constexpr float kLimit = 2147483520.0f;  // the largest float below 2^31
  int minutes = 0;
  int seconds = 0;
  if (std::isfinite(pace) && std::fabs(pace) <= kLimit) {
    minutes = static_cast<int>(pace);
    seconds = static_cast<int>((pace - static_cast<float>(minutes)) * 60);
  } else if (std::isfinite(pace)) {
    minutes = static_cast<int>(pace > 0 ? kLimit : -kLimit);
  }
  char text[64];
  std::snprintf(text, sizeof text, "%d'%02d\" /km", minutes, seconds);
  return text;
}

HistoryRow FormatHistoryRow(int32_t start, int32_t end, int32_t duration, float pace, uint32_t calories,
                            uint32_t distance) {
  const DeviceTime s = DecodeDeviceSeconds(start);
  const DeviceTime e = DecodeDeviceSeconds(end);
  const DeviceTime d = DecodeDeviceSeconds(duration);
  char text[5][96];
  std::snprintf(text[0], sizeof text[0], "20%02d/%02d/%02d %02d:%02d~%02d:%02d", s.year, s.month, s.day, s.hour,
                s.minute, e.hour, e.minute);
  std::snprintf(text[1], sizeof text[1], "%d:%02d:%02d", d.hour, d.minute, d.second);
  std::snprintf(text[3], sizeof text[3], "%.1f kcal", calories * 0.1);
  std::snprintf(text[4], sizeof text[4], "%.2f km", distance * 0.001);
  return {text[0], text[1], PaceText(pace), text[3], text[4]};
}

float DownloadPace(uint32_t duration, uint32_t distance) {
  if (distance == 0) return 0;
  return static_cast<float>(static_cast<float>(duration) / 60 / (distance * 0.001));
}

HistoryRow DownloadHistoryRow(const LogSummaryRecord& shiftedSummary) {
  const int64_t start = shiftedSummary.startTime;
  const int64_t duration = shiftedSummary.duration;
  return FormatHistoryRow(shiftedSummary.startTime, SaturateToInt32(start + duration), SaturateToInt32(duration),
                          DownloadPace(shiftedSummary.duration, shiftedSummary.distance), shiftedSummary.calories,
                          shiftedSummary.distance);
}

}  // namespace kemlog::track
