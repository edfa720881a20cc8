// The log download through the real serial backend against the simulated watch on a pseudo-terminal.

#include <gtest/gtest.h>

#include "device/device_port.h"
#include "device/log_download.h"
#include "device/messages.h"
#include "download_fixture.h"
#include "platform/clock.h"
#include "platform/serial.h"
#include "sim/pty_watch_host.h"
#include "sim/simulated_watch.h"

namespace kemlog::device {
namespace {

struct PtyDownload {
  explicit PtyDownload(std::vector<sim::WatchLog> logs) : watch(std::move(logs)) {}

  bool Open() {
    if (!host.Start()) return false;
    port.portName = host.Path();
    return port.OpenDevicePort();
  }
  DownloadOutcome Run() {
    DeviceLink link = port.Link();
    return LogDownloadWorker(link, folder.Path(), sink);
  }

  sim::SimulatedWatch watch;
  sim::PtyWatchHost host{watch};
  DevicePort port{platform::OpenSerialPort, platform::SystemClock()};
  testing::TempFolder folder;
  testing::RecordingSink sink;
};

TEST(PtyDownload, CorruptedBlockIsSentAgainAndEveryLogArrives) {
  PtyDownload d(sim::GenerateWatchLogs(21, 2, 300));
  d.host.WithWatch([](sim::SimulatedWatch& w) {
    w.blockSize = 1024;
    w.Faults().corruptBlock = 3;
  });
  ASSERT_TRUE(d.Open());
  ASSERT_EQ(d.Run(), DownloadOutcome::Completed);
  ASSERT_EQ(d.sink.paths.size(), 2u);
  for (size_t i = 0; i < 2; ++i) testing::ExpectFileHoldsLog(d.sink.paths[i], d.watch.Logs()[i]);
  int rejected = 0;
  d.host.WithWatch([&](sim::SimulatedWatch& w) { rejected = w.Stats().blocksRejected; });
  EXPECT_EQ(rejected, 1);
}

TEST(PtyDownload, SilenceAfterTheFirstLogFailsAndKeepsIt) {
  PtyDownload d(sim::GenerateWatchLogs(22, 3, 50));
  d.host.WithWatch([](sim::SimulatedWatch& w) { w.Faults().silentAtPointRequest = 1; });
  ASSERT_TRUE(d.Open());
  ASSERT_EQ(d.Run(), DownloadOutcome::TransferFailed);
  ASSERT_EQ(d.sink.paths.size(), 1u);
  testing::ExpectFileHoldsLog(d.sink.paths[0], d.watch.Logs()[0]);
  EXPECT_EQ(d.sink.messages.back(), kConnectionMessage);
}

}  // namespace
}  // namespace kemlog::device
