#include "sim/simulated_watch.h"

#include <gtest/gtest.h>

#include <random>

#include "watch_client.h"

namespace kemlog::sim {
namespace {

using testing::Announcement;
using testing::ReceiveOptions;
using testing::ReceivePayload;
using testing::Received;
using testing::Split;
using testing::WatchClient;

struct Watch {
  explicit Watch(std::vector<WatchLog> logs) : watch(std::move(logs)) {}
  Watch() : Watch(GenerateWatchLogs(7, 3, 120)) {}
  SimulatedWatch watch;
  WatchClient c{watch};
};

// The announcements cover [0, total) once each, in order, in blocks of at most size bytes.
void ExpectBlocksCover(const std::vector<Announcement>& blocks, uint32_t total, uint32_t size) {
  uint32_t next = 0;
  for (const Announcement& a : blocks) {
    EXPECT_EQ(a.offset, next);
    EXPECT_GT(a.length, 0u);
    EXPECT_LE(a.length, size);
    next = a.offset + a.length;
  }
  EXPECT_EQ(next, total);
}

TEST(SimulatedWatch, AnswersVersionAndCount) {
  Watch w;
  w.watch.firmwareVersion = 20517;
  w.watch.gpsDataDate = 170405;
  w.c.Send("PKRV829");
  EXPECT_EQ(w.c.Sentence(), "PKRV861,20517,170405");
  w.c.Send("PKRV711");
  const std::vector<std::string> count = Split(w.c.Sentence());
  ASSERT_GE(count.size(), 2u);
  EXPECT_EQ(count[0], "PKRV611");
  EXPECT_EQ(count[1], "3");
  EXPECT_EQ(w.c.Pending(), 0u);

  Watch none(std::vector<WatchLog>{});
  none.c.Send("PKRV711");
  EXPECT_EQ(Split(none.c.Sentence()).at(1), "0");
  EXPECT_EQ(none.watch.Stats().sentencesReceived, 1);
}

TEST(SimulatedWatch, SendsTheSummariesInBlocksOfAnySize) {
  for (uint32_t size : {1u, 64u, 100u, 192u, 5000u}) {
    SCOPED_TRACE("block size " + std::to_string(size));
    Watch w;
    w.watch.blockSize = size;
    w.c.Send("PKRV712,0,3");
    EXPECT_EQ(w.c.Sentence(), "PKRV900,712,3");
    const Received r = ReceivePayload(w.c);
    const std::vector<uint8_t> expected = SummaryPayload(w.watch.Logs());
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.total, 192u);
    EXPECT_EQ(r.crc, device::Crc32(expected));
    EXPECT_EQ(r.payload, expected);
    ExpectBlocksCover(r.announcements, r.total, size);
    EXPECT_EQ(w.watch.Stats().blocksSent, static_cast<int>((192 + size - 1) / size));
    EXPECT_EQ(w.watch.Stats().payloadsCompleted, 1);
    EXPECT_EQ(w.c.Pending(), 0u) << w.c.PendingText();
  }
}

TEST(SimulatedWatch, SummaryRequestsOutsideTheStoredLogsAreRefused) {
  for (const char* body : {"PKRV712,0,4", "PKRV712,0", "PKRV712", "PKRV712,0,-1", "PKRV712,3,1", "PKRV712,0,x"}) {
    SCOPED_TRACE(body);
    Watch w;
    w.c.Send(body);
    EXPECT_EQ(w.c.Sentence(), "PKRV900,712,2");
    EXPECT_EQ(w.c.Pending(), 0u);
  }
  // A part of the list is fine: the two summaries from the second log on.
  Watch w;
  w.c.Send("PKRV712,1,2");
  EXPECT_EQ(w.c.Sentence(), "PKRV900,712,3");
  const Received r = ReceivePayload(w.c);
  EXPECT_EQ(r.payload, SummaryPayload({w.watch.Logs()[1], w.watch.Logs()[2]}));
}

TEST(SimulatedWatch, SendsThePointsOfEachLog) {
  Watch w;
  w.watch.blockSize = 1000;
  for (const WatchLog& log : w.watch.Logs()) {
    SCOPED_TRACE("log at " + std::to_string(log.pointStart));
    w.c.Send("PKRV713," + std::to_string(log.pointStart) + "," + std::to_string(log.points.size()));
    EXPECT_EQ(w.c.Sentence(), "PKRV900,713,3");
    const Received r = ReceivePayload(w.c);
    const std::vector<uint8_t> expected = PointPayload(log);
    ASSERT_TRUE(r.complete);
    EXPECT_EQ(r.total, log.points.size() * 32);
    EXPECT_EQ(r.crc, device::Crc32(expected));
    EXPECT_EQ(r.payload, expected);
    ExpectBlocksCover(r.announcements, r.total, 1000);
  }
  EXPECT_EQ(w.watch.Stats().pointRequests, 3);
  EXPECT_EQ(w.watch.Stats().payloadsCompleted, 3);
}

// The bytes that arrive are the records' fields at their offsets, not merely what PointPayload says.
TEST(SimulatedWatch, PointBytesOfAKnownLog) {
  WatchLog log;
  log.startTime = 515403000;
  log.pointStart = 40;
  log.points = {{515403000, 21401232, 83859672, 12, 100, 120, 3, 40, 0, 0},
                {515404800, 21402000, 83860000, 15, 110, 150, 5, 60, 5000, 3456}};
  Watch w({log});
  w.c.Send("PKRV713,40,2");
  ASSERT_EQ(w.c.Sentence(), "PKRV900,713,3");
  const Received r = ReceivePayload(w.c);
  ASSERT_EQ(r.payload.size(), 64u);
  auto le32 = [&](size_t at) {
    return uint32_t{r.payload[at]} | uint32_t{r.payload[at + 1]} << 8 | uint32_t{r.payload[at + 2]} << 16 |
           uint32_t{r.payload[at + 3]} << 24;
  };
  EXPECT_EQ(le32(32), 515404800u);
  EXPECT_EQ(le32(36), 21402000u);
  EXPECT_EQ(le32(40), 83860000u);
  EXPECT_EQ(r.payload[44], 15);
  EXPECT_EQ(r.payload[46], 110);
  EXPECT_EQ(r.payload[49], 150);
  EXPECT_EQ(r.payload[50], 5);
  EXPECT_EQ(r.payload[51], 60);
  EXPECT_EQ(le32(52), 5000u);
  EXPECT_EQ(le32(56), 3456u);
}

TEST(SimulatedWatch, PointRequestsThatMatchNoLogAreRefused) {
  Watch w;
  const WatchLog& second = w.watch.Logs()[1];
  const std::string start = std::to_string(second.pointStart);
  for (const std::string& body : std::vector<std::string>{"PKRV713," + start + ",119", "PKRV713," + start + ",121", "PKRV713,1,120",
                                  "PKRV713,-120,120", "PKRV713," + start, "PKRV713", "PKRV713,,120"}) {
    SCOPED_TRACE(body);
    w.c.Send(body);
    EXPECT_EQ(w.c.Sentence(), "PKRV900,713,2");
    EXPECT_EQ(w.c.Pending(), 0u);
  }
}

TEST(SimulatedWatch, EmptyPayloadIsAnnouncedWithoutBlocks) {
  WatchLog empty;
  empty.pointStart = 5;
  Watch w({empty});
  w.c.Send("PKRV713,5,0");
  EXPECT_EQ(w.c.Sentence(), "PKRV900,713,3");
  EXPECT_EQ(w.c.Sentence(), "PKRV901,0,FFFFFFFF");
  w.c.Send("PKRV900,901,3");
  w.c.Wait(10000);
  EXPECT_EQ(w.c.Pending(), 0u) << w.c.PendingText();
  EXPECT_EQ(w.watch.Stats().payloadsCompleted, 1);
  EXPECT_EQ(w.watch.Stats().blocksSent, 0);
}

TEST(SimulatedWatch, AnnouncesTheSameBlockAgainAfterStatusTwo) {
  struct Case {
    const char* name;
    ReceiveOptions options;
    size_t repeatsOfFirst;
  };
  for (const Case& c : {Case{"block rejected after its bytes", {0, 1}, 2},
                        Case{"announcement refused twice", {2, 0}, 3},
                        Case{"both", {1, 2}, 4}}) {
    SCOPED_TRACE(c.name);
    Watch w;
    w.watch.blockSize = 100;
    w.c.Send("PKRV712,0,3");
    ASSERT_EQ(w.c.Sentence(), "PKRV900,712,3");
    const Received r = ReceivePayload(w.c, c.options);
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.payload, SummaryPayload(w.watch.Logs()));
    ASSERT_EQ(r.announcements.size(), c.repeatsOfFirst + 1);
    for (size_t i = 0; i < c.repeatsOfFirst; ++i) EXPECT_EQ(r.announcements[i], (Announcement{0, 100, r.announcements[0].crc}));
    EXPECT_EQ(r.announcements.back().offset, 100u);
    EXPECT_EQ(w.watch.Stats().blocksRejected, c.options.refuseAnnouncements + c.options.rejectGoodBlocks);
  }
}

