#include "device/log_download.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "device/messages.h"
#include "download_fixture.h"
#include "platform/headless/memory_link.h"
#include "scripted_peer.h"
#include "sim/memory_link_watch.h"
#include "sim/simulated_watch.h"
#include "track/device_time.h"

namespace kemlog::device {
namespace {

using testing::RecordingSink;
using testing::TempFolder;

// The simulated watch on the in-memory link, and one download run against it.
struct SimDownload {
  explicit SimDownload(std::vector<sim::WatchLog> logs) : watch(std::move(logs)) {}

  DownloadOutcome Run() {
    DeviceLink device(port.get(), clock);
    return LogDownloadWorker(device, folder.Path(), sink);
  }

  platform::headless::VirtualClock clock;
  platform::headless::MemoryLink link{clock};
  sim::SimulatedWatch watch;
  sim::MemoryLinkWatch peer{watch, link};
  std::unique_ptr<platform::SerialPort> port = link.OpenProgramPort();
  TempFolder folder;
  RecordingSink sink;
};

std::string ExpectedPath(const std::string& folder, const sim::WatchLog& log) {
  return track::GpxFilePath(folder, log.startTime + track::kLocalTimeOffset);
}

TEST(LogDownload, StoresEveryLogInTheWatchsOrder) {
  SimDownload d(sim::GenerateWatchLogs(7, 3, 120));
  ASSERT_EQ(d.Run(), DownloadOutcome::Completed);

  EXPECT_EQ(d.sink.messages, (std::vector<std::string>{"履歷1", "履歷2", "履歷3"}));
  ASSERT_EQ(d.sink.paths.size(), 3u);
  ASSERT_EQ(d.sink.rows.size(), 3u);
  EXPECT_EQ(d.folder.FileCount(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const sim::WatchLog& log = d.watch.Logs()[i];
    EXPECT_EQ(d.sink.rows[i].first, static_cast<int>(i));  // row k goes with list entry k
    EXPECT_EQ(d.sink.paths[i], ExpectedPath(d.folder.Path(), log));
    testing::ExpectFileHoldsLog(d.sink.paths[i], log);
  }
  EXPECT_EQ(d.sink.closeRequests, 1);
  EXPECT_TRUE(d.sink.fileErrors.empty());
}

TEST(LogDownload, RowAndFileOfAKnownLog) {
  sim::WatchLog log;
  log.startTime = 515403000;  // 2016-05-01 07:30:00 on the watch
  log.duration = 1800;
  log.distance = 5000;
  log.calories = 3456;
  log.points = {{515403000, 21401232, 83859672, 12, 100, 120, 3, 40, 0, 0},
                {515404800, 21402000, 83860000, 15, 110, 150, 5, 60, 5000, 3456}};
  SimDownload d({log});
  ASSERT_EQ(d.Run(), DownloadOutcome::Completed);
  ASSERT_EQ(d.sink.rows.size(), 1u);
  EXPECT_EQ(d.sink.rows[0].second,
            (track::HistoryRow{"2016/05/01 16:30~17:00", "0:30:00", "6'00\" /km", "345.6 kcal", "5.00 km"}));
  ASSERT_EQ(d.sink.paths.size(), 1u);
  EXPECT_EQ(std::filesystem::path(d.sink.paths[0]).filename(), "Kem_20160501_163000.gpx");
  testing::ExpectFileHoldsLog(d.sink.paths[0], log);
}

TEST(LogDownload, QuietEnds) {
  struct Case {
    const char* name;
    int logs;
    long silentAfterBytes;
    DownloadOutcome outcome;
  };
  for (const Case& c : {Case{"no logs", 0, -1, DownloadOutcome::NoLogs},
                        Case{"no answer", 2, 0, DownloadOutcome::NoAnswer}}) {
    SimDownload d(sim::GenerateWatchLogs(3, c.logs, 20));
    d.watch.Faults().silentAfterBytes = c.silentAfterBytes;
    EXPECT_EQ(d.Run(), c.outcome) << c.name;
    EXPECT_TRUE(d.sink.messages.empty()) << c.name;
    EXPECT_TRUE(d.sink.paths.empty()) << c.name;
    EXPECT_EQ(d.sink.closeRequests, 1) << c.name;
    EXPECT_EQ(d.folder.FileCount(), 0u) << c.name;
  }
}

// Faults the download rides out: every log still arrives intact.
TEST(LogDownload, RecoversFromTransferFaults) {
  struct Case {
    const char* name;
    void (*inject)(sim::WatchFaults&);
  };
  const Case cases[] = {
      {"corrupted block", [](sim::WatchFaults& f) { f.corruptBlock = 2; }},
      {"blocks out of order", [](sim::WatchFaults& f) { f.blocksOutOfOrder = true; }},
      {"noise between sentences", [](sim::WatchFaults& f) { f.noise = true; }},
      {"announcement beyond the end", [](sim::WatchFaults& f) { f.announceBeyondEnd = true; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimDownload d(sim::GenerateWatchLogs(11, 3, 200));
    d.watch.blockSize = 1000;  // several blocks per log
    c.inject(d.watch.Faults());
    ASSERT_EQ(d.Run(), DownloadOutcome::Completed);
    ASSERT_EQ(d.sink.paths.size(), 3u);
    for (size_t i = 0; i < 3; ++i) testing::ExpectFileHoldsLog(d.sink.paths[i], d.watch.Logs()[i]);
  }
}

TEST(LogDownload, CorruptedBlockIsRejectedAndSentAgain) {
  SimDownload d(sim::GenerateWatchLogs(11, 2, 100));
  d.watch.Faults().corruptBlock = 1;
  ASSERT_EQ(d.Run(), DownloadOutcome::Completed);
  EXPECT_EQ(d.watch.Stats().blocksRejected, 1);
  EXPECT_NE(d.link.ProgramOutput().find("$PKRV900,902,2*"), std::string::npos);
}

TEST(LogDownload, SkipsALogTheWatchRefuses) {
  SimDownload d(sim::GenerateWatchLogs(5, 3, 50));
  d.watch.Faults().rejectPointRequest = 1;
  ASSERT_EQ(d.Run(), DownloadOutcome::Completed);
  EXPECT_EQ(d.sink.messages, (std::vector<std::string>{"履歷1", "履歷2", "履歷3"}));
  ASSERT_EQ(d.sink.paths.size(), 2u);
  EXPECT_EQ(d.sink.paths[1], ExpectedPath(d.folder.Path(), d.watch.Logs()[2]));
  EXPECT_EQ(d.sink.rows[1].first, 1);
}

TEST(LogDownload, CablePulledDuringTheThirdLogKeepsTheFirstTwo) {
  SimDownload d(sim::GenerateWatchLogs(9, 4, 80));
  d.watch.Faults().silentAtPointRequest = 2;
  const uint32_t start = d.clock.TickCount();
  ASSERT_EQ(d.Run(), DownloadOutcome::TransferFailed);
  ASSERT_EQ(d.sink.paths.size(), 2u);
  for (size_t i = 0; i < 2; ++i) testing::ExpectFileHoldsLog(d.sink.paths[i], d.watch.Logs()[i]);
  EXPECT_EQ(d.sink.messages.back(), kConnectionMessage);
  EXPECT_EQ(d.sink.closeRequests, 1);
  EXPECT_GE(d.clock.TickCount() - start, 6000u + kFailureNoticeMs);  // the reply wait, then the notice
}

TEST(LogDownload, SilenceInsideTheSummariesFailsWithNothingStored) {
  SimDownload d(sim::GenerateWatchLogs(9, 40, 10));
  d.watch.Faults().silentAfterBytes = 1500;  // part-way through the 2560 summary bytes
  EXPECT_EQ(d.Run(), DownloadOutcome::TransferFailed);
  EXPECT_TRUE(d.sink.paths.empty());
  EXPECT_EQ(d.sink.messages, std::vector<std::string>{kConnectionMessage});
}

TEST(LogDownload, SummaryRequestNotAcceptedEndsLikeAFailedTransfer) {
  testing::LinkFixture f;
  f.peer.onLine = [&](const std::string& line) {
    if (line.rfind("$PKRV711*", 0) == 0) f.peer.SendSentence("PKRV611,2");
    if (line.rfind("$PKRV712,0,2*", 0) == 0) f.peer.SendSentence("PKRV900,712,2");
  };
  TempFolder folder;
  RecordingSink sink;
  EXPECT_EQ(LogDownloadWorker(f.device, folder.Path(), sink), DownloadOutcome::TransferFailed);
  EXPECT_EQ(sink.messages, std::vector<std::string>{kConnectionMessage});
  EXPECT_EQ(sink.closeRequests, 1);
  EXPECT_EQ(f.link.PurgeCount(), 1);
}

TEST(LogDownload, UnwritableFolderStillListsTheLogAndReportsTheError) {
  SimDownload d(sim::GenerateWatchLogs(2, 1, 10));
  DeviceLink device(d.port.get(), d.clock);
  const std::string missing = d.folder.Path() + "/missing/folder";
  EXPECT_EQ(LogDownloadWorker(device, missing, d.sink), DownloadOutcome::Completed);
  EXPECT_EQ(d.sink.paths.size(), 1u);
  EXPECT_EQ(d.sink.fileErrors.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(d.sink.paths[0]));
}

}  // namespace
}  // namespace kemlog::device
