// The maintenance commands through the real serial backend against the simulated watch on a
// pseudo-terminal; the watch tells what it received.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/commands.h"
#include "cli/demo_watch.h"
#include "cli/watch_connection.h"
#include "device/messages.h"
#include "platform/headless/scripted_device_list.h"
#include "sim/pty_watch_host.h"
#include "sim/simulated_watch.h"
#include "tests/device/test_files.h"

namespace kemlog::cli {
namespace {

struct Result {
  int code;
  std::string out;
  std::string err;
};

class WatchOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host_.Start());
    dir_ = std::filesystem::temp_directory_path() / ("kemlog-cmd-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  Result Cli(Args args) {
    args.push_back("--port");
    args.push_back(host_.Path());
    std::ostringstream out, err;
    const int code = RunCli(args, out, err);
    return {code, out.str(), err.str()};
  }
  std::string File(const std::string& name, const std::vector<uint8_t>& bytes) {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
  }

  sim::SimulatedWatch watch_{{}};
  sim::PtyWatchHost host_{watch_};
  std::filesystem::path dir_;
};

TEST_F(WatchOnPty, VersionPrintsTheSettingsLine) {
  host_.WithWatch([](sim::SimulatedWatch& w) {
    w.firmwareVersion = 10203;
    w.gpsDataDate = 161231;
  });
  const Result r = Cli({"version"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "1.2.3       GPSデータ  17年01月\n");
}

TEST_F(WatchOnPty, GpsUpdateSendsExactlyTheFile) {
  const std::vector<uint8_t> file = testing::GpsDataFileBytes(6000);
  const Result r = Cli({"gps-update", File("gps.bin", file)});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("完了しました"), std::string::npos);
  host_.WithWatch([&](sim::SimulatedWatch& w) {
    EXPECT_EQ(w.ReceivedGpsData(), file);
    EXPECT_TRUE(w.InfoBlockMatchesGpsData());
  });
}

TEST_F(WatchOnPty, GpsUpdateRefusesABadHeaderWithoutTalkingToTheWatch) {
  const Result r = Cli({"gps-update", File("bad.bin", testing::RandomBytes(100, 1))});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("無効なGPSデータです"), std::string::npos);
  host_.WithWatch([](sim::SimulatedWatch& w) { EXPECT_EQ(w.Stats().sentencesReceived, 0); });
}

TEST_F(WatchOnPty, FirmwareUpdateSendsExactlyTheImage) {
  const std::vector<uint8_t> image = testing::FirmwareImageBytes(700);
  const Result r = Cli({"firmware-update", File("fw.bin", image)});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("100%"), std::string::npos);
  const std::vector<uint8_t> expected = testing::FirmwarePacketData(image);
  ASSERT_EQ(expected.size(), 6u * 128);
  host_.WithWatch([&](sim::SimulatedWatch& w) {
    EXPECT_TRUE(w.FirmwareUpdateCompleted());
    EXPECT_EQ(w.ReceivedFirmware(), expected);
  });
}

TEST_F(WatchOnPty, UnreachableWatchPrintsTheConnectionMessage) {
  std::ostringstream out, err;
  EXPECT_EQ(RunCli({"version", "--port", (dir_ / "nothing").string()}, out, err), 1);
  EXPECT_NE(err.str().find(device::kConnectionMessage), std::string::npos);
}

TEST_F(WatchOnPty, VersionFailsWhenTheWatchDoesNotAnswer) {
  host_.WithWatch([](sim::SimulatedWatch& w) { w.Faults().silentAfterBytes = 0; });
  const Result r = Cli({"version"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("did not answer"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(device::kConnectionMessage), std::string::npos);
}

// The simulated watch's options mean the same to every command; a bad one is a usage error before
// anything is opened.
TEST(DemoOptions, BadValuesAreUsageErrorsForEveryCommand) {
  const Args bad[] = {{"--logs", "x"}, {"--points", "-1"}, {"--seed", "4294967296"}, {"--logs", "1001"},
                      {"--points", "1000001"}, {"--logs", "1000", "--points", "10001"}};
  for (const char* command : {"download", "version", "gps-update", "firmware-update", "sim"}) {
    for (const Args& options : bad) {
      Args args = {command};
      if (std::string(command) == "gps-update") args.push_back("gps.bin");
      if (std::string(command) == "firmware-update") args.push_back("fw.bin");
      if (std::string(command) != "sim") args.push_back("--demo");
      args.insert(args.end(), options.begin(), options.end());
      std::ostringstream out, err;
      EXPECT_EQ(RunCli(args, out, err), 2) << command << " " << options[0] << " " << options[1];
      EXPECT_NE(err.str().find("Try 'kemlog-cli"), std::string::npos) << err.str();
    }
  }
}

TEST(DemoOptions, DefaultsAndBounds) {
  struct Case {
    Args args;
    bool ok;
    uint32_t seed;
    int logs;
    int points;
  };
  const Case cases[] = {
      {{}, true, kDemoSeed, kDemoLogs, kDemoPoints},
      {{"--seed", "4294967295", "--logs", "10", "--points", "1000000"}, true, 4294967295u, 10, 1000000},
      {{"--logs", "1000", "--points", "10000"}, true, kDemoSeed, 1000, 10000},
      {{"--logs", "1000", "--points", "10001"}, false, 0, 0, 0},
      {{"--logs", ""}, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const Arguments a(c.args, kWatchOptions, kWatchFlags);
    std::string problem;
    const std::optional<DemoOptions> demo = ParseDemoOptions(a, problem);
    ASSERT_EQ(demo.has_value(), c.ok) << problem;
    EXPECT_EQ(problem.empty(), c.ok);
    if (!demo) continue;
    EXPECT_EQ(demo->seed, c.seed);
    EXPECT_EQ(demo->logs, c.logs);
    EXPECT_EQ(demo->points, c.points);
  }
}

// A watch whose friendly name carries no port leaves the port to the scan.
TEST(FindNamedPort, OnlyANameWithAPortCountsAsFound) {
  struct Case {
    const char* friendlyName;  // nullptr: no watch plugged in
    bool unreadable;
    int found;
    const char* portName;
  };
  const Case cases[] = {
      {"Communication Device Class ASF example (ttyACM3)", false, 1, "ttyACM3"},
      {"Communication Device Class ASF example", false, 0, ""},
      {"Communication Device Class ASF example ()", false, 0, ""},
      {nullptr, false, 0, ""},
      {nullptr, true, 0, ""},
  };
  for (const Case& c : cases) {
    platform::headless::ScriptedDeviceList devices;
    if (c.friendlyName) devices.Plug(platform::PresentDevice{c.friendlyName, {}});
    devices.listUnreadable = c.unreadable;
    std::string portName;
    EXPECT_EQ(FindNamedPort(devices, portName), c.found) << (c.friendlyName ? c.friendlyName : "none");
    EXPECT_EQ(portName, c.portName);
  }
}

}  // namespace
}  // namespace kemlog::cli
