// Reading GPX track files back.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gpx_consumer.h"
#include "temp_folder.h"
#include "track/device_time.h"
#include "track/gpx_file.h"

namespace kemlog::track {
namespace {

using testing::RecordingConsumer;
using testing::TempFolder;
using Events = std::vector<std::string>;

// One point block as the writer lays it out; empty texts leave a line out.
struct Block {
  std::string trkpt = "<trkpt lat=\"35.500000\" lon=\"139.250000\">";
  std::string time = "<time>2016-05-01T16:30:00Z</time>";
  std::string ele = "<ele>12.000000</ele>";
  std::string dist = "<dist>0</dist>";
  std::string speed = "<speed>100</speed>";
  std::string calorie = "<calorie>10</calorie>";
  std::string desc = "<desc>hr=120bpm,fatique=1,exercise=50%</desc>";
};

std::string Lines(const Block& b) {
  std::string text;
  for (const std::string* line : {&b.trkpt, &b.time, &b.ele, &b.dist, &b.speed, &b.calorie, &b.desc}) {
    if (!line->empty()) text += *line + "\r\n";
  }
  return text + "</trkpt>\r\n";
}

std::string File(const std::vector<Block>& blocks) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<gpx version=\"v1.1.5\">\r\n<trk>\r\n"
                     "<name>Kem_20160501_163000</name>\r\n<trkseg>\r\n";
  for (const Block& b : blocks) text += Lines(b);
  return text + "</trkseg>\r\n</trk>\r\n</gpx>";
}

struct ReaderTest : ::testing::Test {
  TempFolder folder;
  RecordingConsumer consumer;

