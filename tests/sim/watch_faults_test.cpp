// What each injected fault makes the watch do, seen from the line.

#include <gtest/gtest.h>

#include <algorithm>

#include "sim/simulated_watch.h"
#include "watch_client.h"

namespace kemlog::sim {
namespace {

using testing::Announcement;
using testing::ReceivePayload;
using testing::Received;
using testing::Split;
using testing::WatchClient;

// Three logs of 120 points; blocks of 100 bytes, so the summaries take 2 blocks and each log 39.
struct Watch {
  Watch() : watch(GenerateWatchLogs(7, 3, 120)) { watch.blockSize = 100; }
  SimulatedWatch watch;
  WatchClient c{watch};

  Received Summaries() {
    c.Send("PKRV712,0,3");
    EXPECT_EQ(c.Sentence(), "PKRV900,712,3");
    return ReceivePayload(c);
  }
  std::string RequestPoints(size_t log) {
    const WatchLog& l = watch.Logs()[log];
    c.Send("PKRV713," + std::to_string(l.pointStart) + "," + std::to_string(l.points.size()));
    return c.Pending() == 0 ? std::string() : c.Sentence();
  }
  Received Points(size_t log) {
    EXPECT_EQ(RequestPoints(log), "PKRV900,713,3");
    return ReceivePayload(c);
  }
};

TEST(WatchFaults, CorruptedBlockGoesOutOnceWithTheRightChecksum) {
  for (int n : {0, 1, 2, 40}) {
    SCOPED_TRACE("block " + std::to_string(n));
    Watch w;
    w.watch.Faults().corruptBlock = n;
    const Received s = w.Summaries();
    const Received p = w.Points(0);
    std::vector<bool> good = s.blockGood;
    good.insert(good.end(), p.blockGood.begin(), p.blockGood.end());
    ASSERT_GT(good.size(), static_cast<size_t>(n) + 1);
    for (size_t i = 0; i < good.size(); ++i) EXPECT_EQ(good[i], i != static_cast<size_t>(n)) << "block " << i;
    // The bad block is announced again, unchanged, and arrives right; nothing else is repeated.
    std::vector<Announcement> all = s.announcements;
    all.insert(all.end(), p.announcements.begin(), p.announcements.end());
    EXPECT_EQ(all[static_cast<size_t>(n)], all[static_cast<size_t>(n) + 1]);
    EXPECT_EQ(all.size(), 2u + 39u + 1u);
    EXPECT_EQ(s.payload, SummaryPayload(w.watch.Logs()));
    EXPECT_EQ(p.payload, PointPayload(w.watch.Logs()[0]));
    EXPECT_EQ(w.watch.Stats().blocksRejected, 1);
    EXPECT_EQ(w.watch.Stats().blocksSent, 42);
  }
}

TEST(WatchFaults, BlocksOutOfOrderGoLastToFirst) {
  Watch w;
  w.watch.Faults().blocksOutOfOrder = true;
  const Received p = w.Points(1);
  ASSERT_TRUE(p.complete);
  EXPECT_EQ(p.payload, PointPayload(w.watch.Logs()[1]));
  ASSERT_EQ(p.announcements.size(), 39u);
  EXPECT_EQ(p.announcements.front(), (Announcement{3800, 40, p.announcements.front().crc}));
  EXPECT_EQ(p.announcements.back().offset, 0u);
  for (size_t i = 1; i < p.announcements.size(); ++i) {
    EXPECT_EQ(p.announcements[i].offset + p.announcements[i].length, p.announcements[i - 1].offset);
  }
}

// Noise comes before every sentence and never inside a block's bytes: the payloads still arrive
// exactly, and each sentence was preceded by one garbage line and one unrelated sentence.
TEST(WatchFaults, NoiseBeforeEverySentenceNotInsideBlocks) {
  Watch w;
  w.watch.Faults().noise = true;
  w.c.expectNoise = true;
  w.c.Send("PKRV829");
  EXPECT_EQ(w.c.Sentence(), "PKRV861,10203,161231");
  w.c.Send("PKRV711");
  EXPECT_EQ(Split(w.c.Sentence()).at(1), "3");
  const Received s = w.Summaries();
  const Received p = w.Points(2);
  EXPECT_EQ(s.payload, SummaryPayload(w.watch.Logs()));
  EXPECT_EQ(p.payload, PointPayload(w.watch.Logs()[2]));
  EXPECT_EQ(std::count(p.blockGood.begin(), p.blockGood.end(), false), 0);
  // 861, 611, 900, 901 and 2 blocks, 900, 901 and 39 blocks.
  EXPECT_EQ(w.c.noiseSeen, 2 + 2 + 2 + 2 + 39);
  EXPECT_EQ(w.c.Pending(), 0u);
}

TEST(WatchFaults, NthPointRequestIsRefused) {
  Watch w;
  w.watch.Faults().rejectPointRequest = 1;
  EXPECT_EQ(w.Points(0).payload, PointPayload(w.watch.Logs()[0]));
  EXPECT_EQ(w.RequestPoints(1), "PKRV900,713,2");
  EXPECT_EQ(w.c.Pending(), 0u);
  EXPECT_EQ(w.Points(2).payload, PointPayload(w.watch.Logs()[2]));
  // Only the n-th: asked again, the same log comes.
  EXPECT_EQ(w.Points(1).payload, PointPayload(w.watch.Logs()[1]));
  EXPECT_EQ(w.watch.Stats().pointRequests, 4);
}

TEST(WatchFaults, SilentFromTheNthPointRequestOn) {
  Watch w;
  w.watch.Faults().silentAtPointRequest = 1;
  EXPECT_TRUE(w.Points(0).complete);
  EXPECT_EQ(w.RequestPoints(1), "");
  for (const char* body : {"PKRV829", "PKRV711", "PKRV712,0,3"}) w.c.Send(body);
  for (int i = 0; i < 10; ++i) w.c.Wait(3000);
  EXPECT_EQ(w.c.Pending(), 0u);
  EXPECT_EQ(w.watch.Stats().pointRequests, 2);
}

// Silence after N bytes: the line carries exactly the first N bytes of the faultless session.
TEST(WatchFaults, SilentAfterSomeBytes) {
  Watch reference;
  reference.c.Send("PKRV829");
  reference.c.Sentence();
  reference.Summaries();
  reference.Points(0);
  std::string whole;
  {
    // The same session again, collecting every byte.
    SimulatedWatch again(reference.watch.Logs());
    again.blockSize = 100;
    for (const std::string& body : reference.c.sent) {
      const std::string line = device::FormatSentence(body);
      again.Receive(reinterpret_cast<const uint8_t*>(line.data()), line.size(), 0);
      const std::vector<uint8_t> out = again.TakeOutput();
      whole.append(out.begin(), out.end());
    }
    ASSERT_GT(whole.size(), 4000u);
  }
  for (long n : {0L, 1L, 25L, 700L, static_cast<long>(whole.size()) - 1}) {
    SCOPED_TRACE("after " + std::to_string(n) + " bytes");
    SimulatedWatch w(reference.watch.Logs());
    w.blockSize = 100;
    w.Faults().silentAfterBytes = n;
    std::string got;
    for (const std::string& body : reference.c.sent) {
      const std::string line = device::FormatSentence(body);
      w.Receive(reinterpret_cast<const uint8_t*>(line.data()), line.size(), 0);
      const std::vector<uint8_t> out = w.TakeOutput();
      got.append(out.begin(), out.end());
    }
    w.Advance(60000);
    EXPECT_TRUE(w.TakeOutput().empty());
    EXPECT_EQ(got, whole.substr(0, static_cast<size_t>(n)));
    EXPECT_EQ(w.Stats().bytesSent, n);
  }
}

TEST(WatchFaults, FirstAnnouncementOfEachPayloadLiesBeyondItsEnd) {
  Watch w;
  w.watch.Faults().announceBeyondEnd = true;
  const Received s = w.Summaries();
  const Received p = w.Points(0);
  for (const Received* r : {&s, &p}) {
    ASSERT_TRUE(r->complete);
    ASSERT_GE(r->announcements.size(), 2u);
    const Announcement& beyond = r->announcements[0];
    EXPECT_EQ(beyond.offset, r->total);
    EXPECT_EQ(beyond.length, 100u);
    EXPECT_EQ(r->announcements[1], (Announcement{0, 100, beyond.crc}));
    for (size_t i = 2; i < r->announcements.size(); ++i) EXPECT_LT(r->announcements[i].offset, r->total);
  }
  EXPECT_EQ(s.payload, SummaryPayload(w.watch.Logs()));
  EXPECT_EQ(p.payload, PointPayload(w.watch.Logs()[0]));
  EXPECT_EQ(w.watch.Stats().blocksRejected, 2);
}

// A receiver that takes the announcement beyond the end gets that block's bytes, and then the block
// again at its right place: the watch never skips a block.
TEST(WatchFaults, BlockAcceptedBeyondTheEndIsSentAgainInPlace) {
  Watch w;
  w.watch.Faults().announceBeyondEnd = true;
  w.c.Send("PKRV712,0,3");
  w.c.Sentence();
  EXPECT_EQ(Split(w.c.Sentence()).at(1), "192");
  w.c.Send("PKRV900,901,3");
  const std::vector<std::string> beyond = Split(w.c.Sentence());
  EXPECT_EQ(beyond.at(1), "192");
  w.c.Send("PKRV900,902,3");
  const std::vector<uint8_t> bytes = w.c.Raw(100);
  const std::vector<uint8_t> payload = SummaryPayload(w.watch.Logs());
  EXPECT_EQ(bytes, std::vector<uint8_t>(payload.begin(), payload.begin() + 100));
  w.c.Send("PKRV900,902,3");
  const std::vector<std::string> again = Split(w.c.Sentence());
  EXPECT_EQ(again.at(1), "0");
  EXPECT_EQ(again.at(3), beyond.at(3));
}

}  // namespace
}  // namespace kemlog::sim
