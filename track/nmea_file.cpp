// NMEA files: export of a log's points, import of such files, and the log built from an import.

#include "track/nmea_file.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>
#include <utility>

#include "track/device_time.h"
#include "track/text_scan.h"
#include "track/written_file.h"

namespace kemlog::track {
namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

int32_t TimeAsDeviceSeconds(uint32_t time) { return SaturateToInt32(time); }

// "$" + text + "*" + checksum + CR LF; the checksum is the XOR of the bytes between '$' and '*'.
void AppendSentence(std::string& out, const char* text) {
  const std::string_view body = std::string_view(text).substr(1);
  uint8_t sum = 0;
  for (const char c : body) sum = static_cast<uint8_t>(sum ^ static_cast<uint8_t>(c));
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  out += text;
  out += tail;
}

enum class Sentence { kNone, kRmc, kGga, kWqd, kZda };

// Searched in this order; the first one found decides how the line is read.
struct SentenceTag {
  std::string_view text;
  Sentence type;
};
constexpr SentenceTag kSentences[] = {
    {"$GPRMC", Sentence::kRmc}, {"$GPGGA", Sentence::kGga}, {"$GPWQD", Sentence::kWqd}, {"$GPZDA", Sentence::kZda}};

// The broken-down time of one RMC or ZDA sentence, as read.
struct ClockFields {
  int64_t year = 0;  // years since 2000
  int64_t month = 0;
  int64_t day = 0;
  int64_t hour = 0;
  int64_t minute = 0;
  int64_t second = 0;
};

// The device time of the fields, or nothing when they do not make one (month outside 1..12, a year
// before 2000 or too far on, a time past the largest count).
std::optional<int32_t> ClockSeconds(const ClockFields& c) {
  if (c.month < 1 || c.month > 12 || c.year < 0 || c.year > 255) return std::nullopt;
  DeviceTime t;
  t.year = static_cast<uint8_t>(c.year);
  t.month = static_cast<uint8_t>(c.month);
  t.day = static_cast<uint8_t>(c.day);
  t.hour = static_cast<uint8_t>(c.hour);
  t.minute = static_cast<uint8_t>(c.minute);
  t.second = static_cast<uint8_t>(c.second);
  if (!IsEncodableDeviceTime(t)) return std::nullopt;
  return EncodeDeviceSeconds(t);
}

// A double truncated toward zero into the 32-bit range; not-a-number gives 0.
int64_t TruncateClamped(double value, int64_t low, int64_t high) {
  if (std::isnan(value)) return 0;
  const double t = std::trunc(value);
  if (t <= static_cast<double>(low)) return low;
  if (t >= static_cast<double>(high)) return high;
  return static_cast<int64_t>(t);
}

struct ReadState {
  tagTrackLog record;
  ClockFields clock;
};

using FieldReader = void (*)(ReadState& s, const char* text);
struct FieldRule {
  Sentence sentence;
  size_t field;
  FieldReader read;
};

void ReadClock(ReadState& s, const char* text) {
  const int64_t v = TextToInteger(text);
  s.clock.hour = v / 10000;
  s.clock.minute = (v % 10000) / 100;
  s.clock.second = v % 100;
}
void ReadRmcDate(ReadState& s, const char* text) {
  const int64_t v = TextToInteger(text);
  s.clock.day = v / 10000;
  s.clock.month = (v % 10000) / 100;
  s.clock.year = v % 100;
}
void ReadLatitude(ReadState& s, const char* text) { s.record.latitude = TextToDouble(text) / 100; }
void ReadLongitude(ReadState& s, const char* text) { s.record.longitude = TextToDouble(text) / 100; }
void ReadElevation(ReadState& s, const char* text) {
  s.record.elevation = static_cast<int16_t>(TextToInteger(text));
}
void ReadDistance(ReadState& s, const char* text) { s.record.distance = static_cast<uint32_t>(TextToInteger(text)); }
void ReadSpeed(ReadState& s, const char* text) { s.record.speed = static_cast<uint32_t>(TextToInteger(text)); }
void ReadCalories(ReadState& s, const char* text) {
  s.record.calories = static_cast<uint32_t>(TruncateClamped(TextToDouble(text), 0, std::numeric_limits<uint32_t>::max()));
}
void ReadPace(ReadState& s, const char* text) { s.record.pace = std::strtof(text, nullptr); }
void ReadHeartRate(ReadState& s, const char* text) {
  s.record.heartRate = static_cast<int32_t>(TextToInteger(text));
}
void ReadDay(ReadState& s, const char* text) { s.clock.day = TextToInteger(text); }
void ReadMonth(ReadState& s, const char* text) { s.clock.month = TextToInteger(text); }
// Years 2000..2255 fit the year byte; any other year makes the sentence's time unusable.
void ReadFourDigitYear(ReadState& s, const char* text) {
  const int64_t year = TextToInteger(text);
  s.clock.year = (year < 2000 || year > 2255) ? -1 : year - 2000;
}

constexpr FieldRule kFieldRules[] = {
    {Sentence::kRmc, 0, ReadClock},    {Sentence::kRmc, 2, ReadLatitude},  {Sentence::kRmc, 4, ReadLongitude},
    {Sentence::kRmc, 8, ReadRmcDate},  {Sentence::kGga, 1, ReadLatitude},  {Sentence::kGga, 3, ReadLongitude},
    {Sentence::kGga, 8, ReadElevation}, {Sentence::kWqd, 1, ReadDistance}, {Sentence::kWqd, 2, ReadSpeed},
    {Sentence::kWqd, 3, ReadCalories}, {Sentence::kWqd, 4, ReadPace},      {Sentence::kWqd, 5, ReadHeartRate},
    {Sentence::kZda, 0, ReadClock},    {Sentence::kZda, 1, ReadDay},       {Sentence::kZda, 2, ReadMonth},
    {Sentence::kZda, 3, ReadFourDigitYear},
};

void ReadField(ReadState& s, Sentence sentence, size_t field, std::string_view text) {
  for (const FieldRule& rule : kFieldRules) {
    if (rule.sentence == sentence && rule.field == field) rule.read(s, ShortText(text).c_str());
  }
}

// Fields are the texts between commas; the text before the first comma and after the last are not.
void ReadFields(ReadState& s, Sentence sentence, std::string_view rest) {
  size_t comma = rest.find(',');
  for (size_t field = 0; comma != std::string_view::npos; ++field) {
    const size_t next = rest.find(',', comma + 1);
    if (next == std::string_view::npos) break;
    ReadField(s, sentence, field, rest.substr(comma + 1, next - comma - 1));
    comma = next;
  }
}

class NmeaReader {
 public:
  void Examine(std::string_view line) {
    for (const SentenceTag& tag : kSentences) {
      const size_t at = line.find(tag.text);
      if (at == std::string_view::npos) continue;
      Read(tag.type, line.substr(at + tag.text.size()));
      return;
    }
  }

