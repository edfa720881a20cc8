// GPX track files: the writer of downloaded and imported logs, and the line-oriented reader.

#include "track/gpx_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/paths.h"
#include "track/history_row.h"
#include "track/text_scan.h"
#include "track/written_file.h"

namespace kemlog::track {
namespace {

constexpr const char* kGpxHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<gpx version=\"v1.1.5\""
    " creator=\"Ostrel Tech Inc. - http://www.ostreltech.com\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns=\"http://www.topografix.com/GPX/1/1\""
    " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd"
    " http://www.topografix.com/GPX/gpx_overlay/0/3 http://www.topografix.com/GPX/gpx_overlay/0/3/gpx_overlay.xsd"
    " http://www.topografix.com/GPX/gpx_modified/0/1"
    " http://www.topografix.com/GPX/gpx_modified/0/1/gpx_modified.xsd\">\r\n"
    "<trk>\r\n";
constexpr const char* kGpxTail = "</trkseg>\r\n</trk>\r\n</gpx>";

// Adds seconds to a device time, saturating at the ends of the 32-bit range instead of overflowing.
int32_t ShiftTime(int32_t time, int32_t offset) { return SaturateToInt32(static_cast<int64_t>(time) + offset); }

// The eight lines of one point; each line fits the 256-byte buffer.
void AppendPointBlock(std::string& out, const TrackPointRecord& p, int32_t offset) {
  const DeviceTime t = DecodeDeviceSeconds(ShiftTime(p.time, offset));
  char line[256];
  std::snprintf(line, sizeof line, "<trkpt lat=\"%f\" lon=\"%f\">\r\n", p.latitude / 600000.0,
                p.longitude / 600000.0);
  out += line;
  std::snprintf(line, sizeof line, "<time>%d-%02d-%02dT%02d:%02d:%02dZ</time>\r\n", t.year + 2000, t.month, t.day,
                t.hour, t.minute, t.second);
  out += line;
  std::snprintf(line, sizeof line, "<ele>%f</ele>\r\n", static_cast<double>(p.elevation));
  out += line;
  // Unsigned values go through "%d" as the file format has always had them; the reader takes them back.
  std::snprintf(line, sizeof line, "<dist>%d</dist>\r\n", static_cast<int32_t>(p.distance));
  out += line;
  std::snprintf(line, sizeof line, "<speed>%d</speed>\r\n", p.speed);
  out += line;
  std::snprintf(line, sizeof line, "<calorie>%d</calorie>\r\n", static_cast<int32_t>(p.calories));
  out += line;
  std::snprintf(line, sizeof line, "<desc>hr=%dbpm,fatique=%d,exercise=%d%%</desc>\r\n", p.heartRate, p.fatigue,
                p.exercise);
  out += line;
  out += "</trkpt>\r\n";
}

bool WriteText(std::FILE* file, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

void Report(const FileErrorReporter& reportError, int error) {
  if (reportError) reportError(std::strerror(error));
}

}  // namespace

std::string GpxFileName(int32_t startTime) {
  const DeviceTime t = DecodeDeviceSeconds(startTime);
  char name[64];
  std::snprintf(name, sizeof name, "Kem_2%03d%02d%02d_%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return name;
}

std::string GpxFilePath(const std::string& folder, int32_t startTime) {
  return platform::JoinPath(folder, GpxFileName(startTime) + ".gpx");
}

bool WriteGpxFile(std::span<const TrackPointRecord> points, int32_t offset, LogSummaryRecord& summary,
                  std::string folder, const FileErrorReporter& reportError) {
  summary.startTime = ShiftTime(summary.startTime, offset);
  const std::string name = GpxFileName(summary.startTime);
  const std::string path = GpxFilePath(folder, summary.startTime);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    Report(reportError, errno);
    return false;
  }
  std::string text = kGpxHead;
  text += "<name>" + name + "</name>\r\n<trkseg>\r\n";
  bool ok = WriteText(file, text);
  const size_t count = std::min<size_t>(summary.pointCount, points.size());
  for (size_t i = 0; ok && i < count; ++i) {
    text.clear();
    AppendPointBlock(text, points[i], offset);
    ok = WriteText(file, text);
  }
  ok = ok && WriteText(file, kGpxTail);
  // A log cut short (the disk full) is not left to be read as the whole log.
  if (const int error = CloseWrittenFile(file, path, ok); error != 0) {
    Report(reportError, error);
    return false;
  }
  return true;
}

namespace {

// Reads one file line by line into the current record and tells the consumer what it found.
class GpxReader {
 public:
  explicit GpxReader(GpxTrackConsumer& consumer) : consumer_(consumer) {}

  void Run(std::FILE* file) {
    LineReader lines(file);
    while (const std::optional<std::string_view> line = lines.Next()) Examine(*line);
    consumer_.OnEndOfFile(lastLatitude_, lastLongitude_, hasPosition_);
  }

 private:
  using Handler = void (GpxReader::*)(std::string_view line, const char* at);
  struct Tag {
    std::string_view text;
    Handler handler;
  };

  void Examine(std::string_view line) {
    // Searched in this order; the first tag found decides how the line is read.
    static constexpr Tag kTags[] = {
        {"<trkpt", &GpxReader::PointBegin}, {"</trkpt>", &GpxReader::PointEnd}, {"<ele>", &GpxReader::Elevation},
        {"<dist>", &GpxReader::Distance},   {"<speed>", &GpxReader::Speed},     {"<calorie>", &GpxReader::Calories},
        {"<desc>", &GpxReader::HeartRate},  {"<time>", &GpxReader::Time},
    };
    for (const Tag& tag : kTags) {
      const size_t at = line.find(tag.text);
      if (at == std::string_view::npos) continue;
      (this->*tag.handler)(line.substr(at), line.data() + at + tag.text.size());
      return;
    }
  }