// Lines that are not sentences of the watch: none is answered, each is counted, and the watch still
// answers the next good sentence.
TEST(SimulatedWatch, IgnoresBadLines) {
  std::string lowerHex = device::FormatSentence("PKRV900,902,3");  // checksum 2E
  lowerHex.replace(lowerHex.find("2E"), 2, "2e");
  std::string wrongSum = device::FormatSentence("PKRV711");
  wrongSum[wrongSum.find('*') + 1] ^= 1;
  const std::string cases[] = {
      lowerHex,
      wrongSum,
      "$PKRV711*28\n",  // no CR
      "$PKRV711\r\n",
      device::FormatSentence("PKRV123"),
      device::FormatSentence("PKRV71"),
      device::FormatSentence("GPRMC,1,2,3"),
      device::FormatSentence("PKRV71a"),
      "$PKRV" + std::string(300, '7') + "*00\r\n",
      "$PKRV$PKRV711*28\r\n",  // a second '$' starts afresh: this one is answered
  };
  for (const std::string& line : cases) {
    SCOPED_TRACE(line);
    Watch w;
    w.c.Write(line);
    if (&line == &cases[std::size(cases) - 1]) {
      EXPECT_EQ(Split(w.c.Sentence()).at(0), "PKRV611");
    } else {
      EXPECT_EQ(w.c.Pending(), 0u);
    }
    EXPECT_EQ(w.watch.Stats().badSentences, 1);
    w.c.Send("PKRV829");
    EXPECT_EQ(Split(w.c.Sentence()).at(0), "PKRV861");
  }
}

