#include "device/version_query.h"

#include <array>
#include <cstdio>

#include "device/sentence.h"

namespace kemlog::device {
namespace {

constexpr int kVersionBudget = 500;

}  // namespace

std::string VersionText(int firmwareVersion, int gpsDataDate) {
  const int major = firmwareVersion / 10000;
  const int minor = firmwareVersion / 100 % 100;
  const int patch = firmwareVersion % 100;
  const int monthField = gpsDataDate / 100 % 100;
  const int year = gpsDataDate / 10000 + (monthField == 12 ? 1 : 0);
  const int month = monthField == 12 ? 1 : monthField + 1;
  char text[128];
  std::snprintf(text, sizeof text, "%d.%d.%d       GPSデータ  %d年%02d月", major, minor, patch, year, month);
  return text;
}

VersionAnswer AskDeviceVersion(DeviceLink& link) {
  SendSentence(link, "PKRV829");
  std::array<char, 1024> reply{};
  VersionAnswer answer;
  answer.answered = WaitReply(861, reply, link, kVersionBudget);
  reply.back() = '\0';
  int firmware = 0;
  int gpsDate = 0;
  std::sscanf(reply.data(), "PKRV861,%d,%d", &firmware, &gpsDate);
  answer.text = VersionText(firmware, gpsDate);
  return answer;
}

std::string QueryDeviceVersion(DeviceLink& link) { return AskDeviceVersion(link).text; }

}  // namespace kemlog::device
