// The watch on the in-memory link and on a pseudo-terminal, read through the program's end of each.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "device/sentence.h"
#include "platform/clock.h"
#include "platform/headless/memory_link.h"
#include "platform/serial.h"
#include "sim/memory_link_watch.h"
#include "sim/pty_watch_host.h"
#include "watch_client.h"

namespace kemlog::sim {
namespace {

using testing::BodyOf;

bool WriteLine(platform::SerialPort& port, const std::string& body) {
  const std::string line = device::FormatSentence(body);
  return port.Write(reinterpret_cast<const uint8_t*>(line.data()), line.size()) == static_cast<int>(line.size());
}

// Reads byte by byte until LF; nullopt after `patience` empty reads in a row.
std::optional<std::string> ReadLine(platform::SerialPort& port, int patience) {
  std::string line;
  for (int idle = 0; idle < patience;) {
    uint8_t b = 0;
    const int n = port.Read(&b, 1);
    if (n < 0) return std::nullopt;
    if (n == 0) {
      ++idle;
      continue;
    }
    idle = 0;
    line.push_back(static_cast<char>(b));
    if (b == '\n') return line;
  }
  return std::nullopt;
}

TEST(MemoryLinkWatch, AnswersOnTheLinkAndRepeatsInVirtualTime) {
  platform::headless::VirtualClock clock;
  platform::headless::MemoryLink link(clock);
  SimulatedWatch watch(GenerateWatchLogs(3, 2, 40));
  auto port = link.OpenProgramPort();
  {
    MemoryLinkWatch peer(watch, link);
    ASSERT_TRUE(WriteLine(*port, "PKRV829"));
    EXPECT_EQ(ReadLine(*port, 1), device::FormatSentence("PKRV861,10203,161231"));

    // No answer to the 901: the watch repeats it once the clock has moved on 2 s while the
    // program waits.
    ASSERT_TRUE(WriteLine(*port, "PKRV712,0,2"));
    EXPECT_EQ(BodyOf(ReadLine(*port, 1).value_or("")), "PKRV900,712,3");
    const std::optional<std::string> head = ReadLine(*port, 1);
    ASSERT_TRUE(head.has_value());
    const uint32_t sent = clock.TickCount();
    EXPECT_EQ(ReadLine(*port, 5000), head);
    EXPECT_GE(clock.TickCount() - sent, watch.repeatAfterMs);
    EXPECT_LE(clock.TickCount() - sent, watch.repeatAfterMs + 10);
  }
  // Detached: what the program writes no longer reaches the watch.
  const int before = watch.Stats().sentencesReceived;
  ASSERT_TRUE(WriteLine(*port, "PKRV711"));
  EXPECT_EQ(ReadLine(*port, 100), std::nullopt);
  EXPECT_EQ(watch.Stats().sentencesReceived, before);
}

TEST(PtyWatchHost, ServesTheWatchOnAPseudoTerminal) {
  SimulatedWatch watch(GenerateWatchLogs(3, 2, 40));
  PtyWatchHost host(watch);
  if (!host.Start()) GTEST_SKIP() << "no pseudo-terminal on this machine";
  EXPECT_TRUE(host.Start());  // already serving
  ASSERT_FALSE(host.Path().empty());
  auto port = platform::OpenSerialPort(host.Path(), platform::SerialSettings{115200});
  ASSERT_NE(port, nullptr);

  host.WithWatch([](SimulatedWatch& w) { w.firmwareVersion = 777; });
  ASSERT_TRUE(WriteLine(*port, "PKRV829"));
  // Real time now: 1000 empty reads of about 2 ms each.
  EXPECT_EQ(ReadLine(*port, 1000), device::FormatSentence("PKRV861,777,161231"));

  // A whole summary transfer through the real line.
  ASSERT_TRUE(WriteLine(*port, "PKRV712,0,2"));
  EXPECT_EQ(BodyOf(ReadLine(*port, 1000).value_or("")), "PKRV900,712,3");
  EXPECT_EQ(BodyOf(ReadLine(*port, 1000).value_or("")).value_or("").rfind("PKRV901,128,", 0), 0u);
  ASSERT_TRUE(WriteLine(*port, "PKRV900,901,3"));
  EXPECT_EQ(BodyOf(ReadLine(*port, 1000).value_or("")).value_or("").rfind("PKRV902,0,128,", 0), 0u);
  ASSERT_TRUE(WriteLine(*port, "PKRV900,902,3"));
  std::vector<uint8_t> block;
  for (int idle = 0; block.size() < 128 && idle < 1000;) {
    uint8_t b = 0;
    const int n = port->Read(&b, 1);
    if (n == 1) block.push_back(b);
    idle = n == 1 ? 0 : idle + 1;
  }
  EXPECT_EQ(block, SummaryPayload(watch.Logs()));
  ASSERT_TRUE(WriteLine(*port, "PKRV900,902,3"));

  int completed = 0;
  for (int i = 0; i < 500 && completed == 0; ++i) {
    host.WithWatch([&](SimulatedWatch& w) { completed = w.Stats().payloadsCompleted; });
    if (completed == 0) platform::SystemClock().Sleep(2);
  }
  EXPECT_EQ(completed, 1);

  const auto start = std::chrono::steady_clock::now();
  host.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  host.Stop();  // twice is harmless
}

}  // namespace
}  // namespace kemlog::sim
