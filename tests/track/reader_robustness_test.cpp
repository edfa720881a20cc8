// Both readers fed with random and hostile bytes: they must neither crash nor read out of bounds.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "temp_folder.h"
#include "track/gpx_file.h"
#include "track/nmea_file.h"

namespace kemlog::track {
namespace {

using testing::TempFolder;

// Pieces that reach every branch of the readers, glued together with random bytes.
const char* const kPieces[] = {
    "<trkpt",  "</trkpt>", "<ele>",    "<dist>",  "<speed>", "<calorie>", "<desc>hr=", "<time>", "\"",
    "-",       "T",        ":",        "Z",       "$GPRMC",  "$GPGGA",    "$GPWQD",    "$GPZDA", ",",
    "\r\n",    "\n",       "99999999999999999999999", "-2147483649", "1e400", "nan", "inf", "0x1p3",
    "2016-05-01T16:30:00Z", "1999-", "2068-01-19T03:14:08Z", "\"35.5\" \"139.5\"",
};

std::string RandomText(std::mt19937& random, size_t pieces) {
  std::uniform_int_distribution<size_t> pick(0, std::size(kPieces) - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> kind(0, 9);
  std::string text;
  for (size_t i = 0; i < pieces; ++i) {
    const int k = kind(random);
    if (k < 5) {
      text += kPieces[pick(random)];
    } else if (k < 9) {
      text += static_cast<char>(byte(random));
    } else {
      text += std::string(static_cast<size_t>(byte(random)) * 8, static_cast<char>(byte(random)));
    }
  }
  return text;
}

TEST(ReaderRobustness, RandomBytesAreReadWithoutHarm) {
  TempFolder folder;
  std::mt19937 random(1171);
  size_t gpxPoints = 0;
  size_t nmeaPoints = 0;
  for (int round = 0; round < 300; ++round) {
    const std::string text = RandomText(random, 400);
    const std::vector<tagTrackLog> gpx = ReadGpxPoints(folder.Write("fuzz.gpx", text));
    const NmeaReadResult nmea = ReadNmeaFile(folder.Write("fuzz.nmea", text));
    ASSERT_TRUE(nmea.opened);
    gpxPoints += gpx.size();
    nmeaPoints += nmea.points.size();
    // Whatever was read can be exported and built into a log again.
    for (const tagTrackLog& p : gpx) EXPECT_FALSE(FormatNmeaPoint(p).empty());
    if (const std::optional<ImportedLog> log = BuildImportedLog(nmea)) {
      EXPECT_EQ(log->points.size(), nmea.points.size());
      EXPECT_FALSE(log->row[0].empty());
    }
  }
  // The glued pieces do reach the parsers.
  EXPECT_GT(gpxPoints, 0u);
  EXPECT_GT(nmeaPoints, 0u);
}

TEST(ReaderRobustness, OneHugeLineIsCutNotOverflowed) {
  TempFolder folder;
  const std::string huge = "<dist>42</dist>" + std::string(1 << 20, '"') + "\r\n</trkpt>\r\n";
  const std::vector<tagTrackLog> points = ReadGpxPoints(folder.Write("huge.gpx", huge));
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].distance, 42u);
  const NmeaReadResult nmea =
      ReadNmeaFile(folder.Write("huge.nmea", "$GPWQD,KemWatch,42," + std::string(1 << 20, ',') + "\r\n"));
  ASSERT_EQ(nmea.points.size(), 1u);
  EXPECT_EQ(nmea.points[0].distance, 42u);
}

}  // namespace
}  // namespace kemlog::track
