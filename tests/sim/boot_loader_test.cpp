// The switch to the boot loader and the boot loader itself, driven byte by byte.

#include <gtest/gtest.h>

#include <random>

#include "device/firmware_update.h"
#include "sim/simulated_watch.h"
#include "watch_client.h"

namespace kemlog::sim {
namespace {

using testing::EndOfTransmission;
using testing::kAck;
using testing::kNak;
using testing::kPacketData;
using testing::Packet;
using testing::PacketCount;
using testing::PacketData;
using testing::Split;
using testing::WatchClient;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char ch : text) {
    if (ch == '\r' || ch == '\n') {
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else {
      line.push_back(ch);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool AnyLineHas(const std::vector<std::string>& lines, const char* word) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(word) != std::string::npos; });
}

std::vector<uint8_t> Image(size_t n) {
  std::mt19937 engine(static_cast<uint32_t>(n));
  std::vector<uint8_t> out(n);
  for (uint8_t& b : out) b = static_cast<uint8_t>(engine());
  return out;
}

struct Watch {
  Watch() : watch(GenerateWatchLogs(7, 1, 10)) {}
  SimulatedWatch watch;
  WatchClient c{watch};

  void EnterBootLoader() {
    c.Send("PKRV806");
    ASSERT_EQ(c.Sentence(), "PKRV806,3");
    ASSERT_TRUE(watch.InBootLoader());
  }
  // The whole text the boot loader writes after 'q'.
  std::string Query() {
    c.Write('q');
    c.Run(200);
    return c.TakeText();
  }
  // 'u', its echo, the 'E' bytes and the start byte.
  void StartTransfer() {
    c.Write('u');
    ASSERT_EQ(c.TakeText(), "u");
    c.Run(500);
    ASSERT_EQ(c.TakeText(), std::string(static_cast<size_t>(watch.Loader().prepareBytes), 'E') + "C");
  }
  // Sends packet `index` of image; the boot loader's answer ("" for none).
  std::string SendPacket(const std::vector<uint8_t>& image, size_t index) {
    last = Packet(static_cast<uint8_t>(index + 1), PacketData(image, index));
    c.Write(last);
    return c.TakeText();
  }
  std::vector<uint8_t> last;
};

const std::string kAckText(1, static_cast<char>(kAck));
const std::string kNakText(1, static_cast<char>(kNak));

TEST(UpdateMode, SwitchesToTheBootLoaderOrRefuses) {
  {
    Watch w;
    w.EnterBootLoader();
    EXPECT_EQ(w.c.Pending(), 0u);
    // Sentences mean nothing to the boot loader.
    w.c.Send("PKRV829");
    w.c.Run(100);
    EXPECT_EQ(w.c.Pending(), 0u) << w.c.PendingText();
  }
  for (const char* body : {"PKRV806", "PKRV806,1"}) {
    SCOPED_TRACE(body);
    Watch w;
    w.watch.Faults().refuseUpdateMode = std::string(body) == "PKRV806";
    w.c.Send(body);
    EXPECT_EQ(w.c.Sentence(), "PKRV806,2");
    EXPECT_FALSE(w.watch.InBootLoader());
    w.c.Send("PKRV829");
    EXPECT_EQ(Split(w.c.Sentence()).at(0), "PKRV861");
  }
}

// The answer the program searches: "806" followed by ",3", readable as "%03d,%d".
TEST(UpdateMode, AnswerHoldsTheTextTheProgramLooksFor) {
  Watch w;
  w.c.Send("PKRV806");
  const std::string text = w.c.PendingText();
  const size_t at = text.find("806");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(text.compare(at, 5, "806,3"), 0) << text;
}

// 'q': a few lines, one per step, with "Mode" and "Main" (unless the fault leaves "Main" out).
TEST(BootLoader, QueryTextHasModeAndMainLines) {
  for (bool withoutMain : {false, true}) {
    SCOPED_TRACE(withoutMain ? "without Main" : "with Main");
    Watch w;
    w.watch.Faults().bootLoaderWithoutMain = withoutMain;
    w.EnterBootLoader();
    w.c.Write('q');
    // One line at once, then a line per step.
    EXPECT_EQ(Lines(w.c.PendingText()).size(), 1u);
    w.c.Wait(w.watch.Loader().stepMs);
    EXPECT_EQ(Lines(w.c.PendingText()).size(), 2u);
    w.c.Run(200);
    const std::vector<std::string> lines = Lines(w.c.TakeText());
    EXPECT_GE(lines.size(), 3u);
    EXPECT_TRUE(AnyLineHas(lines, "Mode"));
    EXPECT_EQ(AnyLineHas(lines, "Main"), !withoutMain);
    // Asked again, it says it again.
    EXPECT_EQ(Lines(w.Query()), lines);
  }
}

TEST(BootLoader, EchoesAandUThenPreparesAndStarts) {
  Watch w;
  w.EnterBootLoader();
  for (int i = 0; i < 3; ++i) {
    w.c.Write('a');
    EXPECT_EQ(w.c.TakeText(), "a");
  }
  // Bytes it does not know are ignored.
  w.c.Write(std::vector<uint8_t>{'x', 0x00, 0xFF, '\r'});
  w.c.Run(100);
  EXPECT_EQ(w.c.Pending(), 0u);

  w.c.Write('u');
  EXPECT_EQ(w.c.TakeText(), "u");
  // A packet written before the start byte is lost: the boot loader is still preparing.
  const std::vector<uint8_t> image = Image(300);
  w.c.Write(Packet(1, PacketData(image, 0)));
  std::string prepared;
  for (int i = 0; i < 200 && prepared.find('C') == std::string::npos; ++i) {
    w.c.Wait(1);
    prepared += w.c.TakeText();
  }
  const int e = w.watch.Loader().prepareBytes;
  EXPECT_GE(e, 1);
  EXPECT_EQ(prepared, std::string(static_cast<size_t>(e), 'E') + "C");
  EXPECT_EQ(w.watch.Stats().packetsReceived, 0);
  EXPECT_EQ(w.SendPacket(image, 0), kAckText);
}

// A whole update: every packet acknowledged, EOT and 'b' end it, and the watch runs the new firmware.
TEST(BootLoader, FullUpdateStoresExactlyTheImageData) {
  for (size_t size : {size_t{1000}, size_t{256}, size_t{1}}) {
    SCOPED_TRACE("image of " + std::to_string(size) + " bytes");
    Watch w;
    const int version = w.watch.firmwareVersion;
    w.EnterBootLoader();
    ASSERT_TRUE(AnyLineHas(Lines(w.Query()), "Main"));
    w.c.Write('a');
    ASSERT_EQ(w.c.TakeText(), "a");
    w.StartTransfer();
    const std::vector<uint8_t> image = Image(size);
    std::vector<uint8_t> expected;
    for (size_t i = 0; i < PacketCount(image); ++i) {
      EXPECT_EQ(w.SendPacket(image, i), kAckText) << "packet " << i;
      const std::vector<uint8_t> data = PacketData(image, i);
      expected.insert(expected.end(), data.begin(), data.end());
    }
    EXPECT_EQ(PacketCount(image), size / kPacketData + 1);
    w.c.Write(EndOfTransmission(w.last));
    EXPECT_EQ(w.c.TakeText(), kAckText);
    EXPECT_FALSE(w.watch.FirmwareUpdateCompleted());
    w.c.Write('b');
    EXPECT_TRUE(w.watch.FirmwareUpdateCompleted());
    EXPECT_FALSE(w.watch.InBootLoader());
    EXPECT_EQ(w.watch.ReceivedFirmware(), expected);
    EXPECT_EQ(w.watch.Stats().badPackets, 0);
    EXPECT_EQ(w.watch.Stats().firmwareUpdates, 1);
    // Back in normal mode with the new version.
    w.c.Send("PKRV829");
    EXPECT_EQ(Split(w.c.Sentence()).at(1), std::to_string(version + 1));
  }
}

// Block numbers run 1..255, 0, 1, ...: the 256th packet carries 0 and complement 255.
TEST(BootLoader, BlockNumbersWrapAt256) {
  Watch w;
  w.EnterBootLoader();
  w.StartTransfer();
  const std::vector<uint8_t> image = Image(300 * kPacketData - 5);
  ASSERT_EQ(PacketCount(image), 300u);
  for (size_t i = 0; i < PacketCount(image); ++i) {
    ASSERT_EQ(w.SendPacket(image, i), kAckText) << "packet " << i;
    if (i == 255) {
      ASSERT_EQ(w.last[1], 0);
    }
  }
  w.c.Write(EndOfTransmission(w.last));
  w.c.Write('b');
  EXPECT_TRUE(w.watch.FirmwareUpdateCompleted());
  ASSERT_EQ(w.watch.ReceivedFirmware().size(), 300 * kPacketData);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), w.watch.ReceivedFirmware().begin()));
  // After 255 comes 0, not 1: a well-formed packet numbered 1 there is refused.
  Watch v;
  v.EnterBootLoader();
  v.StartTransfer();
  for (size_t i = 0; i < 255; ++i) ASSERT_EQ(v.SendPacket(image, i), kAckText);
  v.c.Write(Packet(1, PacketData(image, 255)));
  EXPECT_EQ(v.c.TakeText(), kNakText);
}

