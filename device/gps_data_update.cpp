#include "device/gps_data_update.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <new>
#include <stdexcept>
#include <optional>
#include <vector>

#include "device/block_transfer.h"
#include "device/sentence.h"

namespace kemlog::device {
namespace {

constexpr uint32_t kHeaderMagic = 0x55AAFFFF;
constexpr uint32_t kInfoMagic = 0x5AAA55A5;
constexpr int kDataAnswerBudget = 10000;
constexpr int kInfoAnswerBudget = 3000;

uint32_t Word(std::span<const uint8_t> bytes, size_t index) {
  const size_t at = index * 4;
  return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
         uint32_t{bytes[at + 3]} << 24;
}

void PutWord(std::span<uint8_t> bytes, size_t index, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) bytes[index * 4 + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Size of an open file (the read position is left at its start), or nothing when it cannot be told.
std::optional<uint64_t> FileSize(std::ifstream& file) {
  file.seekg(0, std::ios::end);
  const std::streamoff end = file.tellg();
  file.seekg(0);
  if (!file || end < 0) return std::nullopt;
  return static_cast<uint64_t>(end);
}

// The whole file, or nothing when it cannot be read, does not fit in memory, or is too long for the
// 32-bit size that announces it to the watch.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  const std::optional<uint64_t> size = FileSize(file);
  if (!size || *size > UINT32_MAX) return std::nullopt;
  try {
    std::vector<uint8_t> bytes(static_cast<size_t>(*size));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (file.bad() || file.gcount() != static_cast<std::streamsize>(bytes.size())) return std::nullopt;
    return bytes;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

// Announces a payload with body and uploads it when the watch answers "PKRV<answer>,1".
void AnnounceAndSend(DeviceLink& link, const std::string& body, int answer, int budget,
                     std::span<const uint8_t> payload, const MessageBoxFn& showMessage, bool& accepted,
                     bool& sent) {
  SendSentence(link, body);
  const std::optional<ReplyFields> reply = WaitReplyFields(link, answer, budget);
  if (!reply) return;
  accepted = reply->first == 1;
  if (!accepted) {
    if (showMessage) showMessage(kGpsFileInvalidMessage);
    return;
  }
  sent = SendBlocks(link, payload);
}

}  // namespace

bool IsValidGpsDataHeader(std::span<const uint8_t> header, uint32_t fileLength) {
  if (header.size() < kGpsDataHeaderSize) return false;
  uint32_t sum = 0;
  for (size_t i = 0; i < 7; ++i) sum += Word(header, i);
  return Word(header, 0) == kHeaderMagic && Word(header, 1) == kGpsDataHeaderSize &&
         Word(header, 2) == fileLength - 1 && (Word(header, 4) & 0xFFFF) == 0x0012 && Word(header, 7) == sum;
}

bool CheckGpsDataFile(const std::string& path, const MessageBoxFn& showMessage) {
  // Only the header is read; the length it must describe is the file's size.
  std::ifstream file(path, std::ios::binary);
  const std::optional<uint64_t> size = file ? FileSize(file) : std::nullopt;
  std::array<uint8_t, kGpsDataHeaderSize> header{};
  if (size) file.read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(header.size()));
  if (!size || file.bad()) {
    if (showMessage) showMessage(kGpsFileUnreadableMessage);
    return false;
  }
  const auto got = static_cast<size_t>(file.gcount());
  if (*size <= UINT32_MAX && IsValidGpsDataHeader(std::span(header).first(got), static_cast<uint32_t>(*size)))
    return true;
  if (showMessage) showMessage(kGpsFileInvalidMessage);
  return false;
}

std::array<uint8_t, kGpsDataInfoBlockSize> GpsDataInfoBlock(std::span<const uint8_t> payload) {
  std::array<uint8_t, kGpsDataInfoBlockSize> block{};
  const auto length = static_cast<uint32_t>(payload.size());
  PutWord(block, 0, kInfoMagic);
  PutWord(block, 1, 1);
  PutWord(block, 2, length);
  PutWord(block, 3, Crc32(payload));
  PutWord(block, 4, kGpsDataBaseAddress);
  PutWord(block, 5, kGpsDataBaseAddress + length);
  return block;
}

GpsDataSendResult SendGpsData(DeviceLink& link, const std::string& path, const MessageBoxFn& showMessage) {
  GpsDataSendResult result;
  link.Purge();
  const auto payload = ReadWholeFile(path);
  if (!payload) {
    if (showMessage) showMessage(kGpsFileUnreadableMessage);
    return result;
  }
  result.fileRead = true;
  const auto info = GpsDataInfoBlock(*payload);
  AnnounceAndSend(link, FormatBody("PKRV704,%u", static_cast<unsigned int>(payload->size())), 604, kDataAnswerBudget,
                  *payload, showMessage, result.dataAccepted, result.dataSent);
  AnnounceAndSend(link, FormatBody("PKRV708,%u", static_cast<unsigned int>(info.size())), 608, kInfoAnswerBudget, info,
                  showMessage, result.infoAccepted, result.infoSent);
  return result;
}

}  // namespace kemlog::device
