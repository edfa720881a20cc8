#pragma once
// A GPX track consumer that records every notification as a short text, and the completed points.

#include <cstdio>
#include <string>
#include <vector>

#include "track/gpx_file.h"

namespace kemlog::track::testing {

class RecordingConsumer final : public GpxTrackConsumer {
 public:
  std::vector<std::string> events;
  std::vector<tagTrackLog> points;

  void OnPointBegin(int index, double latitude, double longitude) override {
    Add("begin %d %.6f %.6f", index, latitude, longitude);
  }
  void OnTime(const DeviceTime& t) override {
    Add("time %d-%d-%d %d:%d:%d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  }
  void OnDistance(uint32_t metres) override { Add("dist %u", metres); }
  void OnSpeed(uint32_t speed) override { Add("speed %u", speed); }
  void OnCalories(uint32_t calories) override { Add("calories %u", calories); }
  void OnHeartRate(int32_t bpm) override { Add("hr %d", bpm); }
  void OnPointEnd(const tagTrackLog& point) override {
    points.push_back(point);
    Add("end %zu", points.size() - 1);
  }
  void OnEndOfFile(double latitude, double longitude, bool hasPosition) override {
    Add("eof %.6f %.6f %d", latitude, longitude, hasPosition ? 1 : 0);
  }

 private:
  template <typename... Args>
  void Add(const char* format, Args... args) {
    char text[128];
    std::snprintf(text, sizeof text, format, args...);
    events.emplace_back(text);
  }
};

}  // namespace kemlog::track::testing
