#include "sim/watch_logs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kemlog::sim {
namespace {

constexpr int32_t kFrom2016 = 504921600;  // 2016-01-01 00:00:00 in device seconds
constexpr int32_t kTo2027 = 852076800;    // 2027-01-01 00:00:00
constexpr int32_t kDay = 86400;
constexpr int32_t kLocalOffset = 32400;  // the program shows device seconds + nine hours

int32_t Local(int32_t deviceSeconds) { return deviceSeconds + kLocalOffset; }

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int width) {
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<size_t>(i));
  return v;
}

std::vector<std::vector<uint8_t>> AllBytes(const std::vector<WatchLog>& logs) {
  std::vector<std::vector<uint8_t>> out{SummaryPayload(logs)};
  for (const WatchLog& log : logs) out.push_back(PointPayload(log));
  return out;
}

TEST(GenerateWatchLogs, SameSeedSameLogsOtherSeedOtherLogs) {
  EXPECT_EQ(AllBytes(GenerateWatchLogs(4170, 3, 200)), AllBytes(GenerateWatchLogs(4170, 3, 200)));
  EXPECT_NE(AllBytes(GenerateWatchLogs(4170, 3, 200)), AllBytes(GenerateWatchLogs(4171, 3, 200)));
  // No state carries over from one call to the next.
  const auto first = AllBytes(GenerateWatchLogs(1, 2, 50));
  GenerateWatchLogs(99, 4, 10);
  EXPECT_EQ(AllBytes(GenerateWatchLogs(1, 2, 50)), first);
}

void ExpectRealisticRun(const WatchLog& log) {
  ASSERT_FALSE(log.points.empty());
  const WatchPoint& first = log.points.front();
  EXPECT_EQ(first.time, log.startTime);
  EXPECT_EQ(first.distance, 0u);
  const int32_t ofDay = Local(log.startTime) % kDay;
  const bool morning = ofDay >= 6 * 3600 && ofDay < 8 * 3600 + 1800;
  const bool evening = ofDay >= 18 * 3600 && ofDay < 21 * 3600;
  EXPECT_TRUE(morning || evening) << "starts at local second " << ofDay << " of the day";
  for (size_t i = 0; i < log.points.size(); ++i) {
    const WatchPoint& p = log.points[i];
    SCOPED_TRACE("point " + std::to_string(i));
    // Pace 4:30 to 7:00 min/km is 133 to 86 in 0.1 km/h.
    EXPECT_GE(p.speed, 86);
    EXPECT_LE(p.speed, 133);
    EXPECT_GE(p.heartRate, 110);
    EXPECT_LE(p.heartRate, 180);
    EXPECT_GE(p.elevation, 1);
    EXPECT_LE(p.elevation, 60);
    EXPECT_LE(p.exercise, 100);
    // Within 1.5 km of the Imperial Palace (35.685 N 139.753 E).
    EXPECT_LE(std::abs(p.latitude - 21411000), 8100);
    EXPECT_LE(std::abs(p.longitude - 83851800), 9960);
    if (i == 0) continue;
    const WatchPoint& q = log.points[i - 1];
    const int32_t dt = p.time - q.time;
    EXPECT_GE(dt, 1);
    EXPECT_LE(dt, 10);
    EXPECT_GE(p.distance, q.distance);
    EXPECT_GE(p.calories, q.calories);
    EXPECT_GE(p.fatigue, q.fatigue);
    // The stretch run fits the pace, and the position moved about as far.
    const double run = p.distance - double(q.distance);
    const double expected = q.speed * dt / 36.0;
    EXPECT_NEAR(run, expected, 1.5 + expected * 0.05);
    const double north = (p.latitude - q.latitude) / 5.405;
    const double east = (p.longitude - q.longitude) / 6.637;
    EXPECT_LE(std::sqrt(north * north + east * east), run + 10.0);
  }
}

TEST(GenerateWatchLogs, RunsAreRealistic) {
  for (uint32_t seed : {1u, 7u, 4170u, 123456u, 0xFFFFFFFFu}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::vector<WatchLog> logs = GenerateWatchLogs(seed, 6, 300);
    ASSERT_EQ(logs.size(), 6u);
    int32_t pointStart = 0;
    for (size_t i = 0; i < logs.size(); ++i) {
      const WatchLog& log = logs[i];
      SCOPED_TRACE("log " + std::to_string(i));
      ASSERT_EQ(log.points.size(), 300u);
      ExpectRealisticRun(log);
      EXPECT_GE(Local(log.startTime), kFrom2016);
      EXPECT_LT(Local(log.startTime), kTo2027);
      if (i > 0) {
        EXPECT_GT(Local(log.startTime) / kDay, Local(logs[i - 1].startTime) / kDay);  // a later local day
      }
      EXPECT_EQ(log.pointStart, pointStart);
      pointStart += static_cast<int32_t>(log.points.size());
      // The summary agrees with the last point, and its pace is a runner's.
      const WatchPoint& last = log.points.back();
      EXPECT_EQ(log.duration, static_cast<uint32_t>(last.time - log.startTime));
      EXPECT_EQ(log.distance, last.distance);
      EXPECT_EQ(log.calories, last.calories);
      const double pace = log.duration / (log.distance / 1000.0);
      EXPECT_GE(pace, 270.0);
      EXPECT_LE(pace, 420.0);
      // About 55 to 80 kcal per km.
      EXPECT_GE(log.calories, log.distance * 55 / 100);
      EXPECT_LE(log.calories, log.distance * 80 / 100 + 1);
    }
  }
}

