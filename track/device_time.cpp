// Conversions between device seconds and the broken-down DeviceTime.

#include "track/device_time.h"

#include <array>
#include <cstddef>
#include <limits>

namespace kemlog::track {
namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int32_t kSecondsPerCycle = 126230400;  // four years, the first one a leap year: 1461 days

// Days before each month in a common year.
constexpr std::array<int, 12> kDaysBeforeMonth = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// Month boundaries in seconds from the start of a four-year cycle: entry (k, m) is the start of month
// m + 1 of cycle year k, entry (k, 12) the end of year k.
using CycleTable = std::array<std::array<int32_t, 13>, 4>;

constexpr CycleTable MakeCycleTable() {
  constexpr std::array<int, 12> kMonthDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  CycleTable table{};
  int64_t days = 0;
  for (size_t k = 0; k < 4; ++k) {
    for (size_t m = 0; m < 12; ++m) {
      table[k][m] = static_cast<int32_t>(days * kSecondsPerDay);
      days += kMonthDays[m] + (k == 0 && m == 1 ? 1 : 0);
    }
    table[k][12] = static_cast<int32_t>(days * kSecondsPerDay);
  }
  return table;
}

constexpr CycleTable kCycle = MakeCycleTable();
static_assert(kCycle[0][2] == 5184000 && kCycle[0][12] == 31622400 && kCycle[3][12] == kSecondsPerCycle);

// The count of a broken-down time in 64 bits, before any clamping.
int64_t WideSeconds(const DeviceTime& t) {
  const int month = (t.month >= 1 && t.month <= 12) ? t.month : 1;
  const int year = t.year;
  int64_t dayOfYear = t.day + kDaysBeforeMonth[static_cast<size_t>(month - 1)];
  if (year % 4 == 0 && month > 2) dayOfYear += 1;
  int64_t days = dayOfYear - 1 + 365 * static_cast<int64_t>(year);
  if (year > 0) days += (year - 1) / 4 + 1;
  return ((days * 24 + t.hour) * 60 + t.minute) * 60 + t.second;
}

}  // namespace

int32_t EncodeDeviceSeconds(const DeviceTime& t) {
  return SaturateToInt32(WideSeconds(t));
}

DeviceTime DecodeDeviceSeconds(int32_t seconds) {
  if (seconds < 0) seconds = 0;
  const int32_t q = seconds / kSecondsPerCycle;
  int32_t r = seconds - q * kSecondsPerCycle;
  size_t k = 0;
  size_t m = 0;
  while (k < 3 && r >= kCycle[k][12]) ++k;
  while (m < 11 && r >= kCycle[k][m + 1]) ++m;
  r -= kCycle[k][m];
  DeviceTime t;
  t.year = static_cast<uint8_t>(4 * q + static_cast<int32_t>(k));
  t.month = static_cast<uint8_t>(m + 1);
  t.day = static_cast<uint8_t>(r / 86400 + 1);
  t.hour = static_cast<uint8_t>((r % 86400) / 3600);
  t.minute = static_cast<uint8_t>((r % 3600) / 60);
  t.second = static_cast<uint8_t>(r % 60);
  return t;
}

bool IsEncodableDeviceTime(const DeviceTime& t) {
  if (t.month < 1 || t.month > 12) return false;
  const int64_t seconds = WideSeconds(t);
  return seconds >= 0 && seconds <= std::numeric_limits<int32_t>::max();
}

}  // namespace kemlog::track
