// NMEA export and import.

#include "track/nmea_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "track/device_time.h"

namespace kemlog::track {
namespace {

using testing::ReadBytes;
using testing::TempFolder;

// The sentence text with its checksum and CR LF, the checksum computed here independently.
std::string Sentence(const std::string& text) {
  unsigned sum = 0;
  for (size_t i = 1; i < text.size(); ++i) sum ^= static_cast<unsigned char>(text[i]);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return text + tail;
}

tagTrackLog Point(uint32_t time, double latitude, double longitude) {
  tagTrackLog p;
  p.time = time;
  p.latitude = latitude;
  p.longitude = longitude;
  return p;
}

constexpr uint32_t k163000 = 515435400;  // 2016-05-01 16:30:00

TEST(NmeaExport, ThreeSentencesPerPoint) {
  tagTrackLog p = Point(k163000, 35.66872, 139.76612);
  p.pace = 5.75f;
  p.distance = 2000;
  p.speed = 125;
  p.calories = 123;
  p.heartRate = 150;
  p.elevation = -5;
  const std::string expected = Sentence("$GPRMC,163000,,3566.8720,,13976.6120,,,,010516,,,") +
                               Sentence("$GPGGA,163000,3566.8720,,13976.6120,,,,,-5,M,,M,,") +
                               Sentence("$GPWQD,KemWatch,2000, 125, 123, 5.75, 150,");
  EXPECT_EQ(FormatNmeaPoint(p), expected);
  // "GPWQD,KemWatch,0, 0, 0, 0.00, 0," XORs to 0x6D.
  const std::string zero = FormatNmeaPoint(Point(0, 0, -0.5));
  EXPECT_NE(zero.find("$GPRMC,000000,,0.0000,,-50.0000,,,,010100,,,*"), std::string::npos);
  EXPECT_NE(zero.find("$GPWQD,KemWatch,0, 0, 0, 0.00, 0,*6D\r\n"), std::string::npos);
}

TEST(NmeaExport, HugeCoordinatesAreWrittenWhole) {
  const std::string text = FormatNmeaPoint(Point(0, 1e300, -1e300));
  EXPECT_GT(text.size(), 1200u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(NmeaExport, WritesEveryPointOrReportsFailure) {
  TempFolder folder;
  const std::vector<tagTrackLog> points = {Point(k163000, 1, 2), Point(k163000 + 1, 3, 4)};
  const std::string path = folder.File("out.nmea");
  ASSERT_TRUE(WriteNmeaFile(path, points));
  EXPECT_EQ(ReadBytes(path), FormatNmeaPoint(points[0]) + FormatNmeaPoint(points[1]));
  EXPECT_FALSE(WriteNmeaFile(folder.File("missing/out.nmea"), points));
}

TEST(NmeaExport, AnExportCutShortFailsAndLeavesNoFile) {
  TempFolder folder;
  const std::vector<tagTrackLog> points(200, Point(k163000, 1, 2));
  const std::string path = folder.File("out.nmea");
  for (const size_t room : {size_t{0}, size_t{5000}}) {
    {
      testing::FileSizeLimit limit(room);
      EXPECT_FALSE(WriteNmeaFile(path, points)) << room;
    }
    EXPECT_FALSE(std::filesystem::exists(path)) << room;
  }
  // An earlier export under the name is not kept either: it was replaced when the file was opened.
  folder.Write("out.nmea", "earlier export");
  {
    testing::FileSizeLimit limit(100);
    EXPECT_FALSE(WriteNmeaFile(path, points));
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  // A device the name leads to stays.
  const std::string link = folder.File("full.nmea");
  std::filesystem::create_symlink("/dev/full", link);
  EXPECT_FALSE(WriteNmeaFile(link, points));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

struct ImportTest : ::testing::Test {
  TempFolder folder;
  NmeaReadResult Read(const std::string& bytes) { return ReadNmeaFile(folder.Write("in.nmea", bytes)); }
};

TEST_F(ImportTest, RecordsAreGroupedByTheFirstSentenceType) {
  const std::string rmc1 = "$GPRMC,163000,,3566.8720,,13976.6120,,,,010516,,,*00\r\n";
  const std::string gga1 = "$GPGGA,163000,3566.8720,,13976.6120,,,,,40,M,,M,,*00\r\n";
  const std::string wqd1 = "$GPWQD,KemWatch,100, 50, 7.9, 6.25, 140,*00\r\n";
  const std::string rmc2 = "$GPRMC,163100,,3500.0000,,13900.0000,,,,010516,,,*00\r\n";
  const std::string gga2 = "$GPGGA,163100,3400.0000,,13800.0000,,,,,41,M,,M,,*00\r\n";
  const std::string wqd2 = "$GPWQD,KemWatch,200, 60, 12, 5.5, 141,*00\r\n";

  const NmeaReadResult byRmc = Read(rmc1 + gga1 + wqd1 + rmc2 + gga2 + wqd2);
  EXPECT_TRUE(byRmc.opened);
  EXPECT_TRUE(byRmc.proprietarySeen);
  ASSERT_EQ(byRmc.points.size(), 2u);
  tagTrackLog first = Point(k163000, 35.66872, 139.76612);
  first.elevation = 40;
  first.distance = 100;
  first.speed = 50;
  first.calories = 7;  // truncated toward zero
  first.pace = 6.25f;
  first.heartRate = 140;
  EXPECT_EQ(byRmc.points[0], first);
  EXPECT_EQ(byRmc.points[1].time, k163000 + 60);
  EXPECT_EQ(byRmc.points[1].latitude, 34.0);  // GGA comes after RMC and wins
  EXPECT_EQ(byRmc.points[1].distance, 200u);

  // The same sentences starting with GGA: each record runs from one GGA to the next.
  const NmeaReadResult byGga = Read(gga1 + rmc1 + wqd1 + gga2 + rmc2 + wqd2);
  ASSERT_EQ(byGga.points.size(), 2u);
  EXPECT_EQ(byGga.points[0].latitude, 35.66872);  // RMC after GGA
  EXPECT_EQ(byGga.points[1].latitude, 35.0);
  EXPECT_EQ(byGga.points[1].time, k163000 + 60);

  // WQD first: each record runs from one WQD to the next and takes the RMC and GGA after its WQD.
  const NmeaReadResult byWqd = Read(wqd1 + rmc1 + gga1 + wqd2 + rmc2 + gga2);
  ASSERT_EQ(byWqd.points.size(), 2u);
  EXPECT_EQ(byWqd.points[0], first);
  EXPECT_EQ(byWqd.points[1].distance, 200u);
  EXPECT_EQ(byWqd.points[1].latitude, 34.0);
}

TEST_F(ImportTest, RecordStartsAtAnySentenceTypeAndValuesCarryOver) {
  // Records start at WQD here; the position read once carries over into the later records.
  const NmeaReadResult r = Read("$GPWQD,KemWatch,100, 50, 7, 6.25, 140,*00\r\n"
                                "$GPRMC,163000,,100.0,,200.0,,,,010516,,,*00\r\n"
                                "$GPWQD,KemWatch,300, 51, 8, 7.5, 141,*00\r\n"
                                "$GPWQD,KemWatch,400, 52, 9, 8.5, 142,*00\r\n");
  ASSERT_EQ(r.points.size(), 3u);
  EXPECT_EQ(r.points[0].distance, 100u);
  EXPECT_EQ(r.points[0].latitude, 1.0);
  EXPECT_EQ(r.points[1].distance, 300u);
  EXPECT_EQ(r.points[1].latitude, 1.0);
  EXPECT_EQ(r.points[2].distance, 400u);
  EXPECT_EQ(r.points[2].time, k163000);
}

TEST_F(ImportTest, SentenceSearchOrderAndUnknownLines) {
  // A line holding two sentence names is read as the one searched first.
  const NmeaReadResult r = Read("garbage\r\n$GPGSV,1,2,3*00\r\n"
                                "$GPWQD,KemWatch,5, 6, 7, 1.5, 9,$GPRMC,x*00\r\n"
                                "no newline at the end $GPWQD,KemWatch,1, 1, 1, 1, 1,");
  ASSERT_EQ(r.points.size(), 1u);
  EXPECT_EQ(r.points[0].distance, 0u);  // the RMC reading decided; its fields hold nothing of WQD
  EXPECT_FALSE(r.proprietarySeen);
}

TEST_F(ImportTest, FieldsAreTheTextsBetweenCommas) {
  // The text after the last comma is no field: 150 here is not the heart rate.
  const NmeaReadResult r = Read("$GPWQD,KemWatch,2000, 125, 123.9, 5.75, 150*00\r\n"
                                "$GPWQD,KemWatch,2001\r\n");
  ASSERT_EQ(r.points.size(), 2u);
  EXPECT_EQ(r.points[0].distance, 2000u);
  EXPECT_EQ(r.points[0].speed, 125u);
  EXPECT_EQ(r.points[0].calories, 123u);
  EXPECT_EQ(r.points[0].pace, 5.75f);
  EXPECT_EQ(r.points[0].heartRate, 0);
  EXPECT_EQ(r.points[1].distance, 2000u);  // "2001" is after the last comma
}

TEST_F(ImportTest, TimesFromRmcAndZda) {
  struct Case {
    const char* line;
    uint32_t time;  // the previous point's time 1000 stays when the date is not usable
  };
  const Case cases[] = {
      {"$GPRMC,163000.00,,,,,,,,010516,,,", k163000},
      {"$GPZDA,163000.00,01,05,2016,00,00*00", k163000},
      {"$GPZDA,031407,19,01,2068,,", 2147483647},
      {"$GPRMC,163000,,,,,,,,,,,", 1000},           // no date: month 0
      {"$GPRMC,163000,,,,,,,,011316,,,", 1000},     // month 13
      {"$GPZDA,163000,01,05,1999,00,00", 1000},     // before 2000
      {"$GPZDA,163000,01,05,2272,00,00", 1000},     // past what the year byte holds
      {"$GPZDA,031408,19,01,2068,,", 1000},         // past the largest count
      {"$GPZDA,163000,01,00,2016,,", 1000},
      {"$GPZDA,163000,01,257,2016,,", 1000},        // would wrap to January in a byte
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const NmeaReadResult r = Read("$GPWQD,KemWatch,1, 1, 1, 1, 1,\r\n"
                                  "$GPRMC,001640,,,,,,,,010100,,,\r\n" +  // 1000 s: 00:16:40 on 2000-01-01
                                  std::string(c.line) + "\r\n");
    ASSERT_EQ(r.points.size(), 1u);
    EXPECT_EQ(r.points[0].time, c.time);
  }
}

TEST_F(ImportTest, OverlongLinesAndFieldsAreCut) {
  // The distance field is 34 characters; its first 31 read as 123.
  const std::string longField = std::string(28, ' ') + "123456";
  const NmeaReadResult r = Read("$GPWQD,KemWatch," + longField + ", 1, 1, 1, 1,\r\n" +
                                "$GPWQD,KemWatch,2, 2, 2, 2," + std::string(1100, ' ') + "3,4,\r\n" +
                                std::string(1100, ' ') + "$GPWQD,KemWatch,5, 5, 5, 5, 5,\r\n");
  // The third line's sentence lies beyond the cut, and no tail is read as a line of its own.
  ASSERT_EQ(r.points.size(), 2u);
  EXPECT_EQ(r.points[0].distance, 123u);
  EXPECT_EQ(r.points[1].distance, 2u);
  EXPECT_EQ(r.points[1].heartRate, 1);  // the field beyond the cut is not read
}

TEST_F(ImportTest, MissingFileIsNotOpened) {
  const NmeaReadResult r = ReadNmeaFile(folder.File("absent.nmea"));
  EXPECT_FALSE(r.opened);
  EXPECT_TRUE(r.points.empty());
}

TEST(ImportedLog, NothingWithoutPointsOrWithoutTheProprietarySentence) {
  NmeaReadResult read;
  read.opened = true;
  EXPECT_FALSE(BuildImportedLog(read));
  read.points.push_back(Point(k163000, 1, 2));
  EXPECT_FALSE(BuildImportedLog(read));
  read.proprietarySeen = true;
  EXPECT_TRUE(BuildImportedLog(read));
}

TEST(ImportedLog, SummaryRowAndRecordsComeFromTheFirstAndLastPoints) {
  NmeaReadResult read;
  read.opened = true;
  read.proprietarySeen = true;
  tagTrackLog first = Point(k163000, 35.66872, -139.76612);
  first.elevation = -5;
  first.speed = 0x12345;
  first.heartRate = 0x1FF;
  first.distance = 10;
  first.calories = 20;
  first.pace = 9.0f;
  tagTrackLog last = Point(k163000 + 1800, -0.0000009, 1e20);
  last.distance = 5000;
  last.calories = 3456;
  last.pace = 6.0f;
  read.points = {first, last};

  const std::optional<ImportedLog> log = BuildImportedLog(read);
  ASSERT_TRUE(log);
  const LogSummaryRecord summary{static_cast<int32_t>(k163000), 0, 0, 2, 5000, 3456};
  EXPECT_EQ(log->summary, summary);
  const HistoryRow row = {"2016/05/01 16:30~17:00", "0:30:00", "6'00\" /km", "345.6 kcal", "5.00 km"};
  EXPECT_EQ(log->row, row);
  ASSERT_EQ(log->points.size(), 2u);
  const TrackPointRecord p0{static_cast<int32_t>(k163000), 21401232, -83859672, -5, 0x2345, 0xFF, 0, 0, 10, 20};
  EXPECT_EQ(log->points[0], p0);
  EXPECT_EQ(log->points[1].latitude, 0);                // truncated toward zero
  EXPECT_EQ(log->points[1].longitude, INT32_MAX);       // kept within the 32-bit field
}

TEST(ImportedLog, LastPointBeforeTheFirstGivesAZeroDuration) {
  NmeaReadResult read;
  read.proprietarySeen = true;
  read.points = {Point(k163000, 0, 0), Point(k163000 - 60, 0, 0)};
  const std::optional<ImportedLog> log = BuildImportedLog(read);
  ASSERT_TRUE(log);
  EXPECT_EQ(log->row[0], "2016/05/01 16:30~16:29");
  EXPECT_EQ(log->row[1], "0:00:00");
}

TEST(ImportedLog, StoredAsAGpxFileNamedAfterTheFirstPoint) {
  TempFolder folder;
  NmeaReadResult read;
  read.proprietarySeen = true;
  read.points = {Point(k163000, 35.5, 139.5), Point(k163000 + 60, 35.6, 139.6)};
  const std::optional<ImportedLog> log = BuildImportedLog(read);
  ASSERT_TRUE(log);
  std::vector<std::string> errors;
  const std::string path = StoreImportedLog(*log, folder.Path(), [&](const std::string& m) { errors.push_back(m); });
  EXPECT_EQ(path, GpxFilePath(folder.Path(), static_cast<int32_t>(k163000)));
  EXPECT_TRUE(errors.empty());
  const std::vector<tagTrackLog> points = ReadGpxPoints(path);
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[0].time, k163000);  // stored without offset
  EXPECT_EQ(points[1].time, k163000 + 60);

  const std::string missing = folder.File("missing");
  const std::string failed = StoreImportedLog(*log, missing, [&](const std::string& m) { errors.push_back(m); });
  EXPECT_EQ(failed, GpxFilePath(missing, static_cast<int32_t>(k163000)));
  EXPECT_EQ(errors.size(), 1u);
}

}  // namespace
}  // namespace kemlog::track
