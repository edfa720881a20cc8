#include "sim/block_receiver.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "device/block_transfer.h"

namespace kemlog::sim {
namespace {

constexpr uint32_t kNoCheck = 0xFFFFFFFF;  // a payload checksum that turns the final check off

// A decimal count of at most ten digits that fits in 32 bits.
std::optional<uint32_t> Count(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(v);
}

// Exactly eight upper-case hex digits, as the sender prints them.
std::optional<uint32_t> Hex8(std::string_view text) {
  if (text.size() != 8) return std::nullopt;
  uint32_t v = 0;
  for (char c : text) {
    const bool digit = c >= '0' && c <= '9';
    const bool letter = c >= 'A' && c <= 'F';
    if (!digit && !letter) return std::nullopt;
    v = v << 4 | static_cast<uint32_t>(digit ? c - '0' : c - 'A' + 10);
  }
  return v;
}

const std::string kPayloadAccepted = "PKRV900,901,3";
const std::string kPayloadRefused = "PKRV900,901,2";
const std::string kChunkAccepted = "PKRV900,902,3";
const std::string kChunkRefused = "PKRV900,902,2";

}  // namespace

void BlockReceiver::Expect(uint32_t length) {
  *this = BlockReceiver{};
  expected_ = std::min(length, kMaxPayload);
  phase_ = Phase::AwaitPayload;
}

void BlockReceiver::Drop() { *this = BlockReceiver{}; }

// A second 901 during the upload starts it afresh.
std::string BlockReceiver::OnPayloadAnnouncement(const std::vector<std::string>& fields) {
  const std::optional<uint32_t> total = fields.size() == 2 ? Count(fields[0]) : std::nullopt;
  const std::optional<uint32_t> crc = fields.size() == 2 ? Hex8(fields[1]) : std::nullopt;
  if (!total || !crc || *total != expected_) {
    Drop();
    return kPayloadRefused;
  }
  total_ = *total;
  payloadCrc_ = *crc;
  payload_.assign(total_, 0);
  stored_.assign(total_, false);
  storedCount_ = 0;
  outcome_ = Outcome::Pending;
  phase_ = Phase::AwaitChunk;
  if (total_ == 0) Finish();
  return kPayloadAccepted;
}

std::string BlockReceiver::OnChunkAnnouncement(const std::vector<std::string>& fields) {
  const bool three = fields.size() == 3;
  const std::optional<uint32_t> offset = three ? Count(fields[0]) : std::nullopt;
  const std::optional<uint32_t> length = three ? Count(fields[1]) : std::nullopt;
  const std::optional<uint32_t> crc = three ? Hex8(fields[2]) : std::nullopt;
  // The bytes of a chunk longer than the payload have no room anywhere: they are not taken.
  if (!offset || !length || !crc || *length > total_) return kChunkRefused;
  chunk_ = {*offset, *length, *crc};
  bytes_.clear();
  bytes_.reserve(chunk_.length);
  phase_ = chunk_.length == 0 ? Phase::Verdict : Phase::Bytes;
  return kChunkAccepted;
}

bool BlockReceiver::TakeByte(uint8_t byte) {
  if (phase_ != Phase::Bytes) return false;
  bytes_.push_back(byte);
  if (bytes_.size() < chunk_.length) return false;
  phase_ = Phase::Verdict;
  return true;
}

bool BlockReceiver::Judge(bool reject) {
  if (phase_ != Phase::Verdict) return false;
  phase_ = Phase::AwaitChunk;
  const bool inside = uint64_t{chunk_.offset} + chunk_.length <= total_;
  const bool stored = !reject && inside && device::Crc32(bytes_) == chunk_.crc;
  if (stored) {
    std::copy(bytes_.begin(), bytes_.end(), payload_.begin() + chunk_.offset);
    for (uint32_t i = chunk_.offset; i < chunk_.offset + chunk_.length; ++i) {
      if (!stored_[i]) ++storedCount_;
      stored_[i] = true;
    }
    if (storedCount_ == total_) Finish();
  }
  bytes_.clear();
  return stored;
}

void BlockReceiver::AbandonChunk() {
  if (phase_ != Phase::Bytes) return;
  bytes_.clear();
  phase_ = Phase::AwaitChunk;
}

// Every byte is in: the whole payload's checksum decides.
void BlockReceiver::Finish() {
  const bool right = payloadCrc_ == kNoCheck || device::Crc32(payload_) == payloadCrc_;
  outcome_ = right ? Outcome::Stored : Outcome::Corrupt;
  phase_ = Phase::Idle;
  stored_.clear();
}

std::vector<uint8_t> BlockReceiver::TakePayload() {
  std::vector<uint8_t> out;
  if (outcome_ == Outcome::Stored) out.swap(payload_);
  Drop();
  return out;
}

}  // namespace kemlog::sim
