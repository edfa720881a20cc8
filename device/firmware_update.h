#pragma once
// Replacing the watch's firmware: checking the image, switching the watch to its boot loader, and
// sending the image in 133-byte XMODEM-CRC packets.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "device/device_port.h"
#include "platform/devices.h"

namespace kemlog::device {

inline constexpr char kFirmwareModelText[] = "KRV ZQN 4170";
inline constexpr size_t kFirmwareHeaderSize = 24;
inline constexpr size_t kFirmwarePacketSize = 133;
inline constexpr size_t kFirmwarePacketData = 128;
inline constexpr const char* kUpdatingMessage = "アップデート中 ※";
inline constexpr const char* kDoneMessage = "完了しました";

using FirmwarePacket = std::array<uint8_t, kFirmwarePacketSize>;

// True when path contains ".bin" and the file starts with the model text.
bool CheckFirmwareFile(const std::string& path);

// CRC-16/XMODEM (polynomial 0x1021, initial 0, MSB first, no final XOR).
uint16_t Crc16Xmodem(std::span<const uint8_t> data);

// SOH, block number, its complement, 128 data bytes (a short piece is followed by 0x1A and zeros),
// CRC high byte, CRC low byte.
FirmwarePacket BuildFirmwarePacket(uint8_t blockNumber, std::span<const uint8_t> data);

// Packets of an image file of fileSize bytes: (size − header) / 128 + 1.
uint32_t FirmwarePacketCount(uint64_t fileSize);
// The bar after `sent` acknowledged packets of `total`: 0..100.
int FirmwareProgress(uint32_t sent, uint32_t total);

// What the update shows while it runs. Called from the transfer's worker thread, except
// RunProgressPopup and ShowConnectionMessage, which run on the caller's thread.
class FirmwareUpdateUi {
 public:
  virtual ~FirmwareUpdateUi() = default;
  // Shows the progress popup with kUpdatingMessage and returns once RequestClose has been called
  // (also when that happened before the popup showed).
  virtual void RunProgressPopup() = 0;
  virtual void SetProgress(int percent) = 0;
  virtual void ShowMessage(const std::string& text) = 0;
  virtual void RequestClose() = 0;
  // The popup with the connection message, closed by the user.
  virtual void ShowConnectionMessage() = 0;
};

// PKRV806, answered with a text holding "806,3"; takes at least 1000 ms.
bool EnterFirmwareUpdateMode(DeviceLink& link);
// Reopens port.portName for the boot loader and waits for its "Main" line after 'q'.
bool ConnectBootLoader(DevicePort& port);
// Sends 'u' until written (dropping unread input before each try), then expects 'u' back; late
// 'a' echoes of the handshake are passed over.
bool SyncBootLoader(DeviceLink& link);
bool SyncBootLoader(DevicePort& port);
enum class FirmwareUpdateOutcome {
  Completed,       // every packet acknowledged, the boot loader told to start the new firmware
  NotReachable,    // no port to the watch
  InvalidImage,    // the image failed its check
  Refused,         // the watch did not acknowledge the switch to its boot loader
  NoBootLoader,    // the boot loader did not answer (or never echoed 'a')
  TransferFailed,  // image unreadable or changed, no 'u' echo, boot loader never ready, watch
                   // unplugged or packets unacknowledged
};

// Sends the image (header skipped) and ends the popup with RequestClose on every path.
FirmwareUpdateOutcome FirmwareTransferWorker(DevicePort& port, const std::string& imagePath, FirmwareUpdateUi& ui);
// The 'a' handshake (bounded), then the worker on its own thread under the progress popup.
FirmwareUpdateOutcome StartFirmwareTransfer(DevicePort& port, const std::string& imagePath, FirmwareUpdateUi& ui);

// The whole Start Update sequence: connect, switch to the boot loader, reconnect, transfer, close.
FirmwareUpdateOutcome RunFirmwareUpdate(DevicePort& port, platform::DeviceList& devices,
                                        const std::string& imagePath, FirmwareUpdateUi& ui);

}  // namespace kemlog::device
