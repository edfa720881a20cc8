// Throughput of the main job's steps for one long log: fetching its 20,000 points from the simulated
// watch (over a pseudo-terminal and over the in-memory link), writing its GPX file and reading it
// back. Prints bytes per second and points per second for each step.

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "device/block_transfer.h"
#include "device/device_link.h"
#include "device/sentence.h"
#include "platform/clock.h"
#include "platform/headless/memory_link.h"
#include "platform/headless/virtual_clock.h"
#include "platform/serial.h"
#include "sim/memory_link_watch.h"
#include "sim/pty_watch_host.h"
#include "sim/simulated_watch.h"
#include "sim/watch_logs.h"
#include "track/gpx_file.h"
#include "track/log_records.h"

namespace {

using namespace kemlog;
constexpr int kPoints = 20000;

struct Figure {
  double seconds = 0;
  bool ok = false;
};

Figure Time(const std::function<bool()>& step) {
  const auto start = std::chrono::steady_clock::now();
  const bool ok = step();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), ok};
}

void Print(const char* step, const Figure& f, double bytes) {
  if (!f.ok) {
    std::printf("%-28s FAILED\n", step);
    return;
  }
  std::printf("%-28s %8.3f s %12.0f bytes/s %10.0f points/s\n", step, f.seconds, bytes / f.seconds, kPoints / f.seconds);
}

// Requests the log's points and receives them: the transfer part of the download of one log.
bool FetchPoints(device::DeviceLink& link, const sim::WatchLog& log, std::vector<uint8_t>& payload) {
  device::SendSentence(link, "PKRV713," + std::to_string(log.pointStart) + "," + std::to_string(log.points.size()));
  std::array<char, 1024> reply{};
  if (!device::WaitReply(900, reply, link, device::kReplyBudget)) return false;
  return device::ReceiveBlocks(link, payload) && payload == sim::PointPayload(log);
}

Figure OverMemoryLink(sim::SimulatedWatch& watch, std::vector<uint8_t>& payload) {
  platform::headless::VirtualClock clock;
  platform::headless::MemoryLink link(clock);
  sim::MemoryLinkWatch peer(watch, link);
  auto port = link.OpenProgramPort();
  device::DeviceLink device(port.get(), clock);
  return Time([&] { return FetchPoints(device, watch.Logs().front(), payload); });
}

Figure OverPseudoTerminal(sim::SimulatedWatch& watch, std::vector<uint8_t>& payload) {
  sim::PtyWatchHost host(watch);
  if (!host.Start()) return {};
  auto port = platform::OpenSerialPort(host.Path(), platform::SerialSettings{115200});
  if (!port) return {};
  device::DeviceLink device(port.get(), platform::SystemClock());
  return Time([&] { return FetchPoints(device, watch.Logs().front(), payload); });
}

}  // namespace

int main() {
  sim::SimulatedWatch watch(sim::GenerateWatchLogs(1, 1, kPoints));
  const double payloadBytes = double(kPoints) * track::kTrackPointSize;
  std::vector<uint8_t> payload(static_cast<size_t>(payloadBytes));
  std::printf("one log of %d points (%.0f bytes of point records)\n", kPoints, payloadBytes);

  Print("download, in-memory link", OverMemoryLink(watch, payload), payloadBytes);
  std::fill(payload.begin(), payload.end(), 0);
  Print("download, pseudo-terminal", OverPseudoTerminal(watch, payload), payloadBytes);

  const auto folder = std::filesystem::temp_directory_path() / "kemlog-bench";
  std::filesystem::create_directories(folder);
  const std::vector<track::TrackPointRecord> points = track::DecodeTrackPoints(payload);
  track::LogSummaryRecord summary;
  summary.startTime = watch.Logs().front().startTime;
  summary.pointCount = static_cast<uint32_t>(points.size());
  track::LogSummaryRecord shifted = summary;
  const Figure write = Time([&] {
    return track::WriteGpxFile(points, 32400, shifted, folder.string(), [](const std::string& m) {
      std::fprintf(stderr, "%s\n", m.c_str());
    });
  });
  const std::string path = track::GpxFilePath(folder.string(), shifted.startTime);
  const double fileBytes = static_cast<double>(std::filesystem::file_size(path));
  Print("GPX write", write, fileBytes);
  size_t readBack = 0;
  const Figure read = Time([&] {
    readBack = track::ReadGpxPoints(path).size();
    return readBack == points.size();
  });
  Print("GPX read", read, fileBytes);
  std::filesystem::remove_all(folder);
  return write.ok && read.ok ? 0 : 1;
}
