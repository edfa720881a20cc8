#include "sim/watch_logs.h"

#include <algorithm>
#include <array>
#include <random>

namespace kemlog::sim {
namespace {

// Draws from mt19937 with plain integer arithmetic, so that a seed gives the same logs with every
// standard library (the std distributions are not portable).
class Draw {
 public:
  explicit Draw(uint32_t seed) : rng_(seed) {}
  // Uniform enough in [lo, hi] for the small ranges used here.
  int Between(int lo, int hi) {
    const uint32_t span = static_cast<uint32_t>(hi - lo) + 1u;
    return lo + static_cast<int>(rng_() % span);
  }

 private:
  std::mt19937 rng_;
};

// The loop around the Imperial Palace, run anticlockwise from Sakuradamon, in metres north and east
// of 35.685 N 139.753 E, with the ground's height at each corner.
struct Waypoint {
  int north;
  int east;
  int elevation;
};
constexpr std::array<Waypoint, 7> kPalaceLoop{{
    {-810, 0, 8},     // Sakuradamon
    {-999, 452, 4},   // Iwaida
    {-444, 768, 4},   // Wadakura
    {111, 949, 5},    // Otemon
    {611, 407, 8},    // Takebashi
    {611, -452, 20},  // Kitahanebashi
    {-56, -814, 30},  // Hanzomon
}};
constexpr int64_t kCentreLatitude = 21411000;   // 35.685 x 600000
constexpr int64_t kCentreLongitude = 83851800;  // 139.753 x 600000
// Metres per degree at this latitude, north-south and east-west.
constexpr int64_t kMetresPerDegreeNorth = 111000;
constexpr int64_t kMetresPerDegreeEast = 90400;

// The watch's calendar: days since 2000-01-01 of 1 January of a year since 2000 (every fourth
// year a leap year).
constexpr int DaysBeforeYear(int year) { return 365 * year + (year + 3) / 4; }
constexpr int kFirstDay = DaysBeforeYear(16);  // 2016-01-01
constexpr int kEndDay = DaysBeforeYear(27);    // 2027-01-01, the first day not used
constexpr int32_t kSecondsPerDay = 86400;
// The program shows device seconds plus nine hours as local time; runs are planned in local time.
constexpr int32_t kLocalOffset = 32400;
static_assert(kEndDay - kFirstDay == kMaxGeneratedLogs, "one log a day at most");

// Pace, in seconds per kilometre, and heart rate, in beats per minute, stay within these.
constexpr int kFastestPace = 270;
constexpr int kSlowestPace = 420;
constexpr int kLowestHeartRate = 110;
constexpr int kHighestHeartRate = 180;

int64_t IntegerSqrt(int64_t v) {
  int64_t r = 0;
  for (int64_t bit = int64_t{1} << 62; bit > 0; bit >>= 2) {
    if (v >= r + bit) {
      v -= r + bit;
      r = (r >> 1) + bit;
    } else {
      r >>= 1;
    }
  }
  return r;
}

// Positions along the loop by the distance run, in millimetres.
class Route {
 public:
  Route() {
    for (size_t i = 0; i < kPalaceLoop.size(); ++i) {
      const Waypoint& a = kPalaceLoop[i];
      const Waypoint& b = kPalaceLoop[(i + 1) % kPalaceLoop.size()];
      const int64_t dn = int64_t{b.north - a.north} * 1000;
      const int64_t de = int64_t{b.east - a.east} * 1000;
      lengths_[i] = IntegerSqrt(dn * dn + de * de);
      perimeter_ += lengths_[i];
    }
  }
  int64_t Perimeter() const { return perimeter_; }

  struct Place {
    int64_t northMm;
    int64_t eastMm;
    int elevation;
  };
  Place At(int64_t alongMm) const {
    int64_t rest = alongMm % perimeter_;
    size_t i = 0;
    while (rest >= lengths_[i]) rest -= lengths_[i++];
    const Waypoint& a = kPalaceLoop[i];
    const Waypoint& b = kPalaceLoop[(i + 1) % kPalaceLoop.size()];
    const int64_t len = lengths_[i];
    auto mix = [&](int from, int to) { return int64_t{from} * 1000 + int64_t{to - from} * 1000 * rest / len; };
    const int64_t elevation = a.elevation + int64_t{b.elevation - a.elevation} * rest / len;
    return {mix(a.north, b.north), mix(a.east, b.east), static_cast<int>(elevation)};
  }