  NmeaReadResult Finish() {
    if (recordStart_ != Sentence::kNone) result_.points.push_back(state_.record);
    return std::move(result_);
  }

 private:
  void Read(Sentence type, std::string_view rest) {
    if (recordStart_ == Sentence::kNone) {
      recordStart_ = type;
    } else if (type == recordStart_) {
      result_.points.push_back(state_.record);
    }
    if (type == Sentence::kWqd) result_.proprietarySeen = true;
    state_.clock = ClockFields{};
    ReadFields(state_, type, rest);
    if (type == Sentence::kRmc || type == Sentence::kZda) {
      // A date that makes no device time leaves the record's time as it was.
      if (const std::optional<int32_t> seconds = ClockSeconds(state_.clock)) {
        state_.record.time = static_cast<uint32_t>(*seconds);
      }
    }
  }

  NmeaReadResult result_;
  ReadState state_;
  Sentence recordStart_ = Sentence::kNone;
};

int32_t DegreesToUnits(double degrees) {
  return static_cast<int32_t>(TruncateClamped(degrees * 600000.0, std::numeric_limits<int32_t>::min(), kInt32Max));
}

TrackPointRecord ToTrackPoint(const tagTrackLog& p) {
  TrackPointRecord r;
  r.time = TimeAsDeviceSeconds(p.time);
  r.latitude = DegreesToUnits(p.latitude);
  r.longitude = DegreesToUnits(p.longitude);
  r.elevation = p.elevation;
  r.speed = static_cast<uint16_t>(p.speed);
  r.heartRate = static_cast<uint8_t>(p.heartRate);
  r.distance = p.distance;
  r.calories = p.calories;
  return r;
}

}  // namespace

