// The watch's records, read and written field by field as little-endian bytes.

#include "track/log_records.h"

#include <limits>

namespace kemlog::track {
namespace {

uint32_t GetU32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
         static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t GetU16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
int32_t GetI32(std::span<const uint8_t> b, size_t at) { return static_cast<int32_t>(GetU32(b, at)); }

void PutU32(std::span<uint8_t> b, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutU16(std::span<uint8_t> b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

template <typename Record, size_t Size, Record (*Decode)(std::span<const uint8_t, Size>)>
std::vector<Record> DecodeAll(std::span<const uint8_t> payload) {
  std::vector<Record> records;
  records.reserve(payload.size() / Size);
  for (size_t at = 0; at + Size <= payload.size(); at += Size) {
    records.push_back(Decode(payload.subspan(at).template first<Size>()));
  }
  return records;
}

}  // namespace

LogSummaryRecord DecodeLogSummary(std::span<const uint8_t, kLogSummarySize> bytes) {
  LogSummaryRecord r;
  r.startTime = GetI32(bytes, 4);
  r.duration = GetU32(bytes, 8);
  r.pointStart = GetI32(bytes, 12);
  r.pointCount = GetU32(bytes, 16);
  r.distance = GetU32(bytes, 20);
  r.calories = GetU32(bytes, 28);
  return r;
}

TrackPointRecord DecodeTrackPoint(std::span<const uint8_t, kTrackPointSize> bytes) {
  TrackPointRecord r;
  r.time = GetI32(bytes, 0);
  r.latitude = GetI32(bytes, 4);
  r.longitude = GetI32(bytes, 8);
  r.elevation = static_cast<int16_t>(GetU16(bytes, 12));
  r.speed = GetU16(bytes, 14);
  r.heartRate = bytes[17];
  r.fatigue = bytes[18];
  r.exercise = bytes[19];
  r.distance = GetU32(bytes, 20);
  r.calories = GetU32(bytes, 24);
  return r;
}

std::array<uint8_t, kLogSummarySize> EncodeLogSummary(const LogSummaryRecord& record) {
  std::array<uint8_t, kLogSummarySize> b{};
  PutU32(b, 4, static_cast<uint32_t>(record.startTime));
  PutU32(b, 8, record.duration);
  PutU32(b, 12, static_cast<uint32_t>(record.pointStart));
  PutU32(b, 16, record.pointCount);
  PutU32(b, 20, record.distance);
  PutU32(b, 28, record.calories);
  return b;
}

std::array<uint8_t, kTrackPointSize> EncodeTrackPoint(const TrackPointRecord& record) {
  std::array<uint8_t, kTrackPointSize> b{};
  PutU32(b, 0, static_cast<uint32_t>(record.time));
  PutU32(b, 4, static_cast<uint32_t>(record.latitude));
  PutU32(b, 8, static_cast<uint32_t>(record.longitude));
  PutU16(b, 12, static_cast<uint16_t>(record.elevation));
  PutU16(b, 14, record.speed);
  b[17] = record.heartRate;
  b[18] = record.fatigue;
  b[19] = record.exercise;
  PutU32(b, 20, record.distance);
  PutU32(b, 24, record.calories);
  return b;
}

std::vector<LogSummaryRecord> DecodeLogSummaries(std::span<const uint8_t> payload) {
  return DecodeAll<LogSummaryRecord, kLogSummarySize, DecodeLogSummary>(payload);
}

std::vector<TrackPointRecord> DecodeTrackPoints(std::span<const uint8_t> payload) {
  return DecodeAll<TrackPointRecord, kTrackPointSize, DecodeTrackPoint>(payload);
}

std::optional<uint32_t> PayloadSize(uint64_t count, size_t recordSize) {
  constexpr uint64_t kMax = std::numeric_limits<uint32_t>::max();
  if (recordSize != 0 && count > kMax / recordSize) return std::nullopt;
  return static_cast<uint32_t>(count * recordSize);
}

}  // namespace kemlog::track
