#pragma once
// The GPS assist data update: checking a data file's header and sending the file with its
// information block.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "device/device_link.h"

namespace kemlog::device {

inline constexpr const char* kGpsFileUnreadableMessage = "GPSデータを開けません。";
inline constexpr const char* kGpsFileInvalidMessage = "無効なGPSデータです";

// Shows a message to the user (the desktop program's message box with one OK button).
using MessageBoxFn = std::function<void(const std::string& text)>;

inline constexpr size_t kGpsDataHeaderSize = 32;
inline constexpr size_t kGpsDataInfoBlockSize = 1024;
inline constexpr uint32_t kGpsDataBaseAddress = 0x037A4000;

// Whether the header's eight words describe a file of fileLength bytes.
bool IsValidGpsDataHeader(std::span<const uint8_t> header, uint32_t fileLength);

// Checks the file at path; on failure shows why through showMessage and returns false.
bool CheckGpsDataFile(const std::string& path, const MessageBoxFn& showMessage);

// The 1024-byte block that describes a payload to the watch.
std::array<uint8_t, kGpsDataInfoBlockSize> GpsDataInfoBlock(std::span<const uint8_t> payload);

// What SendGpsData achieved, for callers that report it (the desktop program shows none of it).
struct GpsDataSendResult {
  bool fileRead = false;
  bool dataAccepted = false;  // the watch answered 604 with status 1
  bool dataSent = false;      // and acknowledged the whole upload
  bool infoAccepted = false;  // the watch answered 608 with status 1
  bool infoSent = false;
  bool Complete() const { return dataSent && infoSent; }
};

// Announces the file with 704 and uploads it, then announces the information block with 708 and
// uploads it; the second step runs whatever the first achieved.
GpsDataSendResult SendGpsData(DeviceLink& link, const std::string& path, const MessageBoxFn& showMessage);

}  // namespace kemlog::device