std::string FormatNmeaPoint(const tagTrackLog& point) {
  const DeviceTime t = DecodeDeviceSeconds(TimeAsDeviceSeconds(point.time));
  // Large enough for any double printed with "%.4f" twice.
  char text[1024];
  std::string out;
  std::snprintf(text, sizeof text, "$GPRMC,%02d%02d%02d,,%.4f,,%.4f,,,,%02d%02d%02d,,,", t.hour, t.minute, t.second,
                point.latitude * 100, point.longitude * 100, t.day, t.month, t.year);
  AppendSentence(out, text);
  std::snprintf(text, sizeof text, "$GPGGA,%02d%02d%02d,%.4f,,%.4f,,,,,%d,M,,M,,", t.hour, t.minute, t.second,
                point.latitude * 100, point.longitude * 100, point.elevation);
  AppendSentence(out, text);
  std::snprintf(text, sizeof text, "$GPWQD,KemWatch,%d, %d, %d, %.2f, %d,", static_cast<int32_t>(point.distance),
                static_cast<int32_t>(point.speed), static_cast<int32_t>(point.calories),
                static_cast<double>(point.pace), point.heartRate);
  AppendSentence(out, text);
  return out;
}

bool WriteNmeaFile(const std::string& path, std::span<const tagTrackLog> points) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = true;
  for (size_t i = 0; ok && i < points.size(); ++i) {
    const std::string lines = FormatNmeaPoint(points[i]);
    ok = std::fwrite(lines.data(), 1, lines.size(), file) == lines.size();
  }
  // An export cut short is removed rather than left looking like the whole log.
  return CloseWrittenFile(file, path, ok) == 0;
}

NmeaReadResult ReadNmeaFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  NmeaReader reader;
  LineReader lines(file);
  while (const std::optional<std::string_view> line = lines.Next()) reader.Examine(*line);
  std::fclose(file);
  NmeaReadResult result = reader.Finish();
  result.opened = true;
  return result;
}

std::optional<ImportedLog> BuildImportedLog(const NmeaReadResult& read) {
  if (read.points.empty() || !read.proprietarySeen) return std::nullopt;
  const tagTrackLog& first = read.points.front();
  const tagTrackLog& last = read.points.back();
  ImportedLog log;
  const int64_t duration = static_cast<int64_t>(last.time) - static_cast<int64_t>(first.time);
  log.row = FormatHistoryRow(TimeAsDeviceSeconds(first.time), TimeAsDeviceSeconds(last.time),
                             SaturateToInt32(duration < 0 ? 0 : duration),
                             last.pace, last.calories, last.distance);
  log.summary.startTime = TimeAsDeviceSeconds(first.time);
  log.summary.pointCount = static_cast<uint32_t>(read.points.size());
  log.summary.distance = last.distance;
  log.summary.calories = last.calories;
  log.points.reserve(read.points.size());
  for (const tagTrackLog& p : read.points) log.points.push_back(ToTrackPoint(p));
  return log;
}

std::string StoreImportedLog(const ImportedLog& log, const std::string& folder,
                             const FileErrorReporter& reportError) {
  LogSummaryRecord summary = log.summary;
  WriteGpxFile(log.points, 0, summary, folder, reportError);
  return GpxFilePath(folder, log.summary.startTime);
}

}  // namespace kemlog::track