// Random bytes, with plenty of the characters sentences are made of and now and then a real
// request or answer: the watch stays bounded and still answers afterwards.
TEST(SimulatedWatch, StaysBoundedUnderRandomInput) {
  Watch w;
  w.watch.blockSize = 512;
  std::mt19937 engine(20240611);
  auto rng = [&] { return static_cast<uint32_t>(engine()); };
  const std::string alphabet = "$PKRV0123456789,*ABCDEF\r\n";
  const char* sentences[] = {"PKRV711",       "PKRV829",       "PKRV712,0,3",   "PKRV713,0,120",
                             "PKRV900,901,3", "PKRV900,902,3", "PKRV900,902,2", "PKRV900,901,2",
                             "PKRV704,300",   "PKRV708,1024",  "PKRV901,300,00000000", "PKRV902,0,20,00000000",
                             "PKRV902,290,20,00000000"};
  size_t largest = 0;
  uint32_t now = 0;
  for (int step = 0; step < 20000; ++step) {
    std::string chunk;
    const uint32_t kind = rng() % 10;
    if (kind < 3) {
      chunk = device::FormatSentence(sentences[rng() % std::size(sentences)]);
    } else {
      for (uint32_t i = rng() % 40; i > 0; --i) {
        chunk.push_back(rng() % 2 ? alphabet[rng() % alphabet.size()] : static_cast<char>(rng() % 256));
      }
    }
    w.watch.Receive(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size(), now);
    largest = std::max(largest, w.watch.TakeOutput().size());
    if (rng() % 8 == 0) {
      now += rng() % 3000;
      w.watch.Advance(now);
      largest = std::max(largest, w.watch.TakeOutput().size());
    }
  }
  w.c.now = now;
  // At most a block and a few sentences come out for one chunk or one tick.
  EXPECT_LE(largest, 512u + 256u);
  EXPECT_GT(w.watch.Stats().badSentences, 0);
  EXPECT_GT(w.watch.Stats().chunksReceived, 0);
  // Whatever chunk may still be waiting for its bytes is dropped after its pause.
  w.c.Wait(w.watch.rawPauseMs);
  w.c.Write("\r\n");
  w.c.Send("PKRV829");
  bool answered = false;
  while (const auto line = w.c.Line()) answered = answered || testing::BodyOf(*line) == "PKRV861,10203,161231";
  EXPECT_TRUE(answered);
}

