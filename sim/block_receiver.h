#pragma once
// The watch as the receiving side of one block transfer: it answers the payload announcement (901)
// and each chunk announcement (902), takes the chunk's raw bytes, and judges them by their checksum
// and place. Written on its own, apart from the program's sender.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kemlog::sim {

class BlockReceiver {
 public:
  // The largest upload the watch takes (its GPS data area).
  static constexpr uint32_t kMaxPayload = uint32_t{4} << 20;

  enum class Outcome { Pending, Stored, Corrupt };

  // Waits for the 901 of a payload of exactly `length` bytes (at most kMaxPayload).
  void Expect(uint32_t length);
  // Forgets the upload under way; what was stored before stays.
  void Drop();

  bool Active() const { return phase_ != Phase::Idle; }
  bool TakingBytes() const { return phase_ == Phase::Bytes; }
  bool AwaitingChunk() const { return phase_ == Phase::AwaitChunk; }

  // 901,N,K (the fields after the number): the answer body. A payload of another length than the
  // expected one, or a checksum that is not eight upper-case hex digits, is refused and ends the
  // upload.
  std::string OnPayloadAnnouncement(const std::vector<std::string>& fields);
  // 902,O,n,k: the answer body. Status 3 means the n bytes may come; then TakeByte takes them. An
  // announcement that cannot be read, or a chunk longer than the whole payload, is refused at once
  // and no bytes are taken.
  std::string OnChunkAnnouncement(const std::vector<std::string>& fields);
  // One raw byte of the announced chunk; true when it was the last one (Judge comes next).
  bool TakeByte(uint8_t byte);
  // Whether the chunk announced with status 3 has all its bytes (always so for a chunk of 0 bytes).
  bool ChunkComplete() const { return phase_ == Phase::Verdict; }
  // The verdict on the complete chunk: stored (true) when its checksum and place are right and
  // `reject` is false. After the last byte of the payload the upload ends, Stored or Corrupt.
  bool Judge(bool reject);
  // The chunk's bytes stopped coming: it is dropped and the next announcement awaited.
  void AbandonChunk();

  Outcome Result() const { return outcome_; }
  // Moves out the payload of a Stored upload (empty otherwise) and makes the receiver idle.
  std::vector<uint8_t> TakePayload();

 private:
  enum class Phase { Idle, AwaitPayload, AwaitChunk, Bytes, Verdict };
  struct Chunk {
    uint32_t offset = 0;
    uint32_t length = 0;
    uint32_t crc = 0;
  };
  void Finish();

  Phase phase_ = Phase::Idle;
  Outcome outcome_ = Outcome::Pending;
  uint32_t expected_ = 0;
  uint32_t total_ = 0;
  uint32_t payloadCrc_ = 0;
  std::vector<uint8_t> payload_;
  std::vector<bool> stored_;  // per byte: covered by a stored chunk
  uint32_t storedCount_ = 0;
  Chunk chunk_;
  std::vector<uint8_t> bytes_;  // the chunk's bytes as they arrive
};

}  // namespace kemlog::sim
