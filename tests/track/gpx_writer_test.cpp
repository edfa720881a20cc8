// Writing GPX track files.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/paths.h"
#include "temp_folder.h"
#include "track/device_time.h"
#include "track/gpx_file.h"

namespace kemlog::track {
namespace {

using testing::ReadBytes;
using testing::TempFolder;

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<gpx version=\"v1.1.5\" creator=\"Ostrel Tech Inc. - http://www.ostreltech.com\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
    "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd "
    "http://www.topografix.com/GPX/gpx_overlay/0/3 http://www.topografix.com/GPX/gpx_overlay/0/3/gpx_overlay.xsd "
    "http://www.topografix.com/GPX/gpx_modified/0/1 "
    "http://www.topografix.com/GPX/gpx_modified/0/1/gpx_modified.xsd\">\r\n"
    "<trk>\r\n";
const std::string kTail = "</trkseg>\r\n</trk>\r\n</gpx>";

struct WriterTest : ::testing::Test {
  TempFolder folder;
  std::vector<std::string> errors;
  FileErrorReporter reporter = [this](const std::string& message) { errors.push_back(message); };

  LogSummaryRecord Summary(int32_t startTime, uint32_t pointCount) {
    LogSummaryRecord s;
    s.startTime = startTime;
    s.pointCount = pointCount;
    return s;
  }
};

TEST_F(WriterTest, EmptyLogIsEightLinesAndNamedAfterTheShiftedStart) {
  LogSummaryRecord summary = Summary(515403000, 0);
  ASSERT_TRUE(WriteGpxFile({}, kLocalTimeOffset, summary, folder.Path(), reporter));
  EXPECT_EQ(summary.startTime, 515435400);
  const std::string path = folder.Path() + platform::kPathSeparator + "Kem_20160501_163000.gpx";
  EXPECT_EQ(GpxFilePath(folder.Path(), summary.startTime), path);
  const std::string text = ReadBytes(path);
  EXPECT_EQ(text, kHead + "<name>Kem_20160501_163000</name>\r\n<trkseg>\r\n" + kTail);
  EXPECT_EQ(text.substr(0, text.find('\n') + 1).size(), 40u);
  size_t lines = 1;
  for (const char c : text) lines += c == '\n' ? 1 : 0;
  EXPECT_EQ(lines, 8u);
  EXPECT_TRUE(errors.empty());
}

TEST_F(WriterTest, PointBlocksCarryEveryFieldInItsFormat) {
  const std::vector<TrackPointRecord> points = {
      {515403000, -12345678, 21600000, -5, 125, 150, 7, 100, 2000, 123},
      {515403600, 21400123, -300000, 32767, 0, 0, 255, 0, 3000000000u, 0x80000001u},
  };
  LogSummaryRecord summary = Summary(515403000, 2);
  ASSERT_TRUE(WriteGpxFile(points, kLocalTimeOffset, summary, folder.Path(), reporter));
  const std::string expected = kHead + "<name>Kem_20160501_163000</name>\r\n<trkseg>\r\n" +
                               "<trkpt lat=\"-20.576130\" lon=\"36.000000\">\r\n"
                               "<time>2016-05-01T16:30:00Z</time>\r\n"
                               "<ele>-5.000000</ele>\r\n"
                               "<dist>2000</dist>\r\n"
                               "<speed>125</speed>\r\n"
                               "<calorie>123</calorie>\r\n"
                               "<desc>hr=150bpm,fatique=7,exercise=100%</desc>\r\n"
                               "</trkpt>\r\n"
                               "<trkpt lat=\"35.666872\" lon=\"-0.500000\">\r\n"
                               "<time>2016-05-01T16:40:00Z</time>\r\n"
                               "<ele>32767.000000</ele>\r\n"
                               "<dist>-1294967296</dist>\r\n"
                               "<speed>0</speed>\r\n"
                               "<calorie>-2147483647</calorie>\r\n"
                               "<desc>hr=0bpm,fatique=255,exercise=0%</desc>\r\n"
                               "</trkpt>\r\n" +
                               kTail;
  EXPECT_EQ(ReadBytes(folder.File("Kem_20160501_163000.gpx")), expected);
}

TEST_F(WriterTest, WritesNoMorePointsThanTheCountOrTheBuffer) {
  const std::vector<TrackPointRecord> points(3);
  struct Case {
    uint32_t pointCount;
    size_t blocks;
  };
  for (const Case c : {Case{0, 0}, Case{2, 2}, Case{3, 3}, Case{1000, 3}}) {
    LogSummaryRecord summary = Summary(0, c.pointCount);
    ASSERT_TRUE(WriteGpxFile(points, 0, summary, folder.Path(), reporter));
    const std::string text = ReadBytes(folder.File("Kem_20000101_000000.gpx"));
    size_t blocks = 0;
    for (size_t at = text.find("<trkpt "); at != std::string::npos; at = text.find("<trkpt ", at + 1)) ++blocks;
    EXPECT_EQ(blocks, c.blocks) << c.pointCount;
  }
}

TEST_F(WriterTest, OffsetShiftsEveryPointAndSaturatesAtTheLargestCount) {
  const std::vector<TrackPointRecord> points = {{2147483000, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
  LogSummaryRecord summary = Summary(2147483000, 1);
  ASSERT_TRUE(WriteGpxFile(points, kLocalTimeOffset, summary, folder.Path(), reporter));
  EXPECT_EQ(summary.startTime, 2147483647);
  const std::string text = ReadBytes(folder.File("Kem_20680119_031407.gpx"));
  EXPECT_NE(text.find("<time>2068-01-19T03:14:07Z</time>\r\n"), std::string::npos);
}

TEST_F(WriterTest, SameStartReplacesTheEarlierFile) {
  std::vector<TrackPointRecord> points(2);
  LogSummaryRecord first = Summary(100, 2);
  ASSERT_TRUE(WriteGpxFile(points, 0, first, folder.Path(), reporter));
  LogSummaryRecord second = Summary(100, 0);
  ASSERT_TRUE(WriteGpxFile(points, 0, second, folder.Path(), reporter));
  EXPECT_EQ(ReadBytes(folder.File("Kem_20000101_000140.gpx")),
            kHead + "<name>Kem_20000101_000140</name>\r\n<trkseg>\r\n" + kTail);
}

TEST_F(WriterTest, AFileCutShortIsReportedAndRemoved) {
  const std::vector<TrackPointRecord> points(100);
  struct Case {
    size_t room;           // bytes the file may grow to
    const char* reason;
  };
  // 0: not even the head fits; 2000: the head and some points do.
  const Case cases[] = {{0, "File too large"}, {2000, "File too large"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.room);
    errors.clear();
    LogSummaryRecord summary = Summary(0, 100);
    {
      testing::FileSizeLimit limit(c.room);
      EXPECT_FALSE(WriteGpxFile(points, 0, summary, folder.Path(), reporter));
    }
    EXPECT_EQ(errors, std::vector<std::string>{c.reason});
    EXPECT_FALSE(std::filesystem::exists(folder.File("Kem_20000101_000000.gpx")));
  }
  // With room enough the same log is written whole.
  LogSummaryRecord summary = Summary(0, 100);
  ASSERT_TRUE(WriteGpxFile(points, 0, summary, folder.Path(), reporter));
  EXPECT_TRUE(ReadBytes(folder.File("Kem_20000101_000000.gpx")).ends_with(kTail));
}

TEST_F(WriterTest, AFailedWriteLeavesADeviceTheNameLeadsToAlone) {
  // The name leads to a device on which every write fails for want of space.
  const std::string path = folder.File("Kem_20000101_000000.gpx");
  std::filesystem::create_symlink("/dev/full", path);
  LogSummaryRecord summary = Summary(0, 0);
  EXPECT_FALSE(WriteGpxFile({}, 0, summary, folder.Path(), reporter));
  EXPECT_EQ(errors, std::vector<std::string>{"No space left on device"});
  EXPECT_TRUE(std::filesystem::is_symlink(path));
  EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

TEST_F(WriterTest, MissingFolderIsReportedAndWritesNothing) {
  LogSummaryRecord summary = Summary(515403000, 0);
  const std::string missing = folder.File("no_such_folder");
  EXPECT_FALSE(WriteGpxFile({}, kLocalTimeOffset, summary, missing, reporter));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "No such file or directory");
  EXPECT_EQ(summary.startTime, 515435400);  // shifted all the same; the caller lists the path
  EXPECT_FALSE(std::filesystem::exists(missing));
  // An empty reporter is allowed.
  EXPECT_FALSE(WriteGpxFile({}, 0, summary, missing, nullptr));
}

}  // namespace
}  // namespace kemlog::track
