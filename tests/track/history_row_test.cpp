// The texts of a history list row.

#include "track/history_row.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "track/device_time.h"

namespace kemlog::track {
namespace {

TEST(HistoryRow, DownloadedLogRow) {
  LogSummaryRecord r;
  r.startTime = 515403000 + kLocalTimeOffset;
  r.duration = 1800;
  r.distance = 5000;
  r.calories = 3456;
  const HistoryRow expected = {"2016/05/01 16:30~17:00", "0:30:00", "6'00\" /km", "345.6 kcal", "5.00 km"};
  EXPECT_EQ(DownloadHistoryRow(r), expected);
}

TEST(HistoryRow, DownloadPaceInSinglePrecision) {
  struct Case {
    uint32_t duration;
    uint32_t distance;
    const char* text;
  };
  const Case cases[] = {
      {1800, 5000, "6'00\" /km"},
      {1500, 4000, "6'15\" /km"},
      {1000, 3000, "5'33\" /km"},
      {999, 3000, "5'32\" /km"},  // single precision from the start; in double it would read 5'33"
      {1000, 0, "0'00\" /km"},
      {0, 3000, "0'00\" /km"},
      {7, 1000, "0'07\" /km"},
      {3600, 1000, "60'00\" /km"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    LogSummaryRecord r;
    r.duration = c.duration;
    r.distance = c.distance;
    EXPECT_EQ(DownloadHistoryRow(r)[2], c.text);
  }
  EXPECT_EQ(DownloadPace(1000, 0), 0.0f);
  EXPECT_EQ(DownloadPace(1500, 4000), 6.25f);
  EXPECT_EQ(DownloadPace(1000, 3000), static_cast<float>(static_cast<float>(1000) / 60 / 3.0));
}

TEST(HistoryRow, DurationDropsWholeDaysAndTheEndWrapsThroughMidnight) {
  LogSummaryRecord r;
  r.startTime = 515403000 + 16 * 3600;  // 23:30
  r.duration = 90061;                   // one day, one hour, one minute, one second
  const HistoryRow row = DownloadHistoryRow(r);
  EXPECT_EQ(row[0], "2016/05/01 23:30~00:31");
  EXPECT_EQ(row[1], "1:01:01");
}

TEST(HistoryRow, EndPastTheLargestCountStaysAtIt) {
  LogSummaryRecord r;
  r.startTime = std::numeric_limits<int32_t>::max() - 60;
  r.duration = 0xFFFFFFFFu;
  const HistoryRow row = DownloadHistoryRow(r);
  EXPECT_EQ(row[0], "2068/01/19 03:13~03:14");
}

TEST(HistoryRow, FormatsGivenValues) {
  const HistoryRow row = FormatHistoryRow(0, 3725, 3725, 5.75f, 123, 2000);
  const HistoryRow expected = {"2000/01/01 00:00~01:02", "1:02:05", "5'45\" /km", "12.3 kcal", "2.00 km"};
  EXPECT_EQ(row, expected);
}

TEST(HistoryRow, PaceReadFromAFileIsShownSafely) {
  struct Case {
    float pace;
    const char* text;
  };
  const Case cases[] = {
      {std::numeric_limits<float>::quiet_NaN(), "0'00\" /km"},
      {std::numeric_limits<float>::infinity(), "0'00\" /km"},
      {1e30f, "2147483520'00\" /km"},
      {-1e30f, "-2147483520'00\" /km"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatHistoryRow(0, 0, 0, c.pace, 0, 0)[2], c.text) << c.pace;
    EXPECT_EQ(PaceText(c.pace), c.text) << c.pace;
  }
}

TEST(HistoryRow, PaceTextOnItsOwn) {
  struct Case {
    float pace;
    const char* text;
  };
  const Case cases[] = {
      {0.0f, "0'00\" /km"},
      {5.75f, "5'45\" /km"},
      {6.25f, "6'15\" /km"},
      {-std::numeric_limits<float>::infinity(), "0'00\" /km"},
      {2147483520.0f, "2147483520'00\" /km"},
  };
  for (const Case& c : cases) EXPECT_EQ(PaceText(c.pace), c.text) << c.pace;
}

}  // namespace
}  // namespace kemlog::track