// A bad packet is answered with NAK, counted and not stored; the right one after it is taken.
TEST(BootLoader, BadPacketsAreRefused) {
  const std::vector<uint8_t> image = Image(3 * kPacketData);
  struct Case {
    const char* name;
    size_t at;  // byte of the second packet to spoil
    uint8_t flip;
  };
  for (const Case& k : {Case{"checksum high byte", 131, 0x01}, Case{"checksum low byte", 132, 0x80},
                        Case{"data byte", 70, 0x10}, Case{"block number", 1, 0x03}, Case{"complement", 2, 0x01},
                        Case{"block number and complement", 1, 0x00}}) {
    SCOPED_TRACE(k.name);
    Watch w;
    w.EnterBootLoader();
    w.StartTransfer();
    ASSERT_EQ(w.SendPacket(image, 0), kAckText);
    std::vector<uint8_t> bad = Packet(2, PacketData(image, 1));
    if (k.flip != 0) {
      bad[k.at] ^= k.flip;
    } else {
      bad[1] = 3;  // the next number after a packet that never came, with its own complement
      bad[2] = 252;
    }
    w.c.Write(bad);
    EXPECT_EQ(w.c.TakeText(), kNakText);
    EXPECT_EQ(w.watch.Stats().badPackets, 1);
    for (size_t i = 1; i < PacketCount(image); ++i) EXPECT_EQ(w.SendPacket(image, i), kAckText);
    w.c.Write(EndOfTransmission(w.last));
    w.c.Write('b');
    EXPECT_TRUE(w.watch.FirmwareUpdateCompleted());
    std::vector<uint8_t> expected;
    for (size_t i = 0; i < PacketCount(image); ++i) {
      const std::vector<uint8_t> data = PacketData(image, i);
      expected.insert(expected.end(), data.begin(), data.end());
    }
    EXPECT_EQ(w.watch.ReceivedFirmware(), expected);
    EXPECT_EQ(w.watch.Stats().packetsReceived, 5);
  }
}

