#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "device/firmware_update.h"
#include "device/version_query.h"
#include "firmware_ui.h"
#include "platform/headless/memory_link.h"
#include "scripted_peer.h"

namespace kemlog::device {
namespace {

TEST(VersionText, ShowsVersionAndTheMonthAfterTheGpsDataMonthField) {
  struct Case {
    int version;
    int gpsDate;
    const char* text;
  };
  for (const Case& c : {Case{10203, 160512, "1.2.3       GPSデータ  16年06月"},
                        Case{0, 0, "0.0.0       GPSデータ  0年01月"},
                        Case{20000, 161231, "2.0.0       GPSデータ  17年01月"},
                        Case{991299, 170015, "99.12.99       GPSデータ  17年01月"}}) {
    EXPECT_EQ(VersionText(c.version, c.gpsDate), c.text);
  }
}

TEST(QueryDeviceVersion, AsksAndReadsTheAnswer) {
  testing::LinkFixture f;
  f.peer.onLine = [&](const std::string& line) {
    if (line.rfind("$PKRV829*", 0) == 0) f.peer.SendSentence("PKRV861,10203,161105");
  };
  EXPECT_EQ(QueryDeviceVersion(f.device), "1.2.3       GPSデータ  16年12月");
}

TEST(QueryDeviceVersion, NoAnswerShowsZeros) {
  testing::LinkFixture f;
  EXPECT_EQ(QueryDeviceVersion(f.device), "0.0.0       GPSデータ  0年01月");
  EXPECT_EQ(f.clock.TickCount(), 1000u);  // 500 empty reads
}

TEST(EnterFirmwareUpdateMode, NeedsTheAcknowledgementAndTakesASecond) {
  struct Case {
    const char* answer;
    bool result;
  };
  for (const Case& c : {Case{"PKRV806,3", true}, Case{"PKRV806,2", false}, Case{"", false}}) {
    testing::LinkFixture f;
    f.peer.onLine = [&](const std::string& line) {
      if (line.rfind("$PKRV806*", 0) == 0 && *c.answer) f.peer.SendSentence(c.answer);
    };
    EXPECT_EQ(EnterFirmwareUpdateMode(f.device), c.result) << c.answer;
    EXPECT_GE(f.clock.TickCount(), 1000u) << c.answer;
  }
}

TEST(Crc16Xmodem, MatchesTheCheckValue) {
  const char* text = "123456789";
  EXPECT_EQ(Crc16Xmodem(std::span(reinterpret_cast<const uint8_t*>(text), std::strlen(text))), 0x31C3);
}

TEST(FirmwarePacket, FramesUpTo128BytesWithPaddingAndCrc) {
  std::vector<uint8_t> data(104);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i + 1);
  const FirmwarePacket packet = BuildFirmwarePacket(8, data);
  EXPECT_EQ(packet[0], 0x01);
  EXPECT_EQ(packet[1], 8);
  EXPECT_EQ(packet[2], 247);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), packet.begin() + 3));
  EXPECT_EQ(packet[3 + 104], 0x1A);
  EXPECT_TRUE(std::all_of(packet.begin() + 3 + 105, packet.begin() + 131, [](uint8_t b) { return b == 0; }));
  const uint16_t crc = Crc16Xmodem(std::span(packet).subspan(3, 128));
  EXPECT_EQ(packet[131], crc >> 8);
  EXPECT_EQ(packet[132], crc & 0xFF);

  const FirmwarePacket empty = BuildFirmwarePacket(0, {});
  EXPECT_EQ(empty[1], 0);
  EXPECT_EQ(empty[2], 255);
  EXPECT_EQ(empty[3], 0x1A);
}

TEST(FirmwareProgress, PacketCountAndBar) {
  EXPECT_EQ(FirmwarePacketCount(24 + 1000), 8u);
  EXPECT_EQ(FirmwarePacketCount(24 + 256), 3u);
  EXPECT_EQ(FirmwarePacketCount(10), 1u);  // shorter than its header
  struct Case {
    uint32_t sent, total;
    int bar;
  };
  for (const Case& c : {Case{0, 250, 0}, Case{199, 250, 99}, Case{200, 250, 100}, Case{250, 250, 100},
                        Case{1, 8, 12}, Case{8, 8, 100}, Case{3, 3, 100}, Case{1, 0, 100}, Case{50, 100, 50}}) {
    EXPECT_EQ(FirmwareProgress(c.sent, c.total), c.bar) << c.sent << "/" << c.total;
  }
}

