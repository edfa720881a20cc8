// The termios serial port, opened on the slave side of a pseudo-terminal whose master plays the watch.

#include "platform/serial.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <thread>

#include "platform/pty.h"
#include "tests/platform/pty_helpers.h"

namespace kemlog::platform {
namespace {

using test::MillisecondsSince;
using test::Pattern;
using std::chrono::milliseconds;

void SleepMs(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pty_ = OpenPseudoTerminal();
    ASSERT_NE(pty_, nullptr);
    port_ = OpenSerialPort(pty_->SlavePath(), SerialSettings{});
    ASSERT_NE(port_, nullptr);
  }

  // Sends bytes from the watch's side and gives the line a moment to deliver them.
  void Send(const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(pty_->WriteAll(bytes.data(), bytes.size()));
    SleepMs(5);
  }

  // The bytes the port wrote, as the watch's side receives them.
  std::vector<uint8_t> Received(size_t count, int timeoutMs = 200) {
    std::vector<uint8_t> out(count);
    size_t got = 0;
    while (got < count) {
      const int n = pty_->Read(out.data() + got, count - got, timeoutMs);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    out.resize(got);
    return out;
  }

  std::vector<uint8_t> ReadPort(size_t size) {
    std::vector<uint8_t> out(size);
    const int n = port_->Read(out.data(), out.size());
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
  }

  std::unique_ptr<PseudoTerminal> pty_;
  std::unique_ptr<SerialPort> port_;
};

// ---- Data both ways ------------------------------------------------------------------------------

TEST_F(SerialPortTest, BytesPassUnchangedBothWays) {
  const std::vector<uint8_t> bytes = {'$', 'P', '\r', '\n', 0x00, 0x03, 0x11, 0x13, 0x7F, 0xFF, 0x80, '*'};
  Send(bytes);
  EXPECT_EQ(ReadPort(64), bytes);

  ASSERT_EQ(port_->Write(bytes.data(), bytes.size()), static_cast<int>(bytes.size()));
  EXPECT_EQ(Received(bytes.size()), bytes);
  EXPECT_EQ(Received(1, 20).size(), 0u) << "nothing more, in particular no echo";
}

TEST_F(SerialPortTest, LargeWriteArrivesWhileTheOtherSideReads) {
  const auto data = Pattern(100'000);  // several times what the line holds
  std::vector<uint8_t> received;
  std::thread watch([&] { received = Received(data.size(), 1000); });
  EXPECT_EQ(port_->Write(data.data(), data.size()), static_cast<int>(data.size()));
  watch.join();
  EXPECT_EQ(received, data);
}

TEST_F(SerialPortTest, OneByteReadsDeliverALongStreamInOrderAndFast) {
  const auto data = Pattern(10'000);  // more than two loads of the port's own buffer
  std::thread watch([&] { EXPECT_TRUE(pty_->WriteAll(data.data(), data.size())); });
  std::vector<uint8_t> got;
  got.reserve(data.size());
  const auto start = test::Clock::now();
  for (int idle = 0; got.size() < data.size() && idle < 200;) {
    uint8_t byte = 0;
    const int n = port_->Read(&byte, 1);
    ASSERT_GE(n, 0);
    if (n == 0) ++idle;
    else got.push_back(byte);
  }
  const double elapsed = MillisecondsSince(start);
  watch.join();
  EXPECT_EQ(got, data);
  EXPECT_LT(elapsed, 1000.0) << "one-byte reads are slow";
}

// ---- Read time-outs ------------------------------------------------------------------------------

TEST_F(SerialPortTest, EmptyOneByteReadReturnsZeroAfterAboutTwoMilliseconds) {
  std::vector<double> times;
  for (int i = 0; i < 50; ++i) {
    uint8_t byte = 0;
    const auto start = test::Clock::now();
    ASSERT_EQ(port_->Read(&byte, 1), 0);
    times.push_back(MillisecondsSince(start));
  }
  const double median = Median(times);
  std::cout << "median empty one-byte read: " << median << " ms\n";
  RecordProperty("empty_read_median_us", static_cast<int>(median * 1000));
  EXPECT_GE(median, 1.0);
  EXPECT_LE(median, 20.0);
}

TEST_F(SerialPortTest, EmptyReadWaitsOneMillisecondPerByteAskedPlusOne) {
  std::vector<uint8_t> buffer(40);
  const auto start = test::Clock::now();
  EXPECT_EQ(port_->Read(buffer.data(), buffer.size()), 0);
  const double elapsed = MillisecondsSince(start);
  EXPECT_GE(elapsed, 40.0);
  EXPECT_LT(elapsed, 200.0);
}

TEST_F(SerialPortTest, ReadReturnsAtOnceWhenAByteWaits) {
  // Both paths: the byte still in the line, and the byte already in the port's own buffer.
  std::vector<double> fromLine;
  std::vector<double> fromBuffer;
  for (int i = 0; i < 15; ++i) {
    Send({static_cast<uint8_t>(i), static_cast<uint8_t>(i + 100)});
    uint8_t byte = 0;
    auto start = test::Clock::now();
    ASSERT_EQ(port_->Read(&byte, 1), 1);
    fromLine.push_back(MillisecondsSince(start));
    EXPECT_EQ(byte, i);
    start = test::Clock::now();
    ASSERT_EQ(port_->Read(&byte, 1), 1);
    fromBuffer.push_back(MillisecondsSince(start));
    EXPECT_EQ(byte, i + 100);
  }
  EXPECT_LT(Median(fromLine), 0.8);
  EXPECT_LT(Median(fromBuffer), 0.8);
}

TEST_F(SerialPortTest, MultiByteReadCollectsBytesThatArriveTogether) {
  const auto bytes = Pattern(300);
  Send(bytes);
  const auto start = test::Clock::now();
  EXPECT_EQ(ReadPort(1000), bytes);  // fewer than asked: ends at the gap, not after 1001 ms
  EXPECT_LT(MillisecondsSince(start), 50.0);
}

TEST_F(SerialPortTest, ReadWaitsForTheFirstByteThenStopsAtAGap) {
  std::thread watch([this] {
    SleepMs(10);
    EXPECT_TRUE(pty_->WriteAll(reinterpret_cast<const uint8_t*>("abc"), 3));
    SleepMs(60);
    EXPECT_TRUE(pty_->WriteAll(reinterpret_cast<const uint8_t*>("def"), 3));
  });
  const auto start = test::Clock::now();
  const auto first = ReadPort(40);  // 41 ms in all
  const double elapsed = MillisecondsSince(start);
  const auto second = ReadPort(150);
  watch.join();
  EXPECT_EQ(std::string(first.begin(), first.end()), "abc");
  EXPECT_GE(elapsed, 9.0);
  EXPECT_LT(elapsed, 35.0) << "the read went on after the bytes stopped";
  EXPECT_EQ(std::string(second.begin(), second.end()), "def");
}

TEST_F(SerialPortTest, UnconsumedBytesStayForTheNextRead) {
  const auto bytes = Pattern(100);
  Send(bytes);
  std::vector<uint8_t> got = ReadPort(1);
  for (size_t size : {10u, 1u, 50u, 1000u}) {
    const auto piece = ReadPort(size);
    EXPECT_EQ(piece.size(), std::min<size_t>(size, bytes.size() - got.size()));
    got.insert(got.end(), piece.begin(), piece.end());
  }
  EXPECT_EQ(got, bytes);
}

// ---- Purge ---------------------------------------------------------------------------------------

struct PurgeCase {
  const char* name;
  bool readOneFirst;  // pulls the waiting bytes into the port's own buffer before the purge
};

void PrintTo(const PurgeCase& c, std::ostream* os) { *os << c.name; }

class PurgeTest : public SerialPortTest, public ::testing::WithParamInterface<PurgeCase> {};

TEST_P(PurgeTest, DropsWaitingBytesAndLaterOnesStillCome) {
  Send(Pattern(200));
  if (GetParam().readOneFirst) {
    ASSERT_EQ(ReadPort(1).size(), 1u);
  }
  port_->Purge();
  EXPECT_TRUE(ReadPort(64).empty());
  Send({'n', 'e', 'w'});
  EXPECT_EQ(ReadPort(64), (std::vector<uint8_t>{'n', 'e', 'w'}));
}

std::string PurgeName(const ::testing::TestParamInfo<PurgeCase>& param) { return param.param.name; }

INSTANTIATE_TEST_SUITE_P(Where, PurgeTest,
                         ::testing::Values(PurgeCase{"InTheLine", false}, PurgeCase{"InThePortBuffer", true}),
                         PurgeName);

// ---- Failures ------------------------------------------------------------------------------------

TEST_F(SerialPortTest, ClosingDropsUnreadInputButDeliversWhatWasWritten) {
  Send({'x', 'y'});  // unread when the port closes
  const uint8_t last = 'b';
  ASSERT_EQ(port_->Write(&last, 1), 1);
  port_.reset();
  EXPECT_EQ(Received(1), std::vector<uint8_t>{'b'});
  port_ = OpenSerialPort(pty_->SlavePath(), SerialSettings{});
  ASSERT_NE(port_, nullptr);
  EXPECT_EQ(ReadPort(2), std::vector<uint8_t>{});
}

TEST_F(SerialPortTest, PortWhoseOtherSideWentAwayReportsFailure) {
  pty_.reset();
  uint8_t byte = 0;
  const auto start = test::Clock::now();
  EXPECT_EQ(port_->Read(&byte, 1), -1);
  EXPECT_EQ(port_->Read(&byte, 1), -1) << "stays failed";
  EXPECT_LT(MillisecondsSince(start), 50.0);
  EXPECT_EQ(port_->Write(&byte, 1), -1);
}

TEST_F(SerialPortTest, WriteToAStuckLineEndsInTimeAndCountsWhatWentOut) {
  // Nobody reads the watch's side, so the line fills up.
  const auto chunk = Pattern(50);
  size_t accepted = 0;
  int last = static_cast<int>(chunk.size());
  for (int i = 0; i < 5000 && last == static_cast<int>(chunk.size()); ++i) {
    last = port_->Write(chunk.data(), chunk.size());
    ASSERT_GE(last, 0);
    accepted += static_cast<size_t>(last);
  }
  ASSERT_LT(last, static_cast<int>(chunk.size())) << "the line never filled up";

  const auto start = test::Clock::now();
  const int stuck = port_->Write(chunk.data(), 10);
  const double elapsed = MillisecondsSince(start);
  EXPECT_EQ(stuck, 0);
  EXPECT_GE(elapsed, 90.0);
  EXPECT_LT(elapsed, 500.0);

  EXPECT_EQ(Received(accepted + 1, 50).size(), accepted) << "the counts reported are what went out";
}

TEST(SerialPortOpen, NamesThatCannotBeOpenedGiveNothing) {
  for (const char* name : {"", "/dev/kemlog-no-such-port", "kemlog-no-such-port", "/nonexistent/ttyACM0"}) {
    EXPECT_EQ(OpenSerialPort(name, SerialSettings{}), nullptr) << name;
  }
}

TEST(SerialPortOpen, BareNameIsLookedUpUnderDev) {
  // /dev/ptmx is no serial line but a terminal all the same, and shows where a bare name leads.
  EXPECT_NE(OpenSerialPort("ptmx", SerialSettings{}), nullptr);
}

TEST(SerialPortOpen, FilesThatAreNoTerminalGiveNothing) {
  // They open, but the line settings cannot be applied to them.
  for (const char* name : {"null", "/dev/null", "/dev/zero"}) {
    EXPECT_EQ(OpenSerialPort(name, SerialSettings{}), nullptr) << name;
  }
}

// Whether a process other than the port's holder could open path now. Root may open exclusive
// lines regardless, so as root the attempt is made by a child that has dropped to nobody.
bool OthersCanOpen(const std::string& path) {
  if (::geteuid() != 0) return test::OpenRaw(path).Valid();
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    ::_exit(test::OpenRaw(path).Valid() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(SerialPortOpen, PortIsNotShared) {
  auto pty = OpenPseudoTerminal();
  ASSERT_NE(pty, nullptr);
  ASSERT_EQ(::chmod(pty->SlavePath().c_str(), 0666), 0);
  ASSERT_TRUE(OthersCanOpen(pty->SlavePath())) << "the test cannot tell exclusion from permissions";
  {
    auto port = OpenSerialPort(pty->SlavePath(), SerialSettings{});
    ASSERT_NE(port, nullptr);
    EXPECT_FALSE(OthersCanOpen(pty->SlavePath()));
  }
  EXPECT_TRUE(OthersCanOpen(pty->SlavePath())) << "closing the port frees the line";
}

// ---- Line settings -------------------------------------------------------------------------------

struct SpeedCase {
  uint32_t baud;
  speed_t expected;
};

void PrintTo(const SpeedCase& c, std::ostream* os) { *os << c.baud; }

class LineSettingsTest : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(LineSettingsTest, PortAppliesRawEightNOneWithoutFlowControl) {
  auto pty = OpenPseudoTerminal();
  ASSERT_NE(pty, nullptr);
  // Start from a line set up the opposite way, through the master (the settings are the line's).
  UniqueFd probe = test::OpenRaw(pty->SlavePath());
  ASSERT_TRUE(probe.Valid());
  termios cooked{};
  ASSERT_EQ(::tcgetattr(probe.Get(), &cooked), 0);
  cooked.c_iflag |= IXON | IXOFF | IXANY | ICRNL;
  cooked.c_oflag |= OPOST;
  cooked.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
  cooked.c_cflag = (cooked.c_cflag & ~static_cast<tcflag_t>(CSIZE | CLOCAL)) | CS7 | PARENB | CSTOPB | CRTSCTS;
  ::cfsetispeed(&cooked, B1200);
  ::cfsetospeed(&cooked, B1200);
  ASSERT_EQ(::tcsetattr(probe.Get(), TCSANOW, &cooked), 0);

  auto port = OpenSerialPort(pty->SlavePath(), SerialSettings{GetParam().baud});
  ASSERT_NE(port, nullptr);
  termios t{};
  ASSERT_EQ(::tcgetattr(probe.Get(), &t), 0);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  using Flags = std::initializer_list<tcflag_t>;
  for (tcflag_t off : Flags{PARENB, CSTOPB, CRTSCTS}) EXPECT_EQ(t.c_cflag & off, 0u) << "cflag " << off;
  for (tcflag_t on : Flags{CLOCAL, CREAD}) EXPECT_NE(t.c_cflag & on, 0u) << "cflag " << on;
  for (tcflag_t off : Flags{IXON, IXOFF, IXANY, ICRNL, INLCR, IGNCR, ISTRIP}) {
    EXPECT_EQ(t.c_iflag & off, 0u) << "iflag " << off;
  }
  for (tcflag_t off : Flags{ICANON, ECHO, ISIG, IEXTEN}) EXPECT_EQ(t.c_lflag & off, 0u) << "lflag " << off;
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(::cfgetospeed(&t), GetParam().expected);
  EXPECT_EQ(::cfgetispeed(&t), GetParam().expected);
}

std::string SpeedName(const ::testing::TestParamInfo<SpeedCase>& param) {
  return "Baud" + std::to_string(param.param.baud);
}

INSTANTIATE_TEST_SUITE_P(Speeds, LineSettingsTest,
                         ::testing::Values(SpeedCase{115200, B115200}, SpeedCase{9600, B9600},
                                           SpeedCase{57600, B57600}, SpeedCase{230400, B230400},
                                           SpeedCase{0, B115200},        // nothing set: the probe's speed
                                           SpeedCase{12345, B115200}),   // not a standard speed
                         SpeedName);

}  // namespace
}  // namespace kemlog::platform
