// The maintenance commands through the real serial backend against the simulated watch on a
// pseudo-terminal; the watch tells what it received.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/commands.h"
#include "device/messages.h"
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

}  // namespace
}  // namespace kemlog::cli
