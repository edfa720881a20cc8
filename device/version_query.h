#pragma once
// The watch's firmware version and the date of its GPS data, as the settings page shows them.

#include <string>

#include "device/device_link.h"

namespace kemlog::device {

// "%d.%d.%d       GPSデータ  %d年%02d月" of a packed version (major × 10000 + minor × 100 + patch)
// and a packed GPS data date (year × 10000 + month field × 100 + ...); the month shown is one more
// than the month field, wrapping from 12 to January of the next year.
std::string VersionText(int firmwareVersion, int gpsDataDate);

struct VersionAnswer {
  bool answered = false;  // PKRV861 came within the wait
  std::string text;       // VersionText of what was read
};

// Asks with PKRV829 and waits (500 empty reads) for PKRV861,F,G. Whatever the wait left in its
// buffer is read; missing numbers count as 0, so no answer shows as version 0.0.0.
VersionAnswer AskDeviceVersion(DeviceLink& link);
// The text of AskDeviceVersion, as the settings page shows it whether or not the watch answered.
std::string QueryDeviceVersion(DeviceLink& link);

}  // namespace kemlog::device
