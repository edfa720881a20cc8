#include "device/block_transfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <vector>

#include "scripted_peer.h"

namespace kemlog::device {
namespace {

std::vector<uint8_t> Bytes(const char* text) { return std::vector<uint8_t>(text, text + std::strlen(text)); }

TEST(Crc32, MatchesTheWatchsCheckValues) {
  EXPECT_EQ(Crc32(nullptr, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Crc32(Bytes("abc")), 0x262A3D24u);
  EXPECT_EQ(Crc32(Bytes("123456789")), 0x8152A388u);
  EXPECT_NE(Crc32(Bytes("abc")), 0x352441C2u);  // the common reflected CRC-32
}

std::string Hex(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

// One announcement the test's sender makes: a block of the payload, optionally with a checksum that
// does not fit its bytes, optionally cut short after some bytes.
struct Announced {
  int offset;
  int length;
  bool wrongCrc = false;
  int bytesSent = -1;  // -1: all
};

// The sending side as a script: announces 901, then each entry of `blocks` in order, moving on to the
// next entry after every verdict (3 or 2) so that the test spells out the whole sequence.
class ScriptedSender {
 public:
  ScriptedSender(testing::LinkFixture& f, std::vector<uint8_t> payload, std::vector<Announced> blocks,
                 std::string payloadCrc = "")
      : f_(f), payload_(std::move(payload)), blocks_(std::move(blocks)) {
    f_.peer.onLine = [this](const std::string& line) { OnLine(line); };
    const std::string crc = payloadCrc.empty() ? Hex(Crc32(payload_)) : payloadCrc;
    f_.peer.SendSentence("PKRV901," + std::to_string(payload_.size()) + "," + crc);
  }

 private:
  void OnLine(const std::string& line) {
    const std::string body = line.substr(1, line.find('*') - 1);
    if (body == "PKRV900,901,3") return Announce();
    if (body == "PKRV900,902,3" && !awaitingVerdict_) return SendBytes();
    if (body.rfind("PKRV900,902,", 0) == 0) {
      awaitingVerdict_ = false;
      ++next_;
      Announce();
    }
  }

  void Announce() {
    if (next_ >= blocks_.size()) return;
    const Announced& b = blocks_[next_];
    uint32_t crc = Crc32(BlockBytes(b));
    if (b.wrongCrc) crc ^= 1;
    f_.peer.SendSentence("PKRV902," + std::to_string(b.offset) + "," + std::to_string(b.length) + "," + Hex(crc));
  }

  void SendBytes() {
    const Announced& b = blocks_[next_];
    std::vector<uint8_t> bytes = BlockBytes(b);
    if (b.bytesSent >= 0) bytes.resize(static_cast<size_t>(b.bytesSent));
    f_.link.SendToProgram(bytes.data(), bytes.size());
    awaitingVerdict_ = b.bytesSent < 0;
    if (!awaitingVerdict_) ++next_;
  }

  std::vector<uint8_t> BlockBytes(const Announced& b) const {
    const size_t from = std::min(static_cast<size_t>(b.offset), payload_.size());
    const size_t to = std::min(from + static_cast<size_t>(b.length), payload_.size());
    return std::vector<uint8_t>(payload_.begin() + static_cast<std::ptrdiff_t>(from),
                                payload_.begin() + static_cast<std::ptrdiff_t>(to));
  }

  testing::LinkFixture& f_;
  std::vector<uint8_t> payload_;
  std::vector<Announced> blocks_;
  size_t next_ = 0;
  bool awaitingVerdict_ = false;
};

std::vector<uint8_t> Payload(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  return bytes;
}

std::vector<std::string> Bodies(const testing::ScriptedPeer& peer) {
  std::vector<std::string> bodies;
  for (const std::string& line : peer.Lines()) bodies.push_back(line.substr(1, line.find('*') - 1));
  return bodies;
}

TEST(ReceiveBlocks, AcceptsAPayloadInTwoBlocksWithTwoAnswersPerBlock) {
  testing::LinkFixture f;
  ScriptedSender sender(f, Payload(100), {{0, 60}, {60, 40}});
  std::vector<uint8_t> destination(100);
  EXPECT_TRUE(ReceiveBlocks(f.device, destination));
  EXPECT_EQ(destination, Payload(100));
  EXPECT_EQ(Bodies(f.peer), (std::vector<std::string>{"PKRV900,901,3", "PKRV900,902,3", "PKRV900,902,3",
                                                        "PKRV900,902,3", "PKRV900,902,3"}));
}

TEST(ReceiveBlocks, PlacesBlocksAtTheirOffsetsInAnyOrder) {
  testing::LinkFixture f;
  ScriptedSender sender(f, Payload(100), {{60, 40}, {0, 60}});
  std::vector<uint8_t> destination(100);
  EXPECT_TRUE(ReceiveBlocks(f.device, destination));
  EXPECT_EQ(destination, Payload(100));
}

TEST(ReceiveBlocks, RejectsABadBlockAndTakesItsRepeat) {
  testing::LinkFixture f;
  ScriptedSender sender(f, Payload(100), {{0, 60, true}, {0, 60}, {60, 40}});
  std::vector<uint8_t> destination(100);
  EXPECT_TRUE(ReceiveBlocks(f.device, destination));
  EXPECT_EQ(Bodies(f.peer).at(2), "PKRV900,902,2");
  EXPECT_EQ(destination, Payload(100));
}

TEST(ReceiveBlocks, TenBadBlocksInARowEndTheTransfer) {
  testing::LinkFixture f;
  std::vector<Announced> blocks(10, Announced{0, 50, true});
  blocks.push_back({0, 50});
  ScriptedSender sender(f, Payload(50), blocks);
  std::vector<uint8_t> destination(50);
  EXPECT_FALSE(ReceiveBlocks(f.device, destination));
  const auto bodies = Bodies(f.peer);
  EXPECT_EQ(std::count(bodies.begin(), bodies.end(), "PKRV900,902,2"), 10);
}

TEST(ReceiveBlocks, AGoodBlockResetsTheFailureCount) {
  testing::LinkFixture f;
  std::vector<Announced> blocks(9, Announced{0, 50, true});
  blocks.push_back({0, 50});
  blocks.insert(blocks.end(), 9, Announced{50, 50, true});
  blocks.push_back({50, 50});
  ScriptedSender sender(f, Payload(100), blocks);
  std::vector<uint8_t> destination(100);
  EXPECT_TRUE(ReceiveBlocks(f.device, destination));
  EXPECT_EQ(destination, Payload(100));
}

TEST(ReceiveBlocks, EmptyPayloadWaitsOnceForAnAnnouncementAndSucceeds) {
  testing::LinkFixture f;
  ScriptedSender sender(f, {}, {}, "FFFFFFFF");
  std::vector<uint8_t> destination;
  EXPECT_TRUE(ReceiveBlocks(f.device, destination));
  EXPECT_EQ(f.clock.TickCount(), 6000u);  // one full wait of 3000 empty reads
}

TEST(ReceiveBlocks, PayloadChecksumDecidesUnlessItIsAllOnes) {
  struct Case {
    std::string payloadCrc;
    bool result;
  };
  for (const Case& c : {Case{"FFFFFFFF", true}, Case{"12345678", false}}) {
    testing::LinkFixture f;
    ScriptedSender sender(f, Payload(80), {{0, 80}}, c.payloadCrc);
    std::vector<uint8_t> destination(80);
    EXPECT_EQ(ReceiveBlocks(f.device, destination), c.result) << c.payloadCrc;
  }
}

TEST(ReceiveBlocks, NoAnnouncementMeansFailureWithNothingSent) {
  testing::LinkFixture f;
  std::vector<uint8_t> destination(10);
  EXPECT_FALSE(ReceiveBlocks(f.device, destination));
  EXPECT_TRUE(f.peer.Lines().empty());
}

TEST(ReceiveBlocks, RefusesBlocksOutsideTheBufferAndWritesNothingThere) {
  testing::LinkFixture f;
  ScriptedSender sender(f, Payload(64), {{60, 40}, {0, 64}});
  std::vector<uint8_t> storage(64 + 16, 0xEE);
  std::span<uint8_t> destination(storage.data(), 64);
  EXPECT_TRUE(ReceiveBlocks(f.device, destination));
  EXPECT_EQ(Bodies(f.peer).at(1), "PKRV900,902,2");
  EXPECT_TRUE(std::all_of(storage.begin() + 64, storage.end(), [](uint8_t b) { return b == 0xEE; }));
}

TEST(ReceiveBlocks, RefusesATotalBeyondTheBuffer) {
  testing::LinkFixture f;
  ScriptedSender sender(f, Payload(200), {{0, 200}});
  std::vector<uint8_t> destination(100);
  EXPECT_FALSE(ReceiveBlocks(f.device, destination));
  EXPECT_EQ(Bodies(f.peer), std::vector<std::string>{"PKRV900,901,2"});
}

TEST(ReceiveBlocks, ABlockWhoseBytesStopIsDroppedWithoutAnAnswer) {
  testing::LinkFixture f;
  ScriptedSender sender(f, Payload(100), {{0, 100, false, 30}});
  f.peer.SendAt(20000, FormatSentence("PKRV902,0,100," + Hex(Crc32(Payload(100)))));
  std::vector<uint8_t> destination(100);
  // The repeat announcement arrives after the byte wait gave up; its bytes never come, so the
  // transfer ends without a verdict ever being sent for either block.
  EXPECT_FALSE(ReceiveBlocks(f.device, destination));
  const auto bodies = Bodies(f.peer);
  EXPECT_EQ(std::count(bodies.begin(), bodies.end(), "PKRV900,902,2"), 0);
  EXPECT_EQ(std::count(bodies.begin(), bodies.end(), "PKRV900,902,3"), 2);  // one per announcement
}

// The caller's buffer is the payload it asked for; a shorter payload would leave zeros that the
// caller decodes as records, so any other total is refused like one beyond the buffer.
TEST(ReceiveBlocks, RefusesATotalOtherThanTheExpectedSize) {
  struct Case {
    size_t announced;
    size_t expected;
    bool result;
  };
  for (const Case& c : {Case{99, 100, false}, Case{1, 100, false}, Case{0, 64, false}, Case{100, 100, true}}) {
    testing::LinkFixture f;
    ScriptedSender sender(f, Payload(c.announced), {{0, static_cast<int>(c.announced)}});
    std::vector<uint8_t> destination(c.expected);
    EXPECT_EQ(ReceiveBlocks(f.device, destination), c.result) << c.announced << " of " << c.expected;
    EXPECT_EQ(Bodies(f.peer).front(), c.result ? "PKRV900,901,3" : "PKRV900,901,2") << c.announced;
    if (!c.result) {
      EXPECT_EQ(Bodies(f.peer).size(), 1u) << c.announced;
    }
  }
}

}  // namespace
}  // namespace kemlog::device