TEST(BootLoader, SilentAfterTheNthPacket) {
  for (int n : {0, 3}) {
    SCOPED_TRACE("silent after " + std::to_string(n));
    Watch w;
    w.watch.Faults().silentAfterPacket = n;
    w.EnterBootLoader();
    w.StartTransfer();
    const std::vector<uint8_t> image = Image(10 * kPacketData);
    for (int i = 0; i < n; ++i) EXPECT_EQ(w.SendPacket(image, static_cast<size_t>(i)), kAckText);
    for (size_t i = static_cast<size_t>(n); i < PacketCount(image); ++i) EXPECT_EQ(w.SendPacket(image, i), "");
    w.c.Write(EndOfTransmission(w.last));
    w.c.Write('b');
    for (char ch : {'q', 'a', 'u'}) w.c.Write(static_cast<uint8_t>(ch));
    w.c.Run(1000);
    EXPECT_EQ(w.c.Pending(), 0u);
    EXPECT_FALSE(w.watch.FirmwareUpdateCompleted());
    EXPECT_TRUE(w.watch.InBootLoader());
    EXPECT_EQ(w.watch.ReceivedFirmware().size(), static_cast<size_t>(n) * kPacketData);
  }
}

// 'b' from the menu starts the firmware there is, unchanged.
TEST(BootLoader, LeavesWithoutAnUpdate) {
  Watch w;
  const int version = w.watch.firmwareVersion;
  w.EnterBootLoader();
  w.c.Write('b');
  EXPECT_FALSE(w.watch.InBootLoader());
  EXPECT_FALSE(w.watch.FirmwareUpdateCompleted());
  w.c.Send("PKRV829");
  EXPECT_EQ(Split(w.c.Sentence()).at(1), std::to_string(version));
}

// The watch's packet check agrees with the program's CRC-16 and the XMODEM check value.
TEST(BootLoader, PacketChecksumIsCrc16Xmodem) {
  const std::string check = "123456789";
  EXPECT_EQ(testing::XmodemCrc(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x31C3);
  const std::vector<uint8_t> data = Image(kPacketData);
  EXPECT_EQ(testing::XmodemCrc(data.data(), data.size()), device::Crc16Xmodem(data));
}

// Random bytes in every state of the boot loader: it stays bounded and keeps what it stores within
// the packets it took.
TEST(BootLoader, StaysBoundedUnderRandomInput) {
  Watch w;
  w.EnterBootLoader();
  std::mt19937 rng(806);
  auto engine = [&] { return static_cast<uint32_t>(rng()); };
  const std::vector<uint8_t> image = Image(4 * kPacketData);
  size_t largest = 0;
  for (int step = 0; step < 20000; ++step) {
    std::vector<uint8_t> chunk;
    const uint32_t kind = engine() % 12;
    if (kind == 0) chunk = Packet(static_cast<uint8_t>(engine()), PacketData(image, engine() % 4));
    if (kind == 1) chunk = {static_cast<uint8_t>("qaubqaub\x04\x01"[engine() % 10])};
    if (kind == 2) chunk = EndOfTransmission(Packet(1, PacketData(image, 0)));
    for (uint32_t i = kind > 2 ? engine() % 40 : 0; i > 0; --i) chunk.push_back(static_cast<uint8_t>(engine()));
    if (!w.watch.InBootLoader()) w.c.Send("PKRV806");  // back in as soon as it has left
    w.c.Write(chunk);
    if (engine() % 4 == 0) w.c.Wait(engine() % 50);
    largest = std::max(largest, w.c.Pending());
    w.c.TakeText();
  }
  // At most the 806 answer and, per byte written, one answer byte or one line of text.
  EXPECT_LE(largest, 200u);
  EXPECT_LE(w.watch.ReceivedFirmware().size(), static_cast<size_t>(w.watch.Stats().packetsReceived) * kPacketData);
  EXPECT_GT(w.watch.Stats().badPackets, 0);
}

}  // namespace
}  // namespace kemlog::sim