TEST(GenerateWatchLogs, CountsAtTheEdges) {
  EXPECT_TRUE(GenerateWatchLogs(5, 0, 100).empty());
  EXPECT_TRUE(GenerateWatchLogs(5, -3, 100).empty());

  const std::vector<WatchLog> empty = GenerateWatchLogs(5, 3, 0);
  ASSERT_EQ(empty.size(), 3u);
  for (const WatchLog& log : empty) {
    EXPECT_TRUE(log.points.empty());
    EXPECT_EQ(log.duration, 0u);
    EXPECT_EQ(log.distance, 0u);
    EXPECT_EQ(log.pointStart, 0);
    EXPECT_TRUE(PointPayload(log).empty());
  }

  // More logs than days of 2016-2026: cut to one a day, all inside those years.
  const std::vector<WatchLog> many = GenerateWatchLogs(5, 5000, 1);
  ASSERT_EQ(many.size(), static_cast<size_t>(kMaxGeneratedLogs));
  EXPECT_GE(Local(many.front().startTime), kFrom2016);
  EXPECT_LT(Local(many.back().startTime), kTo2027);
  for (size_t i = 1; i < many.size(); ++i) {
    ASSERT_GT(Local(many[i].startTime) / kDay, Local(many[i - 1].startTime) / kDay);
  }
}

// Over many runs both windows of the local day are used, from their starts nearly to their ends.
TEST(GenerateWatchLogs, StartsFillTheLocalMorningAndEveningWindows) {
  const std::vector<WatchLog> logs = GenerateWatchLogs(42, 3000, 1);
  int32_t firstMorning = kDay, lastMorning = 0, firstEvening = kDay, lastEvening = 0;
  for (const WatchLog& log : logs) {
    const int32_t ofDay = Local(log.startTime) % kDay;
    ASSERT_TRUE((ofDay >= 6 * 3600 && ofDay < 8 * 3600 + 1800) || (ofDay >= 18 * 3600 && ofDay < 21 * 3600)) << ofDay;
    if (ofDay < 12 * 3600) {
      firstMorning = std::min(firstMorning, ofDay);
      lastMorning = std::max(lastMorning, ofDay);
    } else {
      firstEvening = std::min(firstEvening, ofDay);
      lastEvening = std::max(lastEvening, ofDay);
    }
  }
  EXPECT_LT(firstMorning, 6 * 3600 + 600);
  EXPECT_GT(lastMorning, 8 * 3600 + 1200);
  EXPECT_LT(firstEvening, 18 * 3600 + 600);
  EXPECT_GT(lastEvening, 20 * 3600 + 3000);
}

WatchLog KnownLog() {
  WatchLog log;
  log.startTime = 515403000;
  log.duration = 0x01020304;
  log.pointStart = -2;
  log.distance = 0xA1B2C3D4;
  log.calories = 3456;
  log.points = {{515403000, -21401232, 83859672, -12, 0xBEEF, 150, 201, 77, 0x11223344, 0x55667788},
                {515403005, 1, 2, 3, 4, 5, 6, 7, 8, 9}};
  return log;
}

TEST(Payloads, SummaryFieldsAtTheirOffsetsLittleEndian) {
  WatchLog other;
  other.startTime = 7;
  const std::vector<uint8_t> b = SummaryPayload({other, KnownLog()});
  ASSERT_EQ(b.size(), 128u);
  const size_t r = 64;  // the second record
  EXPECT_EQ(Le(b, r + 4, 4), 515403000u);
  EXPECT_EQ(Le(b, r + 8, 4), 0x01020304u);
  EXPECT_EQ(b[r + 8], 0x04);
  EXPECT_EQ(Le(b, r + 12, 4), 0xFFFFFFFEu);
  EXPECT_EQ(Le(b, r + 16, 4), 2u);
  EXPECT_EQ(Le(b, r + 20, 4), 0xA1B2C3D4u);
  EXPECT_EQ(Le(b, r + 28, 4), 3456u);
  EXPECT_EQ(Le(b, 4, 4), 7u);
  for (size_t at : {0, 1, 2, 3, 24, 25, 26, 27}) EXPECT_EQ(b[r + at], 0) << "reserved byte " << at;
  for (size_t at = 32; at < 64; ++at) EXPECT_EQ(b[r + at], 0) << "reserved byte " << at;
}

TEST(Payloads, PointFieldsAtTheirOffsetsLittleEndian) {
  const std::vector<uint8_t> b = PointPayload(KnownLog());
  ASSERT_EQ(b.size(), 64u);
  EXPECT_EQ(Le(b, 0, 4), 515403000u);
  EXPECT_EQ(Le(b, 4, 4), static_cast<uint32_t>(-21401232));
  EXPECT_EQ(Le(b, 8, 4), 83859672u);
  EXPECT_EQ(Le(b, 12, 2), 0xFFF4u);  // -12
  EXPECT_EQ(Le(b, 14, 2), 0xBEEFu);
  EXPECT_EQ(b[14], 0xEF);
  EXPECT_EQ(b[16], 0);  // reserved
  EXPECT_EQ(b[17], 150);
  EXPECT_EQ(b[18], 201);
  EXPECT_EQ(b[19], 77);
  EXPECT_EQ(Le(b, 20, 4), 0x11223344u);
  EXPECT_EQ(Le(b, 24, 4), 0x55667788u);
  EXPECT_EQ(Le(b, 28, 4), 0u);  // reserved
  // The second record starts at 32.
  EXPECT_EQ(Le(b, 32, 4), 515403005u);
  EXPECT_EQ(Le(b, 32 + 24, 4), 9u);
}

}  // namespace
}  // namespace kemlog::sim