  void Read(const std::string& bytes, const std::string& name = "log.gpx") {
    ReadGpxTrack(folder.Write(name, bytes), consumer);
  }
};

TEST_F(ReaderTest, NotifiesEveryRecognisedLineInFileOrder) {
  Block second;
  second.trkpt = "<trkpt lat=\"35.600000\" lon=\"139.300000\">";
  second.time = "<time>2016-05-01T16:40:00Z</time>";
  second.ele = "<ele>-5.000000</ele>";
  second.dist = "<dist>2000</dist>";
  second.desc = "<desc>hr=150bpm,fatique=2,exercise=60%</desc>";
  Read(File({Block{}, second}));
  const Events expected = {
      "begin 0 35.500000 139.250000", "time 16-5-1 16:30:0", "dist 0", "speed 100", "calories 10", "hr 120", "end 0",
      "begin 1 35.600000 139.300000", "time 16-5-1 16:40:0", "dist 2000", "speed 100", "calories 10", "hr 150",
      "end 1", "eof 35.600000 139.300000 1"};
  EXPECT_EQ(consumer.events, expected);
  ASSERT_EQ(consumer.points.size(), 2u);
  const tagTrackLog& p = consumer.points[1];
  EXPECT_EQ(p.time, static_cast<uint32_t>(515436000));
  EXPECT_EQ(p.elevation, -5);
  EXPECT_EQ(p.distance, 2000u);
  EXPECT_EQ(p.heartRate, 150);
  EXPECT_EQ(p.pace, 5.0f);  // 600 s over 2 km
  EXPECT_EQ(consumer.points[0].pace, 0.0f);
  EXPECT_EQ(consumer.points[0].elevation, 12);
}

TEST_F(ReaderTest, PaceRunsFromTheFirstCompletedPoint) {
  std::vector<Block> blocks(4);
  const char* times[] = {"16:30:00", "16:35:00", "16:40:00", "16:45:00"};
  const char* dists[] = {"500", "1000", "0", "3000"};
  for (size_t i = 0; i < 4; ++i) {
    blocks[i].time = std::string("<time>2016-05-01T") + times[i] + "Z</time>";
    blocks[i].dist = std::string("<dist>") + dists[i] + "</dist>";
  }
  Read(File(blocks));
  ASSERT_EQ(consumer.points.size(), 4u);
  EXPECT_EQ(consumer.points[0].pace, 0.0f);  // the first point, though its distance is not 0
  EXPECT_EQ(consumer.points[1].pace, 5.0f);
  EXPECT_EQ(consumer.points[2].pace, 0.0f);  // distance 0
  EXPECT_EQ(consumer.points[3].pace, 5.0f);
}

TEST_F(ReaderTest, MissingLinesKeepThePreviousPointsValues) {
  Block first;
  first.desc.clear();
  Block second;
  second.trkpt = "<trkpt lat=\"1.0\" lon=\"2.0\">";
  second.desc = "<desc>hr=99bpm,fatique=0,exercise=0%</desc>";
  Block third;
  third.trkpt.clear();
  third.time.clear();
  third.ele.clear();
  third.dist.clear();
  third.speed.clear();
  third.calorie.clear();
  third.desc.clear();
  Read(File({first, second, third}));
  ASSERT_EQ(consumer.points.size(), 3u);
  EXPECT_EQ(consumer.points[0].heartRate, 0);  // no desc in the first point
  EXPECT_EQ(consumer.points[1].heartRate, 99);
  tagTrackLog expected = consumer.points[1];
  expected.pace = 0;  // distance 0 all along
  EXPECT_EQ(consumer.points[2], expected);
  EXPECT_EQ(consumer.events.back(), "eof 1.000000 2.000000 1");
}

TEST_F(ReaderTest, FirstQuotedValueIsAlwaysTheLatitude) {
  Block b;
  b.trkpt = "<trkpt lon=\"139.250000\" lat=\"35.500000\">";
  Read(File({b}));
  ASSERT_EQ(consumer.points.size(), 1u);
  EXPECT_EQ(consumer.points[0].latitude, 139.25);
  EXPECT_EQ(consumer.points[0].longitude, 35.5);
}

TEST_F(ReaderTest, PositionLineWithoutBothQuotedValuesStartsNoPoint) {
  for (const char* line : {"<trkpt lat=\"35.5\" lon=\"139.25>", "<trkpt lat=\"35.5\">", "<trkpt>"}) {
    SCOPED_TRACE(line);
    RecordingConsumer c;
    Block first;
    Block second;
    second.trkpt = line;
    second.dist = "<dist>7</dist>";
    ReadGpxTrack(folder.Write("log.gpx", File({first, second})), c);
    ASSERT_EQ(c.points.size(), 2u);
    EXPECT_EQ(c.points[1].latitude, 35.5);
    EXPECT_EQ(c.points[1].longitude, 139.25);
    EXPECT_EQ(c.points[1].distance, 7u);
    EXPECT_EQ(std::count(c.events.begin(), c.events.end(), "begin 0 35.500000 139.250000"), 1);
    EXPECT_EQ(c.events.back(), "eof 35.500000 139.250000 1");
  }
}

TEST_F(ReaderTest, NumbersThatDoNotScanLeaveTheFieldButStillNotify) {
  Block first;
  first.dist = "<dist>2000</dist>";
  Block second;
  second.time = "<time>2016-05-01T16:40:00Z</time>";
  second.ele = "<ele>high</ele>";
  second.dist = "<dist></dist>";
  second.speed = "<speed>x</speed>";
  second.calorie = "<calorie>-</calorie>";
  second.desc = "<desc>bpm</desc>";
  Read(File({first, second}));
  ASSERT_EQ(consumer.points.size(), 2u);
  tagTrackLog expected = consumer.points[0];
  expected.time = 515436000;
  expected.pace = 5.0f;
  EXPECT_EQ(consumer.points[1], expected);
  const Events tail(consumer.events.end() - 7, consumer.events.end());
  const Events expectedTail = {"time 16-5-1 16:40:0", "dist 2000", "speed 100", "calories 10", "hr 120", "end 1",
                               "eof 35.500000 139.250000 1"};
  EXPECT_EQ(tail, expectedTail);
}

TEST_F(ReaderTest, TimeLineYears) {
  struct Case {
    const char* line;
    const char* event;  // nullptr: the line is skipped
    uint32_t time;
  };
  const Case cases[] = {
      {"<time>2016-05-01T16:30:00Z</time>", "time 16-5-1 16:30:0", 515435400},
      {"<time>2000-01-01T00:00:00Z</time>", "time 0-1-1 0:0:0", 0},
      {"<time>2068-01-19T03:14:07Z</time>", "time 68-1-19 3:14:7", 2147483647},
      // 2272 is 272 years after 2000: the year byte wraps to 16.
      {"<time>2272-05-01T16:30:00Z</time>", "time 16-5-1 16:30:0", 515435400},
      // 1999 gives the year byte 255, far past the largest count: not usable.
      {"<time>1999-12-31T23:59:59Z</time>", nullptr, 0},
      {"<time>2068-01-19T03:14:08Z</time>", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    RecordingConsumer rc;
    Block b;
    b.time = c.line;
    ReadGpxTrack(folder.Write("log.gpx", File({b})), rc);
    ASSERT_EQ(rc.points.size(), 1u);
    EXPECT_EQ(rc.points[0].time, c.time);
    // The time notification follows the point's begin; a skipped line raises none.
    EXPECT_EQ(rc.events[1], c.event != nullptr ? c.event : "dist 0");
  }
}

TEST_F(ReaderTest, UnusableTimeLinesAreSkipped) {
  const char* lines[] = {
      "<time>2016-05-01T16:40:00</time>",  // no Z
      "<time>2016-05-01 16:40:00Z</time>", // no T
      "<time>2016/05/01T16:40:00Z</time>", // no dashes
      "<time>2016-05-01T16.40.00Z</time>", // no colons
      "<time>2016-13-01T16:40:00Z</time>", // month 13
      "<time>2016-00-01T16:40:00Z</time>", // month 0
      "<time>2016-257-01T16:40:00Z</time>", // month 257 would wrap to 1 in a byte
      "<time>2000-01-00T00:00:00Z</time>", // before the first count
      "<time>",
  };
  for (const char* line : lines) {
    SCOPED_TRACE(line);
    RecordingConsumer rc;
    Block first;
    Block second;
    second.time = line;
    ReadGpxTrack(folder.Write("log.gpx", File({first, second})), rc);
    ASSERT_EQ(rc.points.size(), 2u);
    EXPECT_EQ(rc.points[1].time, static_cast<uint32_t>(515435400));
    EXPECT_EQ(std::count_if(rc.events.begin(), rc.events.end(),
                            [](const std::string& e) { return e.rfind("time ", 0) == 0; }),
              1);
  }
}

TEST_F(ReaderTest, OnlyPathsEndingInLowerCaseGpxAreRead) {
  const std::string bytes = File({Block{}});
  for (const char* name : {"log.GPX", "log.gpx.bak", "log.Gpx", "log.nmea", "gpx"}) {
    RecordingConsumer rc;
    ReadGpxTrack(folder.Write(name, bytes), rc);
    EXPECT_TRUE(rc.events.empty()) << name;
  }
  Read(bytes, "log.gpx");
  EXPECT_EQ(consumer.points.size(), 1u);
}

TEST_F(ReaderTest, MissingFileYieldsNoNotification) {
  ReadGpxTrack(folder.File("absent.gpx"), consumer);
  EXPECT_TRUE(consumer.events.empty());
  EXPECT_TRUE(ReadGpxPoints(folder.File("absent.gpx")).empty());
}

TEST_F(ReaderTest, FileWithoutPositionsEndsWithoutOne) {
  Read("<gpx>\r\n<trk>\r\n</trk>\r\n</gpx>");
  EXPECT_EQ(consumer.events, Events{"eof 0.000000 0.000000 0"});
}

TEST_F(ReaderTest, BytesAfterTheLastLineEndAreNotRead) {
  Read(Lines(Block{}) + "<trkpt lat=\"1\" lon=\"2\">\r\n</trkpt>");
  EXPECT_EQ(consumer.points.size(), 1u);
  EXPECT_EQ(consumer.events.back(), "eof 1.000000 2.000000 1");
}

TEST_F(ReaderTest, OverlongLinesAreCutAndTheirTailIsDropped) {
  const std::string padding(1100, ' ');
  std::string text = Lines(Block{});
  text += "<dist>5</dist>" + padding + "\r\n";           // the start is read
  text += padding + "<speed>7</speed>\r\n";             // the tag lies beyond the cut: not a speed line
  text += std::string(1023, 'x') + "<calorie>9</calorie>\r\n";  // cut right before the tag
  text += "</trkpt>\r\n";
  Read(text);
  ASSERT_EQ(consumer.points.size(), 2u);
  EXPECT_EQ(consumer.points[1].distance, 5u);
  EXPECT_EQ(consumer.points[1].speed, 100u);
  EXPECT_EQ(consumer.points[1].calories, 10u);
  EXPECT_EQ(std::count(consumer.events.begin(), consumer.events.end(), "speed 7"), 0);
}

TEST_F(ReaderTest, OverlongCoordinateTextsAreCutTo31Characters) {
  Block b;
  // 31 characters keep "35.1234567890123456789012345678", the rest is dropped.
  b.trkpt = "<trkpt lat=\"35.123456789012345678901234567899999e5\" lon=\"" + std::string(40, ' ') + "139.5\">";
  Read(File({b}));
  ASSERT_EQ(consumer.points.size(), 1u);
  EXPECT_DOUBLE_EQ(consumer.points[0].latitude, 35.1234567890123456789012345678);
  EXPECT_EQ(consumer.points[0].longitude, 0.0);  // only blanks within the first 31 characters
}

TEST_F(ReaderTest, UnsignedValuesWrittenAsNegativeNumbersReadBack) {
  Block b;
  b.dist = "<dist>-1294967296</dist>";
  b.calorie = "<calorie>-2147483647</calorie>";
  b.ele = "<ele>99999.5</ele>";
  Read(File({b}));
  ASSERT_EQ(consumer.points.size(), 1u);
  EXPECT_EQ(consumer.points[0].distance, 3000000000u);
  EXPECT_EQ(consumer.points[0].calories, 0x80000001u);
  EXPECT_EQ(consumer.points[0].elevation, 32767);  // kept within the 16-bit field
}

}  // namespace
}  // namespace kemlog::track
