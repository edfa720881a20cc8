#pragma once
// A track point as read back from a GPX file.

#include <cstdint>

namespace kemlog::track {

struct tagTrackLog {
  double latitude = 0;    // degrees
  double longitude = 0;   // degrees
  int32_t heartRate = 0;  // bpm
  uint32_t calories = 0;  // 0.1 kcal
  uint32_t time = 0;      // device seconds, local time offset included
  uint32_t distance = 0;  // metres from the log's start
  uint32_t speed = 0;     // 0.1 km/h
  float pace = 0;         // minutes per km from the first point
  int16_t elevation = 0;  // metres
  bool operator==(const tagTrackLog&) const = default;
};

}  // namespace kemlog::track