TEST(CheckFirmwareFile, NeedsABinPathAndTheModelText) {
  const auto dir = std::filesystem::temp_directory_path() / ("kemlog-fw-" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(dir);
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream((dir / name).string(), std::ios::binary) << bytes;
    return (dir / name).string();
  };
  const std::string image = "KRV ZQN 4170" + std::string(12, 'x') + std::string(300, '\x55');
  EXPECT_TRUE(CheckFirmwareFile(write("fw.bin", image)));
  EXPECT_TRUE(CheckFirmwareFile(write("fw.bin.old", image)));  // ".bin" anywhere in the path
  EXPECT_TRUE(CheckFirmwareFile(write("short.bin", "KRV ZQN 4170")));
  EXPECT_FALSE(CheckFirmwareFile(write("fw.img", image)));
  EXPECT_FALSE(CheckFirmwareFile(write("fw.BIN", image)));
  EXPECT_FALSE(CheckFirmwareFile(write("other.bin", "KRV ZQN 4171" + std::string(20, 'x'))));
  EXPECT_FALSE(CheckFirmwareFile(write("tiny.bin", "KRV ZQN")));
  EXPECT_FALSE(CheckFirmwareFile((dir / "missing.bin").string()));
  std::filesystem::remove_all(dir);
}

TEST(AskDeviceVersion, TellsWhetherTheWatchAnswered) {
  struct Case {
    const char* answer;
    bool answered;
    const char* text;
  };
  for (const Case& c : {Case{"PKRV861,10203,161105", true, "1.2.3       GPSデータ  16年12月"},
                        Case{"PKRV861", true, "0.0.0       GPSデータ  0年01月"},
                        Case{"PKRV862,10203,161105", false, "0.0.0       GPSデータ  0年01月"},
                        Case{"", false, "0.0.0       GPSデータ  0年01月"}}) {
    testing::LinkFixture f;
    f.peer.onLine = [&](const std::string& line) {
      if (line.rfind("$PKRV829*", 0) == 0 && *c.answer) f.peer.SendSentence(c.answer);
    };
    const VersionAnswer answer = AskDeviceVersion(f.device);
    EXPECT_EQ(answer.answered, c.answered) << c.answer;
    EXPECT_EQ(answer.text, c.text) << c.answer;
  }
}

// A boot loader as a script: echoes for 'a', 'u' answered with 'u', then a number of 'E' bytes (one
// per millisecond; -1: without end) and 'C', then an ACK for every packet and for EOT.
class ScriptedBootLoader : public platform::headless::LinkPeer {
 public:
  explicit ScriptedBootLoader(platform::headless::MemoryLink& link) : link_(link) { link_.Attach(this); }
  ~ScriptedBootLoader() override { link_.Attach(nullptr); }

  std::string aliveEcho = "a";
  int prepareBytes = 3;

  int packets = 0;
  bool eot = false;
  bool booted = false;

  void OnBytesFromProgram(const uint8_t* data, size_t size, uint32_t) override {
    for (size_t i = 0; i < size; ++i) Take(data[i]);
  }
  void OnTime(uint32_t) override {
    if (state_ != State::Preparing) return;
    if (prepareBytes < 0 || sentE_ < prepareBytes) {
      ++sentE_;
      link_.SendToProgram("E");
    } else {
      link_.SendToProgram("C");
      state_ = State::Receiving;
    }
  }

 private:
  enum class State { Menu, Preparing, Receiving, AwaitBoot };
  void Take(uint8_t byte) {
    switch (state_) {
      case State::Menu:
        if (byte == 'a') link_.SendToProgram(aliveEcho);
        if (byte == 'u') {
          link_.SendToProgram("u");
          state_ = State::Preparing;
        }
        return;
      case State::Preparing: return;
      case State::Receiving:
        if (frame_.empty() && byte != 0x01 && byte != 0x04) return;
        frame_.push_back(byte);
        if (frame_.size() < kFirmwarePacketSize) return;
        if (frame_[0] == 0x04) {
          eot = true;
          state_ = State::AwaitBoot;
        } else {
          ++packets;
        }
        frame_.clear();
        link_.SendToProgram(std::string(1, '\x06'));
        return;
      case State::AwaitBoot: booted = booted || byte == 'b'; return;
    }
  }

