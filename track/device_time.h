#pragma once
// The watch's time base: signed seconds since 2000-01-01 00:00:00, and its broken-down form.

#include <cstdint>

namespace kemlog::track {

// The value, or the nearest end of the 32-bit signed range when it lies beyond.
constexpr int32_t SaturateToInt32(int64_t value) {
  constexpr int64_t kMax = INT32_MAX;
  constexpr int64_t kMin = INT32_MIN;
  return static_cast<int32_t>(value > kMax ? kMax : (value < kMin ? kMin : value));
}

// Seconds added to every device time to show and store local time (nine hours).
inline constexpr int32_t kLocalTimeOffset = 32400;

struct DeviceTime {
  uint8_t year = 0;  // years since 2000
  uint8_t month = 1;
  uint8_t day = 1;
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;
  bool operator==(const DeviceTime&) const = default;
};

// Device seconds of a broken-down time. Every year divisible by four is a leap year. Safe for any
// input: a month outside 1..12 counts as January, and a time past 2068-01-19 03:14:07 (the largest
// count) gives that largest count.
int32_t EncodeDeviceSeconds(const DeviceTime& t);

// Broken-down time of a count of seconds; a negative count decodes as 0 (2000-01-01 00:00:00).
DeviceTime DecodeDeviceSeconds(int32_t seconds);

// Whether a broken-down time read from a file encodes exactly: month 1..12 and a count from 0 to the
// largest.
bool IsEncodableDeviceTime(const DeviceTime& t);

}  // namespace kemlog::track
