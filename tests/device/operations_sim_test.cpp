// The maintenance operations end to end against the simulated watch on the in-memory link: version,
// GPS assist data, firmware through the boot loader, and the cable pulled during a transfer.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/device_presence.h"
#include "device/firmware_update.h"
#include "device/gps_data_update.h"
#include "device/version_query.h"
#include "firmware_ui.h"
#include "test_files.h"
#include "platform/headless/scripted_device_list.h"
#include "sim/headless_watch_device.h"

namespace kemlog::device {
namespace {

using platform::headless::ScriptedDeviceList;
using platform::headless::VirtualClock;

// The watch plugged in as COM5 on a machine that tracks devices coming and going.
struct WatchBench {
  WatchBench() {
    devices.WatchChanges([this] { app::OnDeviceChange(port, devices); });
    watch.Plug(devices, "COM5");
  }
  ~WatchBench() { devices.WatchChanges({}); }

  std::string File(const std::string& name, const std::vector<uint8_t>& bytes) {
    const auto path = dir / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    files.push_back(path);
    return path.string();
  }

  VirtualClock clock;
  ScriptedDeviceList devices;
  sim::HeadlessWatchDevice watch{clock, {}};
  DevicePort port{watch.Opener(), clock};
  std::filesystem::path dir = std::filesystem::temp_directory_path();
  std::vector<std::filesystem::path> files;
  testing::TestFirmwareUi ui;
};

using testing::FirmwareImageBytes;
using testing::FirmwarePacketData;
using testing::GpsDataFileBytes;

TEST(Operations, VersionOfTheSimulatedWatch) {
  WatchBench s;
  ASSERT_TRUE(s.port.IsOpen());
  s.watch.WithWatch([](sim::SimulatedWatch& w) {
    w.firmwareVersion = 20105;
    w.gpsDataDate = 170312;
  });
  DeviceLink link = s.port.Link();
  EXPECT_EQ(QueryDeviceVersion(link), "2.1.5       GPSデータ  17年04月");
}

TEST(Operations, GpsDataArrivesExactlyWithItsInformationBlock) {
  for (int rejectChunk : {-1, 1}) {
    WatchBench s;
    const auto file = GpsDataFileBytes(4096 * 2 + 300);
    const std::string path = s.File("gps-ops.bin", file);
    ASSERT_TRUE(CheckGpsDataFile(path, {}));
    s.watch.WithWatch([&](sim::SimulatedWatch& w) { w.Faults().rejectChunk = rejectChunk; });
    DeviceLink link = s.port.Link();
    const GpsDataSendResult result = SendGpsData(link, path, {});
    EXPECT_TRUE(result.Complete()) << rejectChunk;
    s.watch.WithWatch([&](sim::SimulatedWatch& w) {
      EXPECT_EQ(w.ReceivedGpsData(), file);
      EXPECT_TRUE(w.InfoBlockMatchesGpsData());
      EXPECT_EQ(w.Stats().chunksRejected, rejectChunk < 0 ? 0 : 1);
    });
  }
}

TEST(Operations, RefusedGpsDataStillSendsTheInformationBlock) {
  WatchBench s;
  s.watch.WithWatch([](sim::SimulatedWatch& w) { w.Faults().refuseGpsData = true; });
  std::vector<std::string> messages;
  DeviceLink link = s.port.Link();
  const GpsDataSendResult result =
      SendGpsData(link, s.File("gps-refused.bin", GpsDataFileBytes(500)), [&](const std::string& m) { messages.push_back(m); });
  EXPECT_FALSE(result.dataSent);
  EXPECT_TRUE(result.infoSent);
  EXPECT_EQ(messages, std::vector<std::string>{kGpsFileInvalidMessage});
}

TEST(Operations, FirmwareGoesThroughTheBootLoader) {
  struct Case {
    size_t body;
    size_t packets;
  };
  for (const Case& c : {Case{1000, 8}, Case{256, 3}}) {
    WatchBench s;
    const auto image = FirmwareImageBytes(c.body);
    const FirmwareUpdateOutcome outcome = RunFirmwareUpdate(s.port, s.devices, s.File("fw-ops.bin", image), s.ui);
    EXPECT_EQ(outcome, FirmwareUpdateOutcome::Completed) << c.body;
    s.watch.WithWatch([&](sim::SimulatedWatch& w) {
      EXPECT_TRUE(w.FirmwareUpdateCompleted());
      EXPECT_EQ(w.ReceivedFirmware(), FirmwarePacketData(image));
      EXPECT_EQ(w.Stats().packetsReceived, static_cast<int>(c.packets));
      EXPECT_EQ(w.Stats().badPackets, 0);
    });
    EXPECT_EQ(s.ui.progress.front(), 0);
    EXPECT_EQ(s.ui.progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(s.ui.progress.begin(), s.ui.progress.end()));
    EXPECT_EQ(s.ui.messages, std::vector<std::string>{kDoneMessage});
    EXPECT_EQ(s.ui.closeRequests, 1);
    EXPECT_FALSE(s.port.IsOpen());
    EXPECT_EQ(s.port.FirmwareUpdateActive, 0);
    EXPECT_EQ(s.port.FirmwareTransferActive, 0);
  }
}

TEST(Operations, PacketNumbersWrapAfter255) {
  WatchBench s;
  const auto image = FirmwareImageBytes(128 * 300 + 5);
  EXPECT_EQ(RunFirmwareUpdate(s.port, s.devices, s.File("fw-wrap.bin", image), s.ui), FirmwareUpdateOutcome::Completed);
  s.watch.WithWatch([&](sim::SimulatedWatch& w) {
    EXPECT_EQ(w.Stats().badPackets, 0);  // the watch checks block number and complement
    EXPECT_EQ(w.ReceivedFirmware(), FirmwarePacketData(image));
  });
}

TEST(Operations, FirmwareUpdateFailures) {
  struct Case {
    const char* name;
    void (*inject)(sim::WatchFaults&);
    FirmwareUpdateOutcome outcome;
    int connectionMessages;
  };
  const Case cases[] = {
      {"806 refused", [](sim::WatchFaults& f) { f.refuseUpdateMode = true; }, FirmwareUpdateOutcome::Refused, 0},
      {"boot loader without Main", [](sim::WatchFaults& f) { f.bootLoaderWithoutMain = true; },
       FirmwareUpdateOutcome::NoBootLoader, 1},
      {"boot loader hangs", [](sim::WatchFaults& f) { f.silentAfterPacket = 3; }, FirmwareUpdateOutcome::TransferFailed, 0},
  };
  for (const Case& c : cases) {
    WatchBench s;
    s.watch.WithWatch([&](sim::SimulatedWatch& w) { c.inject(w.Faults()); });
    const uint32_t start = s.clock.TickCount();
    EXPECT_EQ(RunFirmwareUpdate(s.port, s.devices, s.File("fw-fail.bin", FirmwareImageBytes(2000)), s.ui), c.outcome) << c.name;
    EXPECT_EQ(s.ui.connectionMessages, c.connectionMessages) << c.name;
    EXPECT_TRUE(s.ui.messages.empty()) << c.name;  // never "done"
    EXPECT_FALSE(s.port.IsOpen()) << c.name;
    EXPECT_EQ(s.port.FirmwareUpdateActive, 0) << c.name;
    s.watch.WithWatch([&](sim::SimulatedWatch& w) { EXPECT_FALSE(w.FirmwareUpdateCompleted()) << c.name; });
    if (c.outcome == FirmwareUpdateOutcome::NoBootLoader) {
      // Four connection attempts of sixty 50 ms passes each.
      EXPECT_GE(s.clock.TickCount() - start, 4u * 60 * 50) << c.name;
    }
  }
}

TEST(Operations, PullingTheCableDuringTheTransferStopsIt) {
  WatchBench s;
  s.ui.OnProgressReached(30, [&] { s.watch.Unplug(); });
  const auto outcome = RunFirmwareUpdate(s.port, s.devices, s.File("fw-unplug.bin", FirmwareImageBytes(128 * 40)), s.ui);
  EXPECT_EQ(outcome, FirmwareUpdateOutcome::TransferFailed);
  EXPECT_EQ(s.port.DevicePresent, 0);
  EXPECT_FALSE(s.port.IsOpen());
  EXPECT_TRUE(s.ui.messages.empty());
  EXPECT_EQ(s.ui.closeRequests, 1);
  EXPECT_LT(s.ui.progress.back(), 100);
  EXPECT_EQ(s.port.portName, "COM5");  // no scan ran
}

TEST(Operations, UnreachableWatchShowsTheConnectionMessage) {
  WatchBench s;
  s.watch.Unplug();
  EXPECT_EQ(RunFirmwareUpdate(s.port, s.devices, s.File("fw-none.bin", FirmwareImageBytes(300)), s.ui),
            FirmwareUpdateOutcome::NotReachable);
  EXPECT_EQ(s.ui.connectionMessages, 1);
  EXPECT_EQ(s.ui.popups, 0);
}

}  // namespace
}  // namespace kemlog::device