TEST(SimulatedWatch, RepeatsAnAnnouncementThatGetsNoAnswer) {
  Watch w;
  w.watch.blockSize = 100;
  w.c.Send("PKRV712,0,3");
  ASSERT_EQ(w.c.Sentence(), "PKRV900,712,3");
  const std::string head = w.c.Sentence();
  w.c.Wait(1999);
  EXPECT_EQ(w.c.Pending(), 0u);
  w.c.Wait(1);
  EXPECT_EQ(w.c.Sentence(), head);

  // The block's bytes got lost: after the wait the block is announced again.
  w.c.Send("PKRV900,901,3");
  const std::string block = w.c.Sentence();
  w.c.Send("PKRV900,902,3");
  EXPECT_EQ(w.c.Raw(100).size(), 100u);
  w.c.Wait(2000);
  EXPECT_EQ(w.c.Sentence(), block);

  // Unanswered five more times, the transfer is dropped and the watch falls quiet.
  for (int i = 0; i < SimulatedWatch::kMaxRepeats - 1; ++i) {
    w.c.Wait(2000);
    EXPECT_EQ(w.c.Sentence(), block);
  }
  w.c.Wait(2000);
  w.c.Wait(20000);
  EXPECT_EQ(w.c.Pending(), 0u);
  EXPECT_EQ(w.watch.Stats().transfersDropped, 1);
  w.c.Send("PKRV711");
  EXPECT_EQ(Split(w.c.Sentence()).at(0), "PKRV611");
}

TEST(SimulatedWatch, WaitsForEverWhenRepeatsAreOff) {
  Watch w;
  w.watch.repeatAfterMs = 0;
  w.c.Send("PKRV712,0,3");
  w.c.Sentence();
  w.c.Sentence();
  for (int i = 0; i < 10; ++i) w.c.Wait(100000);
  EXPECT_EQ(w.c.Pending(), 0u);
  w.c.Send("PKRV900,901,3");
  EXPECT_EQ(Split(w.c.Sentence()).at(0), "PKRV902");
}

// A transfer ends early when the program sends a new request, or refuses the payload as a whole;
// answers that come after it are ignored.
TEST(SimulatedWatch, TransferEndsOnANewRequestOrARefusedPayload) {
  struct Case {
    const char* interruption;
    const char* reply;  // what the watch answers to it, "" for nothing
  };
  for (const Case& c : {Case{"PKRV711", "PKRV611"}, Case{"PKRV900,901,2", ""}}) {
    SCOPED_TRACE(c.interruption);
    Watch w;
    w.c.Send("PKRV712,0,3");
    w.c.Sentence();
    w.c.Sentence();
    w.c.Send(c.interruption);
    if (*c.reply) {
      EXPECT_EQ(Split(w.c.Sentence()).at(0), c.reply);
    }
    w.c.Send("PKRV900,901,3");  // too late: nothing waits for it
    w.c.Wait(30000);
    EXPECT_EQ(w.c.Pending(), 0u) << w.c.PendingText();
    EXPECT_EQ(w.watch.Stats().transfersDropped, 1);
    EXPECT_EQ(w.watch.Stats().unexpectedAnswers, 1);
  }
}

}  // namespace
}  // namespace kemlog::sim
