// Device seconds and their broken-down form.

#include "track/device_time.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

namespace kemlog::track {
namespace {

DeviceTime Make(int year, int month, int day, int hour, int minute, int second) {
  return DeviceTime{static_cast<uint8_t>(year),  static_cast<uint8_t>(month),  static_cast<uint8_t>(day),
                    static_cast<uint8_t>(hour),  static_cast<uint8_t>(minute), static_cast<uint8_t>(second)};
}

struct TimeCase {
  int32_t seconds;
  DeviceTime time;
};

const TimeCase kKnownTimes[] = {
    {0, Make(0, 1, 1, 0, 0, 0)},
    {2678400, Make(0, 2, 1, 0, 0, 0)},
    {5184000, Make(0, 3, 1, 0, 0, 0)},        // 2000 is a leap year
    {31622399, Make(0, 12, 31, 23, 59, 59)},
    {31622400, Make(1, 1, 1, 0, 0, 0)},
    {31622400 + 59 * 86400, Make(1, 3, 1, 0, 0, 0)},  // 2001 is not
    {126230400 - 1, Make(3, 12, 31, 23, 59, 59)},
    {126230400, Make(4, 1, 1, 0, 0, 0)},
    {126230400 + 59 * 86400, Make(4, 2, 29, 0, 0, 0)},
    {515403000, Make(16, 5, 1, 7, 30, 0)},
    {515435400, Make(16, 5, 1, 16, 30, 0)},
    {2147483647, Make(68, 1, 19, 3, 14, 7)},
};

TEST(SaturateToInt32, KeepsValuesInRangeAndStopsAtTheEnds) {
  struct Case {
    int64_t value;
    int32_t saturated;
  };
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  const Case cases[] = {
      {0, 0},
      {-86400, -86400},
      {kMax, INT32_MAX},
      {kMax + 1, INT32_MAX},
      {std::numeric_limits<int64_t>::max(), INT32_MAX},
      {kMin, INT32_MIN},
      {kMin - 1, INT32_MIN},
      {std::numeric_limits<int64_t>::min(), INT32_MIN},
      {0xFFFFFFFFll, INT32_MAX},
  };
  for (const Case& c : cases) EXPECT_EQ(SaturateToInt32(c.value), c.saturated) << c.value;
}

TEST(DeviceTime, KnownCountsDecodeAndEncode) {
  for (const TimeCase& c : kKnownTimes) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(DecodeDeviceSeconds(c.seconds), c.time);
    EXPECT_EQ(EncodeDeviceSeconds(c.time), c.seconds);
    EXPECT_TRUE(IsEncodableDeviceTime(c.time));
  }
}

TEST(DeviceTime, DurationsUseHourMinuteSecondAndDaysRollOver) {
  const DeviceTime d = DecodeDeviceSeconds(3725);
  EXPECT_EQ(d, Make(0, 1, 1, 1, 2, 5));
  const DeviceTime longer = DecodeDeviceSeconds(86400 + 3725);
  EXPECT_EQ(longer, Make(0, 1, 2, 1, 2, 5));
}

TEST(DeviceTime, ExactInverseOverSampledCounts) {
  std::mt19937 random(20160501);
  std::uniform_int_distribution<int32_t> any(0, std::numeric_limits<int32_t>::max());
  for (int i = 0; i < 200000; ++i) {
    const int32_t seconds = any(random);
    const DeviceTime t = DecodeDeviceSeconds(seconds);
    ASSERT_EQ(EncodeDeviceSeconds(t), seconds) << seconds;
    ASSERT_GE(t.month, 1);
    ASSERT_LE(t.month, 12);
  }
  // Every day boundary of the first two cycles, and the seconds around it.
  for (int32_t day = 0; day < 2 * 1461; ++day) {
    for (const int32_t delta : {-1, 0, 1}) {
      const int32_t seconds = day * 86400 + delta;
      if (seconds < 0) continue;
      ASSERT_EQ(EncodeDeviceSeconds(DecodeDeviceSeconds(seconds)), seconds) << seconds;
    }
  }
}

TEST(DeviceTime, NegativeCountsDecodeAsTheEpoch) {
  for (const int32_t seconds : {-1, -86400, std::numeric_limits<int32_t>::min()}) {
    EXPECT_EQ(DecodeDeviceSeconds(seconds), Make(0, 1, 1, 0, 0, 0)) << seconds;
  }
}

TEST(DeviceTime, MonthOutsideTheYearCountsAsJanuaryAndIsNotEncodable) {
  for (const int month : {0, 13, 255}) {
    SCOPED_TRACE(month);
    EXPECT_EQ(EncodeDeviceSeconds(Make(16, month, 3, 4, 5, 6)), EncodeDeviceSeconds(Make(16, 1, 3, 4, 5, 6)));
    EXPECT_FALSE(IsEncodableDeviceTime(Make(16, month, 3, 4, 5, 6)));
  }
}

TEST(DeviceTime, TimesPastTheLargestCountClampAndAreNotEncodable) {
  const DeviceTime past[] = {Make(68, 1, 19, 3, 14, 8), Make(69, 1, 1, 0, 0, 0), Make(255, 12, 31, 23, 59, 59)};
  for (const DeviceTime& t : past) {
    EXPECT_EQ(EncodeDeviceSeconds(t), std::numeric_limits<int32_t>::max());
    EXPECT_FALSE(IsEncodableDeviceTime(t));
  }
  EXPECT_TRUE(IsEncodableDeviceTime(Make(68, 1, 19, 3, 14, 7)));
}

TEST(DeviceTime, LeapDayCountsOnlyInYearsDivisibleByFour) {
  // March 1st minus February 28th is two days in a leap year and one otherwise.
  for (int year = 0; year < 68; ++year) {
    const int32_t gap = EncodeDeviceSeconds(Make(year, 3, 1, 0, 0, 0)) - EncodeDeviceSeconds(Make(year, 2, 28, 0, 0, 0));
    EXPECT_EQ(gap, (year % 4 == 0 ? 2 : 1) * 86400) << year;
  }
}

}  // namespace
}  // namespace kemlog::track