 private:
  std::array<int64_t, kPalaceLoop.size()> lengths_{};
  int64_t perimeter_ = 0;
};

// What stays fixed during one run.
struct Runner {
  int interval;        // seconds between points
  int basePace;        // seconds per kilometre
  int restingHeart;    // heart rate at the first point
  int caloriesPerKm;   // 0.1 kcal per kilometre, about ten times the runner's weight in kg
  int64_t startAlong;  // where on the loop the run begins, mm
  int fatigueStart;
};

Runner DrawRunner(Draw& draw, const Route& route) {
  Runner r{};
  r.interval = draw.Between(2, 5);
  r.basePace = draw.Between(285, 400);
  r.restingHeart = draw.Between(kLowestHeartRate, 125);
  r.caloriesPerKm = draw.Between(550, 800);
  r.startAlong = draw.Between(0, static_cast<int>(route.Perimeter() / 1000)) * int64_t{1000};
  r.fatigueStart = draw.Between(0, 20);
  return r;
}

// Seconds after local midnight of a morning (06:00-08:30) or evening (18:00-21:00) start.
struct StartWindow {
  int32_t from;
  int32_t length;
};
constexpr std::array<StartWindow, 2> kStartWindows{{{6 * 3600, 2 * 3600 + 1800}, {18 * 3600, 3 * 3600}}};
int32_t DrawStartOfDay(Draw& draw) {
  const StartWindow& w = kStartWindows[static_cast<size_t>(draw.Between(0, 1))];
  return w.from + draw.Between(0, w.length - 1);
}

int HeartRateTarget(int pace) {
  // Faster running, higher pulse: 130 at the slowest pace, 175 at the fastest.
  return 130 + (kSlowestPace - pace) * 45 / (kSlowestPace - kFastestPace);
}

std::vector<WatchPoint> RunPoints(Draw& draw, const Route& route, const Runner& r, int32_t start, int count) {
  std::vector<WatchPoint> points;
  points.reserve(static_cast<size_t>(std::max(count, 0)));
  int pace = r.basePace;
  int heart = r.restingHeart;
  int64_t runMm = 0;
  int64_t fatigueWork = 0;
  for (int i = 0; i < count; ++i) {
    if (i > 0) {
      runMm += int64_t{r.interval} * 1000000 / pace;  // the stretch since the point before, at its pace
      pace = std::clamp(pace + draw.Between(-3, 3), std::max(kFastestPace, r.basePace - 15),
                        std::min(kSlowestPace, r.basePace + 15));
      const int target = HeartRateTarget(pace);
      heart = std::clamp(heart + (target - heart) / 8 + draw.Between(-2, 2), kLowestHeartRate, kHighestHeartRate);
      fatigueWork += int64_t{r.interval} * (heart - 100) * 74;
    }
    const Route::Place place = route.At(r.startAlong + runMm);
    const int64_t northMm = place.northMm + draw.Between(-2500, 2500);  // GPS scatter
    const int64_t eastMm = place.eastMm + draw.Between(-2500, 2500);
    WatchPoint p;
    p.time = start + i * r.interval;
    p.latitude = static_cast<int32_t>(kCentreLatitude + northMm * 600000 / (kMetresPerDegreeNorth * 1000));
    p.longitude = static_cast<int32_t>(kCentreLongitude + eastMm * 600000 / (kMetresPerDegreeEast * 1000));
    p.elevation = static_cast<int16_t>(std::max(1, place.elevation + draw.Between(-1, 1)));
    p.speed = static_cast<uint16_t>((36000 + pace / 2) / pace);
    p.heartRate = static_cast<uint8_t>(heart);
    p.fatigue = static_cast<uint8_t>(std::min<int64_t>(255, r.fatigueStart + fatigueWork / 100000));
    p.exercise = static_cast<uint8_t>(std::clamp((heart - 60) * 100 / 130, 0, 100));
    p.distance = static_cast<uint32_t>(runMm / 1000);
    p.calories = static_cast<uint32_t>(runMm * r.caloriesPerKm / 1000000);
    points.push_back(p);
  }
  return points;
}

void Put8(std::vector<uint8_t>& out, size_t at, uint32_t v) { out[at] = static_cast<uint8_t>(v & 0xFF); }
void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  Put8(out, at, v);
  Put8(out, at + 1, v >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  Put16(out, at, v & 0xFFFF);
  Put16(out, at + 2, v >> 16);
}

}  // namespace

std::vector<WatchLog> GenerateWatchLogs(uint32_t seed, int logCount, int pointsPerLog) {
  std::vector<WatchLog> logs;
  if (logCount <= 0) return logs;
  logCount = std::min(logCount, kMaxGeneratedLogs);
  pointsPerLog = std::clamp(pointsPerLog, 0, kMaxGeneratedPoints);
  if (logCount > 0) pointsPerLog = std::min(pointsPerLog, kMaxGeneratedTotalPoints / logCount);
  Draw draw(seed);
  const Route route;
  // Logs lie one to three local days apart, all within 2016-2026 local time.
  const int span = kEndDay - kFirstDay;
  const int maxGap = logCount > 1 ? std::clamp((span - 1) / (logCount - 1), 1, 3) : 3;
  int day = kFirstDay + draw.Between(0, std::max(0, span - 1 - maxGap * (logCount - 1)));
  int32_t pointStart = 0;
  logs.reserve(static_cast<size_t>(logCount));
  for (int i = 0; i < logCount; ++i) {
    if (i > 0) day += draw.Between(1, maxGap);
    const Runner runner = DrawRunner(draw, route);
    WatchLog log;
    log.startTime = day * kSecondsPerDay + DrawStartOfDay(draw) - kLocalOffset;
    log.pointStart = pointStart;
    log.points = RunPoints(draw, route, runner, log.startTime, pointsPerLog);
    if (!log.points.empty()) {
      const WatchPoint& last = log.points.back();
      log.duration = static_cast<uint32_t>(last.time - log.startTime);
      log.distance = last.distance;
      log.calories = last.calories;
    }
    pointStart += static_cast<int32_t>(log.points.size());
    logs.push_back(std::move(log));
  }
  return logs;
}

std::vector<uint8_t> SummaryPayload(const std::vector<WatchLog>& logs) {
  std::vector<uint8_t> out(logs.size() * kSummaryRecordSize, 0);
  for (size_t i = 0; i < logs.size(); ++i) {
    const WatchLog& log = logs[i];
    const size_t at = i * kSummaryRecordSize;
    Put32(out, at + 4, static_cast<uint32_t>(log.startTime));
    Put32(out, at + 8, log.duration);
    Put32(out, at + 12, static_cast<uint32_t>(log.pointStart));
    Put32(out, at + 16, static_cast<uint32_t>(log.points.size()));
    Put32(out, at + 20, log.distance);
    Put32(out, at + 28, log.calories);
  }
  return out;
}

std::vector<uint8_t> PointPayload(const WatchLog& log) {
  std::vector<uint8_t> out(log.points.size() * kPointRecordSize, 0);
  for (size_t i = 0; i < log.points.size(); ++i) {
    const WatchPoint& p = log.points[i];
    const size_t at = i * kPointRecordSize;
    Put32(out, at + 0, static_cast<uint32_t>(p.time));
    Put32(out, at + 4, static_cast<uint32_t>(p.latitude));
    Put32(out, at + 8, static_cast<uint32_t>(p.longitude));
    Put16(out, at + 12, static_cast<uint16_t>(p.elevation));
    Put16(out, at + 14, p.speed);
    Put8(out, at + 17, p.heartRate);
    Put8(out, at + 18, p.fatigue);
    Put8(out, at + 19, p.exercise);
    Put32(out, at + 20, p.distance);
    Put32(out, at + 24, p.calories);
  }
  return out;
}

}  // namespace kemlog::sim
