// The watch's binary records.

#include "track/log_records.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace kemlog::track {
namespace {

template <size_t N>
void Put(std::array<uint8_t, N>& b, size_t at, std::initializer_list<uint8_t> bytes) {
  for (const uint8_t v : bytes) b[at++] = v;
}

TEST(LogRecords, SummaryFieldsAreLittleEndianAtTheirOffsetsAndReservedBytesIgnored) {
  std::array<uint8_t, kLogSummarySize> b;
  b.fill(0xEE);  // reserved bytes hold junk
  Put(b, 4, {0xF8, 0x6C, 0xB8, 0x1E});   // 515403000
  Put(b, 8, {0x08, 0x07, 0x00, 0x00});   // 1800
  Put(b, 12, {0xFF, 0xFF, 0xFF, 0xFF});  // -1
  Put(b, 16, {0x01, 0x02, 0x03, 0x84});
  Put(b, 20, {0x88, 0x13, 0x00, 0x00});  // 5000
  Put(b, 28, {0x80, 0x0D, 0x00, 0x00});  // 3456
  const LogSummaryRecord r = DecodeLogSummary(b);
  EXPECT_EQ(r.startTime, 515403000);
  EXPECT_EQ(r.duration, 1800u);
  EXPECT_EQ(r.pointStart, -1);
  EXPECT_EQ(r.pointCount, 0x84030201u);
  EXPECT_EQ(r.distance, 5000u);
  EXPECT_EQ(r.calories, 3456u);

  std::array<uint8_t, kLogSummarySize> expected = b;
  for (const size_t at : {0, 1, 2, 3, 24, 25, 26, 27}) expected[at] = 0;
  for (size_t at = 32; at < 64; ++at) expected[at] = 0;
  EXPECT_EQ(EncodeLogSummary(r), expected);
}

TEST(LogRecords, TrackPointFieldsAreLittleEndianAtTheirOffsetsAndSigned) {
  std::array<uint8_t, kTrackPointSize> b;
  b.fill(0xEE);
  Put(b, 0, {0xF8, 0x6C, 0xB8, 0x1E});   // 515403000
  Put(b, 4, {0xB2, 0x9E, 0x43, 0xFF});   // -12345678
  Put(b, 8, {0x00, 0x97, 0x49, 0x01});   // 21600000
  Put(b, 12, {0xFB, 0xFF});              // -5
  Put(b, 14, {0x34, 0x92});              // 37428, past the signed range
  Put(b, 17, {0x96, 0x07, 0x64});        // 150, 7, 100
  Put(b, 20, {0xD0, 0x07, 0x00, 0x00});  // 2000
  Put(b, 24, {0x00, 0x00, 0x00, 0x80});  // 2^31
  const TrackPointRecord r = DecodeTrackPoint(b);
  const TrackPointRecord expected{515403000, -12345678, 21600000, -5, 37428, 150, 7, 100, 2000, 0x80000000u};
  EXPECT_EQ(r, expected);

  std::array<uint8_t, kTrackPointSize> bytes = b;
  bytes[16] = 0;
  for (size_t at = 28; at < 32; ++at) bytes[at] = 0;
  EXPECT_EQ(EncodeTrackPoint(r), bytes);
}

TEST(LogRecords, PayloadsDecodeEveryCompleteRecordInOrder) {
  std::vector<uint8_t> payload;
  for (int i = 0; i < 3; ++i) {
    TrackPointRecord p;
    p.time = 100 + i;
    p.distance = static_cast<uint32_t>(10 * i);
    const auto bytes = EncodeTrackPoint(p);
    payload.insert(payload.end(), bytes.begin(), bytes.end());
  }
  EXPECT_EQ(payload.size(), 3 * kTrackPointSize);
  const std::vector<TrackPointRecord> points = DecodeTrackPoints(payload);
  ASSERT_EQ(points.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(points[static_cast<size_t>(i)].time, 100 + i);
    EXPECT_EQ(points[static_cast<size_t>(i)].distance, static_cast<uint32_t>(10 * i));
  }
  // A cut-off record at the end is not decoded; an empty payload gives nothing.
  payload.resize(payload.size() - 1);
  EXPECT_EQ(DecodeTrackPoints(payload).size(), 2u);
  EXPECT_TRUE(DecodeTrackPoints({}).empty());

  std::vector<uint8_t> summaries(2 * kLogSummarySize + 63, 0);
  summaries[kLogSummarySize + 16] = 9;
  const std::vector<LogSummaryRecord> logs = DecodeLogSummaries(summaries);
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[1].pointCount, 9u);
}

TEST(LogRecords, PayloadSizeIsCountTimesSizeOrNothingBeyond32Bits) {
  struct Case {
    uint64_t count;
    size_t size;
    std::optional<uint32_t> expected;
  };
  const Case cases[] = {
      {0, kTrackPointSize, 0u},
      {3, kLogSummarySize, 192u},
      {0x7FFFFFF, kTrackPointSize, 0xFFFFFFE0u},
      {0x8000000, kTrackPointSize, std::nullopt},        // exactly 2^32
      {0x3FFFFFF, kLogSummarySize, 0xFFFFFFC0u},
      {0xFFFFFFFFull, kLogSummarySize, std::nullopt},
      {0xFFFFFFFFFFFFFFFFull, kTrackPointSize, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PayloadSize(c.count, c.size), c.expected) << c.count << " x " << c.size;
  }
}

}  // namespace
}  // namespace kemlog::track
