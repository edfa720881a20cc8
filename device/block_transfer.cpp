#include "device/block_transfer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "device/sentence.h"

namespace kemlog::device {
namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i << 24;
    for (int bit = 0; bit < 8; ++bit) c = (c << 1) ^ ((c & 0x80000000u) ? 0x04C11DB7u : 0u);
    table[i] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();
static_assert(kCrcTable[1] == 0x04C11DB7u && kCrcTable[128] == 0x690CE0EEu && kCrcTable[255] == 0xB1F740B4u);

constexpr size_t kReplySize = 128;
constexpr int kMaxFailures = 10;
constexpr int kByteIdleLimit = 3000;
constexpr uint32_t kNoPayloadCheck = 0xFFFFFFFFu;
constexpr size_t kSendChunkSize = 4096;

struct BlockAnnouncement {
  int offset = 0;
  int length = 0;
  unsigned int crc = 0;
};

bool FitsIn(const BlockAnnouncement& block, size_t size) {
  return block.offset >= 0 && block.length >= 0 &&
         static_cast<uint64_t>(block.offset) + static_cast<uint64_t>(block.length) <= size;
}

// Reads a block's raw bytes into place. Returns the count of bytes that came before they stopped for
// kByteIdleLimit polls. At least one read is made, also for an empty block.
int ReadBlockBytes(DeviceLink& link, uint8_t* place, int length) {
  int got = 0;
  int idle = 0;
  do {
    const int byte = link.ReadByte();
    if (byte >= 0) {
      if (got < length) place[got] = static_cast<uint8_t>(byte);
      ++got;
      idle = 0;
    } else {
      link.Sleep(1);
      ++idle;
    }
  } while (got < length && idle < kByteIdleLimit);
  return got;
}

// Waits for the watch's answer to an announcement: nothing when none came, else whether it was
// "PKRV900,<number>,3".
std::optional<bool> Acknowledgement(DeviceLink& link, int number) {
  const std::optional<ReplyFields> reply = WaitReplyFields(link, 900, kReplyBudget);
  if (!reply) return std::nullopt;
  return reply->first == number && reply->second == 3;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t length) {
  uint32_t reg = 0xFFFFFFFFu;
  for (size_t i = 0; i < length; ++i) reg = (reg >> 8) ^ kCrcTable[(reg ^ data[i]) & 0xFFu];
  return reg;
}

bool ReceiveBlocks(DeviceLink& link, std::span<uint8_t> destination) {
  std::array<char, kReplySize> reply{};
  if (!WaitReply(901, reply, link, kReplyBudget)) return false;
  int number = 0;
  int announcedTotal = 0;
  unsigned int payloadCrc = 0;
  std::sscanf(reply.data() + 4, "%d,%d,%08X", &number, &announcedTotal, &payloadCrc);
  // The caller's buffer is exactly the payload it asked for: a payload of any other size is not the
  // one requested, and a shorter one would leave part of the buffer as zeros taken for records.
  const auto total = static_cast<uint32_t>(announcedTotal);
  if (announcedTotal < 0 || total != destination.size()) {
    SendSentence(link, "PKRV900,901,2");
    return false;
  }
  SendSentence(link, "PKRV900,901,3");

  uint32_t received = 0;
  int failures = 0;
  do {
    if (!WaitReply(902, reply, link, kReplyBudget)) {
      ++failures;
      continue;
    }
    BlockAnnouncement block;
    std::sscanf(reply.data() + 4, "%d,%d,%d,%8X", &number, &block.offset, &block.length, &block.crc);
    if (!FitsIn(block, destination.size())) {
      SendSentence(link, "PKRV900,902,2");
      ++failures;
      continue;
    }
    SendSentence(link, "PKRV900,902,3");
    uint8_t* place = destination.data() + block.offset;
    if (ReadBlockBytes(link, place, block.length) != block.length) continue;  // bytes stopped
    if (Crc32(place, static_cast<size_t>(block.length)) == block.crc) {
      SendSentence(link, "PKRV900,902,3");
      received += static_cast<uint32_t>(block.length);
      failures = 0;
    } else {
      SendSentence(link, "PKRV900,902,2");
      ++failures;
    }
  } while (received < total && failures < kMaxFailures);

  if (received != total) return false;
  return payloadCrc == kNoPayloadCheck || Crc32(destination.data(), total) == payloadCrc;
}

}  // namespace kemlog::device

namespace kemlog::device {

bool SendBlocks(DeviceLink& link, std::span<const uint8_t> data) {
  const auto total = static_cast<unsigned int>(data.size());
  SendSentence(link, FormatBody("PKRV%d,%u,%08X", 901, total, Crc32(data)));
  if (Acknowledgement(link, 901) != true) return false;
  size_t offset = 0;
  int failures = 0;
  while (offset < data.size()) {
    if (failures >= kMaxFailures) return false;
    const std::span<const uint8_t> chunk = data.subspan(offset, std::min(kSendChunkSize, data.size() - offset));
    SendSentence(link, FormatBody("PKRV%d,%u,%u,%08X", 902, static_cast<unsigned int>(offset),
                              static_cast<unsigned int>(chunk.size()), Crc32(chunk)));
    const std::optional<bool> ready = Acknowledgement(link, 902);
    if (!ready) {
      ++failures;
      continue;
    }
    if (*ready) link.Write(chunk.data(), chunk.size());
    if (Acknowledgement(link, 902) == true) {
      offset += chunk.size();
      failures = 0;
    } else {
      ++failures;
    }
  }
  return true;
}

}  // namespace kemlog::device