  // The text between the next two double quotes from pos on; pos moves past the closing quote.
  static std::optional<std::string_view> NextQuoted(std::string_view line, size_t& pos) {
    const size_t open = line.find('"', pos);
    if (open == std::string_view::npos) return std::nullopt;
    const size_t close = line.find('"', open + 1);
    if (close == std::string_view::npos) return std::nullopt;
    pos = close + 1;
    return line.substr(open + 1, close - open - 1);
  }

  void PointBegin(std::string_view line, const char*) {
    size_t pos = 0;
    const std::optional<std::string_view> first = NextQuoted(line, pos);
    const std::optional<std::string_view> second = first ? NextQuoted(line, pos) : std::nullopt;
    if (!second) return;
    record_.latitude = TextToDouble(ShortText(*first).c_str());
    record_.longitude = TextToDouble(ShortText(*second).c_str());
    lastLatitude_ = record_.latitude;
    lastLongitude_ = record_.longitude;
    hasPosition_ = true;
    consumer_.OnPointBegin(pointIndex_, record_.latitude, record_.longitude);
  }

  void PointEnd(std::string_view, const char*) {
    record_.pace = firstTime_ ? DownloadPace(record_.time - *firstTime_, record_.distance) : 0;
    consumer_.OnPointEnd(record_);
    if (!firstTime_) firstTime_ = record_.time;
    ++pointIndex_;
  }

  void Elevation(std::string_view, const char* at) {
    const std::optional<double> value = ScanDouble(at);
    if (!value || !std::isfinite(*value)) return;
    // Whole metres, kept within the 16-bit field.
    const double metres = std::trunc(*value);
    constexpr double kMin = std::numeric_limits<int16_t>::min();
    constexpr double kMax = std::numeric_limits<int16_t>::max();
    record_.elevation = static_cast<int16_t>(metres < kMin ? kMin : (metres > kMax ? kMax : metres));
  }

  void Distance(std::string_view, const char* at) {
    if (const std::optional<uint32_t> v = ScanInt32Bits(at)) record_.distance = *v;
    consumer_.OnDistance(record_.distance);
  }

  void Speed(std::string_view, const char* at) {
    if (const std::optional<uint32_t> v = ScanInt32Bits(at)) record_.speed = *v;
    consumer_.OnSpeed(record_.speed);
  }

  void Calories(std::string_view, const char* at) {
    if (const std::optional<uint32_t> v = ScanInt32Bits(at)) record_.calories = *v;
    consumer_.OnCalories(record_.calories);
  }

  void HeartRate(std::string_view, const char* at) {
    constexpr std::string_view kPrefix = "hr=";
    if (std::strncmp(at, kPrefix.data(), kPrefix.size()) == 0) {
      if (const std::optional<uint32_t> v = ScanInt32Bits(at + kPrefix.size())) {
        record_.heartRate = static_cast<int32_t>(*v);
      }
    }
    consumer_.OnHeartRate(record_.heartRate);
  }

  // "yyyy-mm-ddThh:mm:ssZ". A line without all six separators, with a month outside 1..12 or with a
  // time past the largest device count is skipped: it changes nothing and raises nothing.
  void Time(std::string_view, const char* at) {
    static constexpr char kSeparators[6] = {'-', '-', 'T', ':', ':', 'Z'};
    int64_t values[6] = {};
    for (size_t i = 0; i < 6; ++i) {
      const char* separator = std::strchr(at, kSeparators[i]);
      if (separator == nullptr) return;
      values[i] = TextToInteger(ShortText(std::string_view(at, static_cast<size_t>(separator - at))).c_str());
      at = separator + 1;
    }
    if (values[1] < 1 || values[1] > 12) return;
    DeviceTime t;
    t.year = static_cast<uint8_t>(static_cast<uint64_t>(values[0]) - 2000u);  // years since 2000, modulo 256
    t.month = static_cast<uint8_t>(values[1]);
    t.day = static_cast<uint8_t>(values[2]);
    t.hour = static_cast<uint8_t>(values[3]);
    t.minute = static_cast<uint8_t>(values[4]);
    t.second = static_cast<uint8_t>(values[5]);
    if (!IsEncodableDeviceTime(t)) return;
    record_.time = static_cast<uint32_t>(EncodeDeviceSeconds(t));
    consumer_.OnTime(t);
  }

  GpxTrackConsumer& consumer_;
  tagTrackLog record_;
  int pointIndex_ = 0;
  std::optional<uint32_t> firstTime_;
  double lastLatitude_ = 0;
  double lastLongitude_ = 0;
  bool hasPosition_ = false;
};

class PointCollector final : public GpxTrackConsumer {
 public:
  std::vector<tagTrackLog> points;
  void OnPointBegin(int, double, double) override {}
  void OnTime(const DeviceTime&) override {}
  void OnDistance(uint32_t) override {}
  void OnSpeed(uint32_t) override {}
  void OnCalories(uint32_t) override {}
  void OnHeartRate(int32_t) override {}
  void OnPointEnd(const tagTrackLog& point) override { points.push_back(point); }
  void OnEndOfFile(double, double, bool) override {}
};

}  // namespace

void ReadGpxTrack(const std::string& path, GpxTrackConsumer& consumer) {
  if (!path.ends_with(".gpx")) return;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return;
  GpxReader(consumer).Run(file);
  std::fclose(file);
}

std::vector<tagTrackLog> ReadGpxPoints(const std::string& path) {
  PointCollector collector;
  ReadGpxTrack(path, collector);
  return std::move(collector.points);
}

}  // namespace kemlog::track
