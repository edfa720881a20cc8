#include "device/firmware_update.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string_view>
#include <thread>

#include "device/port_discovery.h"
#include "device/sentence.h"

namespace kemlog::device {
namespace {

constexpr uint8_t kSoh = 0x01;
constexpr uint8_t kEot = 0x04;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kPadding = 0x1A;

constexpr int kOpenAttempts = 10;
constexpr uint32_t kOpenRetryMs = 500;
constexpr int kReadyPasses = 60;
constexpr uint32_t kReadyPassMs = 50;
constexpr int kSyncAttempts = 255;
constexpr uint32_t kSyncIntervalMs = 100;
constexpr uint32_t kSwitchMinimumMs = 1000;
constexpr uint32_t kAfterSwitchMs = 1000;
constexpr int kReconnectRetries = 3;
constexpr uint32_t kReconnectRetryMs = 500;
constexpr uint32_t kDoneNoticeMs = 3000;
// Bounds of waits that would otherwise last as long as the boot loader stays silent: the 'a'
// handshake (about 4 s of one-byte reads), the preparation wait (about 10 s without an 'E') and the
// acknowledgement of one packet (about 150 reads of up to 65 ms without an ACK). A boot loader that
// keeps sending 'E' is given up after a minute.
constexpr int kHandshakeAttempts = 2000;
constexpr int kPrepareIdleLimit = 5000;
constexpr uint32_t kPrepareLimitMs = 60000;
constexpr int kAckReadLimit = 150;

bool Contains(std::string_view text, std::string_view word) { return text.find(word) != std::string_view::npos; }

enum class AckResult { Acked, Gone, Silent };

AckResult WaitForAck(DevicePort& port, DeviceLink& link) {
  for (int reads = 0; port.DevicePresent; ++reads) {
    if (reads == kAckReadLimit) return AckResult::Silent;
    uint8_t received[64];
    if (link.Read(received, sizeof received) > 0 && received[0] == kAck) return AckResult::Acked;
  }
  return AckResult::Gone;
}

// The boot loader sends 'E' while it prepares; any other byte, or a long silence, ends the wait.
// False when it was still preparing after kPrepareLimitMs.
bool WaitWhileBootLoaderPrepares(DevicePort& port, DeviceLink& link) {
  const uint32_t start = link.TickCount();
  for (int idle = 0; port.DevicePresent && idle < kPrepareIdleLimit;) {
    if (link.TickCount() - start >= kPrepareLimitMs) return false;
    const int byte = link.ReadByte();
    if (byte < 0) {
      ++idle;
    } else if (byte == 'E') {
      idle = 0;
    } else {
      return true;
    }
  }
  return true;
}

// The packets of the image, then the end of transmission and, when the watch is still there, 'b'.
// An image that cannot be read whole, or not as long as when it was measured, fails without telling
// the boot loader that it ended.
FirmwareUpdateOutcome SendImage(DevicePort& port, DeviceLink& link, std::ifstream& image, uint32_t total,
                                FirmwareUpdateUi& ui) {
  if (!WaitWhileBootLoaderPrepares(port, link)) return FirmwareUpdateOutcome::TransferFailed;
  ui.SetProgress(0);
  if (!port.DevicePresent) return FirmwareUpdateOutcome::TransferFailed;

  FirmwarePacket packet{};
  uint8_t block = 1;
  bool imageEnded = false;
  for (uint32_t sent = 0;;) {
    std::array<char, kFirmwarePacketData> data{};
    image.read(data.data(), data.size());
    if (image.bad()) return FirmwareUpdateOutcome::TransferFailed;
    const auto got = static_cast<size_t>(image.gcount());
    if (got == kFirmwarePacketData && sent + 1 >= total) return FirmwareUpdateOutcome::TransferFailed;  // grew
    packet = BuildFirmwarePacket(block++, std::span(reinterpret_cast<const uint8_t*>(data.data()), got));
    link.Write(packet.data(), packet.size());
    const AckResult ack = WaitForAck(port, link);
    if (ack == AckResult::Silent) return FirmwareUpdateOutcome::TransferFailed;
    if (ack == AckResult::Gone) break;
    ui.SetProgress(FirmwareProgress(++sent, total));
    if (got < kFirmwarePacketData) {
      imageEnded = sent == total;
      if (!imageEnded) return FirmwareUpdateOutcome::TransferFailed;  // shrank
      ui.SetProgress(100);
      break;
    }
    if (!port.DevicePresent) break;
  }
  packet[0] = kEot;
  link.Write(packet.data(), packet.size());
  if (!port.DevicePresent || !imageEnded) return FirmwareUpdateOutcome::TransferFailed;
  link.Write("b");
  link.Close();
  ui.ShowMessage(kDoneMessage);
  port.FirmwareTransferActive = 0;
  link.Sleep(kDoneNoticeMs);
  return FirmwareUpdateOutcome::Completed;
}

FirmwareUpdateOutcome TransferImage(DevicePort& port, const std::string& imagePath, FirmwareUpdateUi& ui) {
  // The port is taken once, before the transfer phase begins: from then on presence tracking on the
  // user interface thread may close the port and drop DevicePort's handle, so this thread uses only
  // its own link (closing the port through it when done).
  DeviceLink link = port.Link();
  std::ifstream image(imagePath, std::ios::binary);
  if (!image) return FirmwareUpdateOutcome::TransferFailed;
  image.seekg(0, std::ios::end);
  const auto size = static_cast<uint64_t>(std::max<std::streamoff>(0, image.tellg()));
  image.seekg(0);
  char header[kFirmwareHeaderSize];
  image.read(header, sizeof header);
  if (!SyncBootLoader(link)) return FirmwareUpdateOutcome::TransferFailed;
  port.DevicePresent = 1;
  port.FirmwareTransferActive = 1;
  return SendImage(port, link, image, FirmwarePacketCount(size), ui);
}

bool ConnectWithRetries(DevicePort& port) {
  port.CloseDevicePort();
  port.Clock().Sleep(kAfterSwitchMs);
  for (int retry = 0;; ++retry) {
    if (ConnectBootLoader(port)) return true;
    if (retry == kReconnectRetries) return false;
    port.CloseDevicePort();
    port.Clock().Sleep(kReconnectRetryMs);
  }
}

}  // namespace

bool CheckFirmwareFile(const std::string& path) {
  if (!Contains(path, ".bin")) return false;
  std::ifstream file(path, std::ios::binary);
  char header[kFirmwareHeaderSize] = {};
  file.read(header, sizeof header);
  const size_t model = sizeof kFirmwareModelText - 1;
  return file.gcount() >= static_cast<std::streamsize>(model) && std::memcmp(header, kFirmwareModelText, model) == 0;
}

uint16_t Crc16Xmodem(std::span<const uint8_t> data) {
  uint16_t crc = 0;
  for (uint8_t byte : data) {
    crc = static_cast<uint16_t>(crc ^ (byte << 8));
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

FirmwarePacket BuildFirmwarePacket(uint8_t blockNumber, std::span<const uint8_t> data) {
  FirmwarePacket packet{};
  packet[0] = kSoh;
  packet[1] = blockNumber;
  packet[2] = static_cast<uint8_t>(255 - blockNumber);
  const size_t n = std::min(data.size(), kFirmwarePacketData);
  std::copy_n(data.begin(), n, packet.begin() + 3);
  if (n < kFirmwarePacketData) packet[3 + n] = kPadding;
  const uint16_t crc = Crc16Xmodem(std::span(packet).subspan(3, kFirmwarePacketData));
  packet[131] = static_cast<uint8_t>(crc >> 8);
  packet[132] = static_cast<uint8_t>(crc & 0xFF);
  return packet;
}

uint32_t FirmwarePacketCount(uint64_t fileSize) {
  const uint64_t body = fileSize > kFirmwareHeaderSize ? fileSize - kFirmwareHeaderSize : 0;
  return static_cast<uint32_t>(std::min<uint64_t>(body / kFirmwarePacketData + 1, UINT32_MAX));
}

int FirmwareProgress(uint32_t sent, uint32_t total) {
  // Large images move the bar one step per total/100 packets; small ones (fewer than 100 packets,
  // where that step would be 0) move it by sent × 100 / total.
  const uint64_t percent = total >= 100 ? sent / (total / 100) : uint64_t{sent} * 100 / std::max<uint32_t>(total, 1);
  return static_cast<int>(std::min<uint64_t>(percent, 100));
}

bool EnterFirmwareUpdateMode(DeviceLink& link) {
  const uint32_t start = link.TickCount();
  std::string answer;
  SendAndWaitText(link, "PKRV806", "806", answer);
  const uint32_t elapsed = link.TickCount() - start;
  if (elapsed < kSwitchMinimumMs) link.Sleep(kSwitchMinimumMs - elapsed);
  int number = 0;
  int status = 0;
  std::sscanf(answer.c_str(), "%03d,%d", &number, &status);
  return number == 806 && status == 3;
}

bool ConnectBootLoader(DevicePort& port) {
  port.DevicePresent = 1;
  bool opened = false;
  for (int attempt = 0; attempt < kOpenAttempts && !opened; ++attempt) {
    opened = port.OpenBootLoaderPort();
    if (!opened && attempt + 1 < kOpenAttempts) port.Clock().Sleep(kOpenRetryMs);
  }
  if (!opened) return false;
  DeviceLink link = port.Link();
  link.Write("q");
  uint8_t discarded[63];
  if (link.Read(discarded, sizeof discarded) < 0) return false;
  for (int pass = 0; pass < kReadyPasses; ++pass) {
    char text[65] = {};
    const int n = link.Read(reinterpret_cast<uint8_t*>(text), 64);
    // A line holding "Main" means ready; "Main" never spans a line end, so finding it anywhere in
    // what arrived is the same test.
    if (n > 0 && Contains(std::string_view(text, strnlen(text, static_cast<size_t>(n))), "Main")) return true;
    link.Sleep(kReadyPassMs);
  }
  return false;
}

bool SyncBootLoader(DevicePort& port) {
  DeviceLink link = port.Link();
  return SyncBootLoader(link);
}

bool SyncBootLoader(DeviceLink& link) {
  if (!link.IsOpen()) return false;
  bool written = false;
  for (int attempt = 0; attempt < kSyncAttempts && !written; ++attempt) {
    link.Sleep(kSyncIntervalMs);
    // Echoes of the handshake's 'a' bytes that arrived late are no answer to 'u'.
    link.DiscardInput();
    written = link.Write("u") == 1;
  }
  if (!written) return false;
  for (int read = 0; read < kSyncAttempts; ++read) {
    const int byte = link.ReadByte();
    if (byte == 'a') continue;  // an echo that was still on its way when the input was dropped
    if (byte >= 0) return byte == 'u';
  }
  return false;
}

FirmwareUpdateOutcome FirmwareTransferWorker(DevicePort& port, const std::string& imagePath, FirmwareUpdateUi& ui) {
  const FirmwareUpdateOutcome outcome = TransferImage(port, imagePath, ui);
  port.FirmwareTransferActive = 0;  // also after an unplug, so that no later update inherits it
  ui.RequestClose();
  return outcome;
}

FirmwareUpdateOutcome StartFirmwareTransfer(DevicePort& port, const std::string& imagePath, FirmwareUpdateUi& ui) {
  port.FirmwareUpdateActive = 1;
  DeviceLink link = port.Link();
  bool echoed = false;
  for (int attempt = 0; attempt < kHandshakeAttempts && !echoed; ++attempt) {
    link.Write("a");
    echoed = link.ReadByte() == 'a';
  }
  if (!echoed) {
    port.FirmwareUpdateActive = 0;
    port.CloseDevicePort();
    ui.ShowConnectionMessage();
    return FirmwareUpdateOutcome::NoBootLoader;
  }
  FirmwareUpdateOutcome outcome = FirmwareUpdateOutcome::TransferFailed;
  std::thread worker([&] { outcome = FirmwareTransferWorker(port, imagePath, ui); });
  ui.RunProgressPopup();
  worker.join();  // the worker's last step was the close request that ended the popup
  port.FirmwareUpdateActive = 0;
  return outcome;
}

FirmwareUpdateOutcome RunFirmwareUpdate(DevicePort& port, platform::DeviceList& devices, const std::string& imagePath,
                                        FirmwareUpdateUi& ui) {
  EnsureDevicePort(port, devices);
  if (!port.IsOpen()) {
    ui.ShowConnectionMessage();
    return FirmwareUpdateOutcome::NotReachable;
  }
  if (!CheckFirmwareFile(imagePath)) return FirmwareUpdateOutcome::InvalidImage;
  FirmwareUpdateOutcome outcome = FirmwareUpdateOutcome::Refused;
  DeviceLink link = port.Link();
  if (EnterFirmwareUpdateMode(link)) {
    if (ConnectWithRetries(port)) {
      outcome = StartFirmwareTransfer(port, imagePath, ui);
    } else {
      outcome = FirmwareUpdateOutcome::NoBootLoader;
      ui.ShowConnectionMessage();
    }
  }
  port.CloseDevicePort();
  return outcome;
}

}  // namespace kemlog::device
