// The watch as the receiving side of the GPS data update: PKRV704 and PKRV708, then one block
// transfer each, driven from raw bytes by the test client's own sender.

#include <gtest/gtest.h>

#include <random>

#include "sim/simulated_watch.h"
#include "watch_client.h"

namespace kemlog::sim {
namespace {

using testing::Announcement;
using testing::Hex8;
using testing::SendOptions;
using testing::SendPayload;
using testing::Sent;
using testing::Split;
using testing::WatchClient;

std::vector<uint8_t> Bytes(size_t n, uint32_t seed) {
  std::mt19937 engine(seed);
  std::vector<uint8_t> out(n);
  for (uint8_t& b : out) b = static_cast<uint8_t>(engine());
  return out;
}

void PutLe32(std::vector<uint8_t>& b, size_t word, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) b[4 * word + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The information block for data, built here from its description.
std::vector<uint8_t> InfoBlock(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> b(1024, 0);
  const uint32_t length = static_cast<uint32_t>(data.size());
  PutLe32(b, 0, 0x5AAA55A5);
  PutLe32(b, 1, 1);
  PutLe32(b, 2, length);
  PutLe32(b, 3, device::Crc32(data));
  PutLe32(b, 4, 0x037A4000);
  PutLe32(b, 5, 0x037A4000 + length);
  return b;
}

struct Watch {
  Watch() : watch(GenerateWatchLogs(7, 2, 20)) {}
  SimulatedWatch watch;
  WatchClient c{watch};

  // 704 and its answer, then the whole data.
  Sent UploadData(const std::vector<uint8_t>& data, SendOptions options = {}) {
    c.Send("PKRV704," + std::to_string(data.size()));
    EXPECT_EQ(c.Sentence(), "PKRV604,1");
    return SendPayload(c, data, options);
  }
  Sent UploadInfo(const std::vector<uint8_t>& block) {
    c.Send("PKRV708,1024");
    EXPECT_EQ(c.Sentence(), "PKRV608,1");
    return SendPayload(c, block);
  }
  // Announces 704 and 901 for data by hand, up to the first chunk.
  void Begin(const std::vector<uint8_t>& data) {
    c.Send("PKRV704," + std::to_string(data.size()));
    ASSERT_EQ(c.Sentence(), "PKRV604,1");
    c.Send("PKRV901," + std::to_string(data.size()) + "," + Hex8(device::Crc32(data)));
    ASSERT_EQ(c.Sentence(), "PKRV900,901,3");
  }
  std::string Chunk(uint32_t offset, uint32_t length, uint32_t crc) {
    c.Send("PKRV902," + std::to_string(offset) + "," + std::to_string(length) + "," + Hex8(crc));
    return c.Pending() == 0 ? std::string() : c.Sentence();
  }
};

// Every attempt was answered twice with status 3, and the chunks cover the data in order.
void ExpectCleanChunks(const Sent& s, const std::vector<Announcement>& expected) {
  EXPECT_TRUE(s.complete);
  EXPECT_EQ(s.payloadAnswer, "PKRV900,901,3");
  EXPECT_EQ(s.attempts.size(), expected.size());
  for (size_t i = 0; i < s.attempts.size() && i < expected.size(); ++i) {
    EXPECT_EQ(s.attempts[i].offset, expected[i].offset) << "chunk " << i;
    EXPECT_EQ(s.attempts[i].length, expected[i].length) << "chunk " << i;
    EXPECT_EQ(s.readyAnswers[i], "PKRV900,902,3") << "chunk " << i;
    EXPECT_EQ(s.verdicts[i], "PKRV900,902,3") << "chunk " << i;
  }
}

TEST(GpsUpload, DataAndInfoBlockAreStoredExactly) {
  struct Case {
    size_t size;
    std::vector<Announcement> chunks;  // offset and length; the checksum is not compared here
  };
  const Case cases[] = {
      {1, {{0, 1, 0}}},
      {4096, {{0, 4096, 0}}},
      {8193, {{0, 4096, 0}, {4096, 4096, 0}, {8192, 1, 0}}},
      {10000, {{0, 4096, 0}, {4096, 4096, 0}, {8192, 1808, 0}}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE("size " + std::to_string(k.size));
    Watch w;
    const std::vector<uint8_t> data = Bytes(k.size, static_cast<uint32_t>(k.size));
    ExpectCleanChunks(w.UploadData(data), k.chunks);
    EXPECT_EQ(w.watch.ReceivedGpsData(), data);
    EXPECT_FALSE(w.watch.InfoBlockMatchesGpsData());  // no block yet

    ExpectCleanChunks(w.UploadInfo(InfoBlock(data)), {{0, 1024, 0}});
    EXPECT_EQ(w.watch.ReceivedInfoBlock(), InfoBlock(data));
    EXPECT_TRUE(w.watch.InfoBlockMatchesGpsData());
    EXPECT_EQ(w.watch.Stats().chunksReceived, static_cast<int>(k.chunks.size()) + 1);
    EXPECT_EQ(w.watch.Stats().chunksRejected, 0);
    EXPECT_EQ(w.watch.Stats().uploadsCompleted, 2);
    EXPECT_EQ(w.c.Pending(), 0u) << w.c.PendingText();
  }
}

// Raw bytes are not sentences: a chunk full of valid requests is stored, and none is answered.
TEST(GpsUpload, ChunkBytesThatLookLikeSentencesAreOnlyData) {
  Watch w;
  std::string text;
  while (text.size() < 5000) text += device::FormatSentence("PKRV711") + device::FormatSentence("PKRV806");
  const std::vector<uint8_t> data(text.begin(), text.end());
  ExpectCleanChunks(w.UploadData(data), {{0, 4096, 0}, {4096, static_cast<uint32_t>(data.size()) - 4096, 0}});
  EXPECT_EQ(w.watch.ReceivedGpsData(), data);
  EXPECT_FALSE(w.watch.InBootLoader());
  // And right after the last chunk the line carries sentences again.
  w.c.Send("PKRV829");
  EXPECT_EQ(Split(w.c.Sentence()).at(0), "PKRV861");
}

// An information block that differs from the one the data needs is stored but does not match.
TEST(GpsUpload, InfoBlockCheckFindsEveryWrongWord) {
  const std::vector<uint8_t> data = Bytes(5000, 1);
  struct Case {
    const char* name;
    size_t word;
    uint32_t value;
  };
  const Case cases[] = {
      {"magic", 0, 0xA555AA5A},
      {"version", 1, 2},
      {"length", 2, 4999},
      {"checksum", 3, device::Crc32(data) ^ 1},
      {"base", 4, 0x037A4001},
      {"end", 5, 0x037A4000 + 4999},
      {"first reserved word", 6, 1},
      {"last reserved word", 255, 0x80000000},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Watch w;
    w.UploadData(data);
    std::vector<uint8_t> block = InfoBlock(data);
    PutLe32(block, k.word, k.value);
    EXPECT_TRUE(w.UploadInfo(block).complete);
    EXPECT_EQ(w.watch.ReceivedInfoBlock(), block);
    EXPECT_FALSE(w.watch.InfoBlockMatchesGpsData());
  }
}

// A chunk whose bytes are bad, or that the watch is told to reject, is answered with status 2 after
// its bytes; announced again, it is stored, and the data arrive exactly.
TEST(GpsUpload, RejectedChunkIsAcceptedWhenSentAgain) {
  struct Case {
    const char* name;
    int corruptChunk;  // by the sender
    int rejectChunk;   // by the watch's fault
  };
  for (const Case& k : {Case{"bytes corrupted on the way", 1, -1}, Case{"watch rejects a good chunk", -1, 1},
                        Case{"last chunk rejected", -1, 2}}) {
    SCOPED_TRACE(k.name);
    Watch w;
    w.watch.Faults().rejectChunk = k.rejectChunk;
    const std::vector<uint8_t> data = Bytes(9000, 3);
    SendOptions options;
    options.corruptChunk = k.corruptChunk;
    const Sent s = w.UploadData(data, options);
    const size_t bad = static_cast<size_t>(std::max(k.corruptChunk, k.rejectChunk));
    ASSERT_TRUE(s.complete);
    ASSERT_EQ(s.attempts.size(), 4u);
    EXPECT_EQ(s.attempts[bad], s.attempts[bad + 1]);
    for (size_t i = 0; i < s.verdicts.size(); ++i) {
      EXPECT_EQ(s.readyAnswers[i], "PKRV900,902,3");
      EXPECT_EQ(s.verdicts[i], i == bad ? "PKRV900,902,2" : "PKRV900,902,3") << "attempt " << i;
    }
    EXPECT_EQ(w.watch.ReceivedGpsData(), data);
    EXPECT_EQ(w.watch.Stats().chunksReceived, 4);
    EXPECT_EQ(w.watch.Stats().chunksRejected, 1);
  }
}

// The watch refuses a 704 it cannot take, and then expects no upload.
TEST(GpsUpload, AnnouncementsTheWatchRefuses) {
  struct Case {
    const char* body;
    const char* answer;
    bool refuseFault = false;
  };
  const std::string beyond = "PKRV704," + std::to_string(SimulatedWatch::kMaxGpsData + 1);
  const Case cases[] = {
      {"PKRV704,0", "PKRV604,0"},        {beyond.c_str(), "PKRV604,0"},  {"PKRV704", "PKRV604,0"},
      {"PKRV704,-5", "PKRV604,0"},       {"PKRV704,1,2", "PKRV604,0"},   {"PKRV704,12x", "PKRV604,0"},
      {"PKRV704,100", "PKRV604,0", true}, {"PKRV708,1023", "PKRV608,0"}, {"PKRV708,1025", "PKRV608,0"},
      {"PKRV708", "PKRV608,0"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.body);
    Watch w;
    w.watch.Faults().refuseGpsData = k.refuseFault;
    w.c.Send(k.body);
    EXPECT_EQ(w.c.Sentence(), k.answer);
    w.c.Send("PKRV901,100," + Hex8(0x12345678));
    EXPECT_EQ(w.c.Pending(), 0u) << w.c.PendingText();
    EXPECT_EQ(w.watch.Stats().unexpectedAnswers, 1);
  }
  // The largest upload is taken.
  Watch w;
  w.c.Send("PKRV704," + std::to_string(SimulatedWatch::kMaxGpsData));
  EXPECT_EQ(w.c.Sentence(), "PKRV604,1");
}

// A 901 that does not fit the 704 is refused, and the upload is over: later chunks go unanswered.
TEST(GpsUpload, PayloadAnnouncementThatDoesNotFitIsRefused) {
  const std::vector<uint8_t> data = Bytes(300, 9);
  const std::string crc = Hex8(device::Crc32(data));
  std::string lower = crc;
  for (char& ch : lower) ch = static_cast<char>(std::tolower(ch));
  ASSERT_NE(lower, crc);
  for (const std::string& body : {"PKRV901,299," + crc, "PKRV901,301," + crc, "PKRV901,300," + lower,
                                  "PKRV901,300," + crc.substr(1), std::string("PKRV901,300"), "PKRV901,300," + crc + ",1"}) {
    SCOPED_TRACE(body);
    Watch w;
    w.c.Send("PKRV704,300");
    ASSERT_EQ(w.c.Sentence(), "PKRV604,1");
    w.c.Send(body);
    EXPECT_EQ(w.c.Sentence(), "PKRV900,901,2");
    EXPECT_EQ(w.Chunk(0, 300, device::Crc32(data)), "");
    w.c.Write(data);
    EXPECT_EQ(w.c.Pending(), 0u);
    EXPECT_TRUE(w.watch.ReceivedGpsData().empty());
  }
}

// A chunk that does not fit the payload: the one that can be read is taken and rejected after its
// bytes, so the line stays in step; one that cannot be read or is longer than the payload is refused
// before any bytes, and what follows is read as sentences.
TEST(GpsUpload, ChunksOutsideThePayload) {
  const std::vector<uint8_t> data = Bytes(300, 4);
  {
    Watch w;
    w.Begin(data);
    const std::vector<uint8_t> tail(data.begin() + 200, data.end());
    EXPECT_EQ(w.Chunk(250, 100, device::Crc32(tail)), "PKRV900,902,3");
    w.c.Write(tail);
    EXPECT_EQ(w.c.Sentence(), "PKRV900,902,2");
    EXPECT_EQ(w.Chunk(0, 300, device::Crc32(data)), "PKRV900,902,3");
    w.c.Write(data);
    EXPECT_EQ(w.c.Sentence(), "PKRV900,902,3");
    EXPECT_EQ(w.watch.ReceivedGpsData(), data);
  }
  for (const char* body : {"PKRV902,0,301,00000000", "PKRV902,0,4294967295,00000000", "PKRV902,0,100",
                           "PKRV902,0,100,abcdef12", "PKRV902,x,100,00000000", "PKRV902,0,100,00000000,7"}) {
    SCOPED_TRACE(body);
    Watch w;
    w.Begin(data);
    w.c.Send(body);
    EXPECT_EQ(w.c.Sentence(), "PKRV900,902,2");
    w.c.Send("PKRV902,0,300," + Hex8(device::Crc32(data)));
    EXPECT_EQ(w.c.Sentence(), "PKRV900,902,3");
    w.c.Write(data);
    EXPECT_EQ(w.c.Sentence(), "PKRV900,902,3");
    EXPECT_EQ(w.watch.ReceivedGpsData(), data);
  }
}

// Chunks may come in any order and more than once; the payload is judged once every byte is in.
TEST(GpsUpload, ChunksInAnyOrderAndTheWholeChecksum) {
  const std::vector<uint8_t> data = Bytes(600, 5);
  auto part = [&](uint32_t from, uint32_t n) { return std::vector<uint8_t>(data.begin() + from, data.begin() + from + n); };
  auto send = [&](Watch& w, uint32_t from, uint32_t n) {
    EXPECT_EQ(w.Chunk(from, n, device::Crc32(part(from, n))), "PKRV900,902,3");
    w.c.Write(part(from, n));
    EXPECT_EQ(w.c.Sentence(), "PKRV900,902,3");
  };
  Watch w;
  w.Begin(data);
  send(w, 400, 200);
  send(w, 0, 300);
  send(w, 100, 300);  // overlaps both
  EXPECT_EQ(w.watch.ReceivedGpsData(), data);
  EXPECT_EQ(w.watch.Stats().uploadsCompleted, 1);

  // Right chunks under a wrong payload checksum: every chunk is stored, the upload is not.
  struct Case {
    uint32_t payloadCrc;
    bool kept;
  };
  for (const Case& k : {Case{device::Crc32(data) ^ 0x100, false}, Case{0xFFFFFFFF, true}}) {
    SCOPED_TRACE(Hex8(k.payloadCrc));
    Watch v;
    v.c.Send("PKRV704,600");
    ASSERT_EQ(v.c.Sentence(), "PKRV604,1");
    v.c.Send("PKRV901,600," + Hex8(k.payloadCrc));
    ASSERT_EQ(v.c.Sentence(), "PKRV900,901,3");
    send(v, 0, 600);
    EXPECT_EQ(v.watch.ReceivedGpsData().empty(), !k.kept);
    EXPECT_EQ(v.watch.Stats().uploadsCorrupt, k.kept ? 0 : 1);
  }
}

// Bytes that stop part-way: no verdict, and after the pause the watch reads sentences again.
TEST(GpsUpload, ChunkWhoseBytesStopIsDropped) {
  const std::vector<uint8_t> data = Bytes(500, 6);
  Watch w;
  w.Begin(data);
  ASSERT_EQ(w.Chunk(0, 500, device::Crc32(data)), "PKRV900,902,3");
  w.c.Write(std::vector<uint8_t>(data.begin(), data.begin() + 200));
  w.c.Wait(w.watch.rawPauseMs - 1);
  w.c.Write(std::vector<uint8_t>(data.begin() + 200, data.begin() + 300));  // still the same chunk
  w.c.Wait(w.watch.rawPauseMs);
  EXPECT_EQ(w.c.Pending(), 0u);
  EXPECT_EQ(w.watch.Stats().chunksAbandoned, 1);
  EXPECT_EQ(w.Chunk(0, 500, device::Crc32(data)), "PKRV900,902,3");
  w.c.Write(data);
  EXPECT_EQ(w.c.Sentence(), "PKRV900,902,3");
  EXPECT_EQ(w.watch.ReceivedGpsData(), data);
  EXPECT_EQ(w.watch.Stats().chunksReceived, 1);
}

// A new request ends the upload under way; a new 704 also clears what the last one stored.
TEST(GpsUpload, NewRequestEndsTheUpload) {
  const std::vector<uint8_t> data = Bytes(5000, 8);
  Watch w;
  w.Begin(data);
  const std::vector<uint8_t> first(data.begin(), data.begin() + 4096);
  ASSERT_EQ(w.Chunk(0, 4096, device::Crc32(first)), "PKRV900,902,3");
  w.c.Write(first);
  ASSERT_EQ(w.c.Sentence(), "PKRV900,902,3");
  w.c.Send("PKRV829");
  EXPECT_EQ(Split(w.c.Sentence()).at(0), "PKRV861");
  EXPECT_EQ(w.Chunk(4096, 904, 0), "");
  EXPECT_TRUE(w.watch.ReceivedGpsData().empty());
  EXPECT_EQ(w.watch.Stats().transfersDropped, 1);

  ASSERT_TRUE(w.UploadData(data).complete);
  ASSERT_TRUE(w.UploadInfo(InfoBlock(data)).complete);
  ASSERT_TRUE(w.watch.InfoBlockMatchesGpsData());
  w.c.Send("PKRV704,10");
  EXPECT_EQ(w.c.Sentence(), "PKRV604,1");
  EXPECT_TRUE(w.watch.ReceivedGpsData().empty());
  EXPECT_TRUE(w.watch.ReceivedInfoBlock().empty());
  EXPECT_FALSE(w.watch.InfoBlockMatchesGpsData());
}

}  // namespace
}  // namespace kemlog::sim
