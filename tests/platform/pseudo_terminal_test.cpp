// The pseudo-terminal master, driven against a slave opened with plain system calls.

#include "platform/pty.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <thread>

#include "tests/platform/pty_helpers.h"

namespace kemlog::platform {
namespace {

using test::MillisecondsSince;
using test::OpenRaw;
using test::Pattern;
using test::ReadFd;

// Bytes that a cooked line would change, swallow or act on: newline, carriage return, interrupt,
// end of file, erase, kill, XON/XOFF, NUL, and bytes with the high bit set.
const std::vector<uint8_t> kControlBytes = {'\n', '\r', 0x03, 0x04, 0x7F, 0x15, 0x11, 0x13, 0x00, 0xFF, 0x80, 'A'};

class PseudoTerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pty_ = OpenPseudoTerminal();
    ASSERT_NE(pty_, nullptr);
  }
  std::unique_ptr<PseudoTerminal> pty_;
};

TEST_F(PseudoTerminalTest, SlavePathIsACharacterDevice) {
  struct stat st {};
  ASSERT_EQ(::stat(pty_->SlavePath().c_str(), &st), 0) << pty_->SlavePath();
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_NE(pty_->SlavePath(), OpenPseudoTerminal()->SlavePath());
}

TEST_F(PseudoTerminalTest, LineIsRawInBothDirections) {
  UniqueFd slave = OpenRaw(pty_->SlavePath());
  ASSERT_TRUE(slave.Valid());

  ASSERT_TRUE(pty_->WriteAll(kControlBytes.data(), kControlBytes.size()));
  EXPECT_EQ(ReadFd(slave.Get(), kControlBytes.size()), kControlBytes);

  ASSERT_EQ(::write(slave.Get(), kControlBytes.data(), kControlBytes.size()),
            static_cast<ssize_t>(kControlBytes.size()));
  std::vector<uint8_t> got(64);
  size_t total = 0;
  for (int i = 0; i < 10 && total < kControlBytes.size(); ++i) {
    const int n = pty_->Read(got.data() + total, got.size() - total, 200);
    ASSERT_GE(n, 0);
    total += static_cast<size_t>(n);
  }
  got.resize(total);
  EXPECT_EQ(got, kControlBytes);  // also: nothing echoed back ahead of them
}

TEST_F(PseudoTerminalTest, LargeWriteArrivesIntactWhileTheSlaveReads) {
  UniqueFd slave = OpenRaw(pty_->SlavePath());
  ASSERT_TRUE(slave.Valid());
  const auto data = Pattern(200'000);  // far more than the line holds
  std::vector<uint8_t> received;
  std::thread reader([&] { received = ReadFd(slave.Get(), data.size()); });
  EXPECT_TRUE(pty_->WriteAll(data.data(), data.size()));
  reader.join();
  EXPECT_EQ(received, data);
}

struct SilentCase {
  const char* name;
  bool openSlave;
  bool closeSlaveFirst;  // a slave came and went: the master's reads now fail with EIO
};

void PrintTo(const SilentCase& c, std::ostream* os) { *os << c.name; }

class SilentLineTest : public PseudoTerminalTest, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(SilentLineTest, ReadTimesOutWithZeroWithoutSpinning) {
  UniqueFd slave;
  if (GetParam().openSlave || GetParam().closeSlaveFirst) slave = OpenRaw(pty_->SlavePath());
  if (GetParam().closeSlaveFirst) slave.Reset();

  uint8_t byte = 0;
  const std::clock_t cpuStart = std::clock();
  const auto start = test::Clock::now();
  EXPECT_EQ(pty_->Read(&byte, 1, 60), 0);
  const double elapsed = MillisecondsSince(start);
  const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  EXPECT_GE(elapsed, 59.0);
  EXPECT_LT(elapsed, 300.0);
  EXPECT_LT(cpuMs, 30.0) << "the wait burnt the processor";
}

std::string CaseName(const ::testing::TestParamInfo<SilentCase>& param) { return param.param.name; }

INSTANTIATE_TEST_SUITE_P(Lines, SilentLineTest,
                         ::testing::Values(SilentCase{"NoSlaveYet", false, false},
                                           SilentCase{"SlaveOpen", true, false},
                                           SilentCase{"SlaveGone", false, true}),
                         CaseName);

TEST_F(PseudoTerminalTest, SlaveThatReopensDuringAWaitIsServed) {
  OpenRaw(pty_->SlavePath());  // opened and closed at once: reads on the master now fail with EIO
  std::thread peer([path = pty_->SlavePath()] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    UniqueFd slave = OpenRaw(path);
    const uint8_t byte = 'x';
    (void)::write(slave.Get(), &byte, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  });
  uint8_t got = 0;
  const auto start = test::Clock::now();
  const int n = pty_->Read(&got, 1, 1000);
  const double elapsed = MillisecondsSince(start);
  peer.join();
  EXPECT_EQ(n, 1);
  EXPECT_EQ(got, 'x');
  EXPECT_LT(elapsed, 300.0);
}

}  // namespace
}  // namespace kemlog::platform
