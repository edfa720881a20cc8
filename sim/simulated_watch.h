#pragma once
// The simulated ZQN-4170: the watch's side of the sentences and of the block transfer, as a state
// machine fed with the bytes the program writes and asked for the bytes the watch sends. Written
// independently of the program's own receiver so that a misreading of the protocol shows up as a
// failing exchange.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/watch_logs.h"

namespace kemlog::sim {

// Faults to inject. Counters are 0-based; -1 switches a fault off.
struct WatchFaults {
  int corruptBlock = -1;          // the n-th block sent (counted over the session) goes out with one
                                  // byte flipped, once; the watch expects status 2 and sends it again
  bool blocksOutOfOrder = false;  // a payload's blocks go out last to first
  bool noise = false;             // a garbage line and an unrelated sentence before every sentence
                                  // (the 861 answer included), never inside a block's bytes
  int rejectPointRequest = -1;    // the n-th 713 request is answered with status 2
  int silentAtPointRequest = -1;  // from the n-th 713 request on, the watch sends nothing
  long silentAfterBytes = -1;     // after this many bytes sent in all, the watch sends nothing
  bool announceBeyondEnd = false; // the first block of each payload is first announced past the
                                  // payload's end; after status 2 the right block is announced
};

struct WatchStats {
  int blocksSent = 0;       // raw blocks sent, repeats included
  int blocksRejected = 0;   // status 2 answers received
  int pointRequests = 0;    // 713 requests received
  int sentencesReceived = 0;  // sentences with a good checksum and a known number
  int badSentences = 0;     // lines with a wrong checksum or an unknown number, malformed or too long
  long bytesSent = 0;       // bytes that left the watch (noise included, nothing after silence)
  int payloadsCompleted = 0;  // transfers whose last block was accepted (or empty payloads acknowledged)
  int transfersDropped = 0;   // transfers given up: unanswered too long, refused as a whole
                              // (PKRV900,901,2), or cut off by a new request
  int unexpectedAnswers = 0;  // 900 sentences that fit no waiting announcement
};

class SimulatedWatch {
 public:
  explicit SimulatedWatch(std::vector<WatchLog> logs);

  WatchFaults& Faults() { return faults_; }
  const WatchStats& Stats() const { return stats_; }
  const std::vector<WatchLog>& Logs() const { return logs_; }

  // Identity answered to PKRV829 as PKRV861,version,gpsDate.
  int firmwareVersion = 10203;
  int gpsDataDate = 161231;
  // Largest block the watch sends in one 902 announcement (0 counts as 1).
  uint32_t blockSize = 2048;
  // While an announcement or a block waits for its answer this long (ms), the watch announces again;
  // after kMaxRepeats such repeats it drops the transfer. 0 waits for ever.
  uint32_t repeatAfterMs = 2000;
  static constexpr int kMaxRepeats = 5;
  // Longest sentence body taken from the program; longer lines are dropped.
  static constexpr size_t kMaxLine = 128;
  // Output not taken beyond this is lost, as in an overflowing line buffer.
  static constexpr size_t kMaxPendingOutput = size_t{64} << 20;

  // Bytes the program wrote, at time now (ms). Requests: 829 (identity), 711 (count), 712,first,count
  // (summaries of logs first to first + count - 1), 713,pointStart,pointCount (one log's points);
  // 900 answers drive the transfer under way.
  void Receive(const uint8_t* data, size_t size, uint32_t now);
  // Time passes (ms).
  void Advance(uint32_t now);
  // Moves out everything the watch has sent since the last call.
  std::vector<uint8_t> TakeOutput();

 private:
  // A sentence from the program: its number and its decimal fields (nullopt where a field is not
  // a number).
  struct Sentence {
    int number = 0;
    std::vector<std::optional<int64_t>> fields;
  };
  enum class Phase { Idle, AwaitPayloadAck, AwaitBlockAck, AwaitVerdict };
  struct Block {
    uint32_t offset = 0;
    uint32_t length = 0;
  };
  // The payload being sent and where its transfer stands.
  struct Transfer {
    Phase phase = Phase::Idle;
    std::vector<uint8_t> payload;
    std::vector<Block> order;  // blocks in the order they go out
    size_t current = 0;        // index into order
    bool beyondEndPending = false;  // the next announcement claims an offset past the end
    bool announcedBeyondEnd = false;
    uint32_t lastActivity = 0;
    int repeats = 0;
  };
  using Handler = void (SimulatedWatch::*)(const Sentence&);
  struct Command {
    int number;
    Handler handler;
  };
  static const Command kCommands[];

  void TakeByte(uint8_t byte);
  void TakeLine();
  void Dispatch(const Sentence& s);
  void OnVersionQuery(const Sentence& s);
  void OnCountQuery(const Sentence& s);
  void OnSummaryRequest(const Sentence& s);
  void OnPointRequest(const Sentence& s);
  void OnAnswer(const Sentence& s);
  void OnPayloadAnswer(int status);
  void OnAnnouncementAnswer(int status);
  void OnVerdict(int status);

  void StartPayload(std::vector<uint8_t> payload);
  void AnnouncePayload();
  void AnnounceBlock();
  void SendBlockBytes();
  void FinishPayload();
  void DropTransfer();
  void Reannounce();

  void SendSentence(std::string_view body);
  void SendNoise();
  void Emit(const uint8_t* data, size_t size);
  void Emit(std::string_view text);

  WatchFaults faults_;
  WatchStats stats_;
  std::vector<WatchLog> logs_;
  Transfer transfer_;
  std::string line_;
  bool inLine_ = false;
  bool silent_ = false;  // the cable is pulled: nothing leaves the watch any more
  uint32_t now_ = 0;
  uint32_t noiseCount_ = 0;
  std::vector<uint8_t> output_;
};

}  // namespace kemlog::sim