  platform::headless::MemoryLink& link_;
  State state_ = State::Menu;
  int sentE_ = 0;
  std::vector<uint8_t> frame_;
};

// The transfer from the 'a' handshake on, against the scripted boot loader on port COM7.
struct BootLoaderBench {
  BootLoaderBench() {
    port.portName = "COM7";
    port.OpenBootLoaderPort();
    path = (std::filesystem::temp_directory_path() / ("kemlog-fw-" + std::to_string(std::random_device()()) + ".bin"))
               .string();
  }
  ~BootLoaderBench() { std::filesystem::remove(path); }
  void WriteImage(size_t body) {
    std::ofstream file(path, std::ios::binary);
    for (size_t i = 0; i < 24 + body; ++i) file.put(i < 12 ? "KRV ZQN 4170"[i] : static_cast<char>(i * 13));
  }

  platform::headless::VirtualClock clock;
  platform::headless::MemoryLink link{clock};
  ScriptedBootLoader bootLoader{link};
  DevicePort port{link.Opener("COM7"), clock};
  testing::TestFirmwareUi ui;
  std::string path;
};

TEST(FirmwareTransfer, CompletesAgainstTheScriptedBootLoader) {
  BootLoaderBench b;
  b.WriteImage(1000);
  EXPECT_EQ(StartFirmwareTransfer(b.port, b.path, b.ui), FirmwareUpdateOutcome::Completed);
  EXPECT_EQ(b.bootLoader.packets, 8);
  EXPECT_TRUE(b.bootLoader.eot);
  EXPECT_TRUE(b.bootLoader.booted);
  EXPECT_FALSE(b.port.IsOpen());  // closed by the worker through its own link
  EXPECT_EQ(b.ui.messages, std::vector<std::string>{kDoneMessage});
}

// Echoes of the handshake's 'a' that are still waiting when 'u' goes out are not its answer.
TEST(FirmwareTransfer, LateHandshakeEchoesAreNotTakenForTheAnswerToU) {
  for (const char* echo : {"aa", "aaaaa"}) {
    BootLoaderBench b;
    b.bootLoader.aliveEcho = echo;
    b.WriteImage(300);
    EXPECT_EQ(StartFirmwareTransfer(b.port, b.path, b.ui), FirmwareUpdateOutcome::Completed) << echo;
    EXPECT_TRUE(b.bootLoader.booted) << echo;
  }
}

TEST(FirmwareTransfer, ABootLoaderThatNeverGetsReadyIsGivenUpAfterAMinute) {
  BootLoaderBench b;
  b.bootLoader.prepareBytes = -1;
  b.WriteImage(300);
  const uint32_t start = b.clock.TickCount();
  EXPECT_EQ(StartFirmwareTransfer(b.port, b.path, b.ui), FirmwareUpdateOutcome::TransferFailed);
  EXPECT_GE(b.clock.TickCount() - start, 60000u);
  EXPECT_LT(b.clock.TickCount() - start, 70000u);
  EXPECT_EQ(b.bootLoader.packets, 0);
  EXPECT_FALSE(b.bootLoader.booted);
  EXPECT_EQ(b.ui.closeRequests, 1);
  EXPECT_TRUE(b.ui.messages.empty());
}

// The image file cut short during the transfer: the boot loader is told neither that the image
// ended nor to start it.
TEST(FirmwareTransfer, AnImageThatCannotBeReadWholeFailsWithoutEndOrBoot) {
  BootLoaderBench b;
  b.WriteImage(128 * 400);
  b.ui.OnProgressReached(30, [&] { std::filesystem::resize_file(b.path, 100); });
  EXPECT_EQ(StartFirmwareTransfer(b.port, b.path, b.ui), FirmwareUpdateOutcome::TransferFailed);
  EXPECT_LT(b.bootLoader.packets, 401);
  EXPECT_FALSE(b.bootLoader.eot);
  EXPECT_FALSE(b.bootLoader.booted);
  EXPECT_TRUE(b.ui.messages.empty());
  EXPECT_NE(b.ui.progress.back(), 100);
}

}  // namespace
}  // namespace kemlog::device
