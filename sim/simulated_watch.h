#pragma once
// The simulated ZQN-4170: the watch's side of the sentences, of the block transfer in both
// directions, and of its boot loader, as a state machine fed with the bytes the program writes and
// asked for the bytes the watch sends. Written independently of the program's own side so that a
// misreading of the protocol shows up as a failing exchange.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/block_receiver.h"
#include "sim/boot_loader.h"
#include "sim/watch_faults.h"
#include "sim/watch_logs.h"

namespace kemlog::sim {

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
  // Largest GPS data upload taken; PKRV704 with more (or with 0) is answered with PKRV604,0.
  static constexpr uint32_t kMaxGpsData = BlockReceiver::kMaxPayload;
  static constexpr uint32_t kInfoBlockSize = 1024;
  // When a chunk's raw bytes pause this long (ms), the chunk is dropped and the watch reads
  // sentences again. 0 waits for ever.
  uint32_t rawPauseMs = 3000;

  // Bytes the program wrote, at time now (ms). Requests: 829 (identity), 711 (count), 712,first,count
  // (summaries of logs first to first + count - 1), 713,pointStart,pointCount (one log's points),
  // 704,length (GPS data upload), 708,1024 (its information block), 806 (switch to the boot loader);
  // 900 answers drive the sending transfer, 901 and 902 announcements the receiving one. In the boot
  // loader every byte is a command or part of a packet.
  void Receive(const uint8_t* data, size_t size, uint32_t now);
  // Time passes (ms).
  void Advance(uint32_t now);
  // Moves out everything the watch has sent since the last call.
  std::vector<uint8_t> TakeOutput();

  // The cable is pulled: the watch takes no input and sends nothing, and what it had not yet sent
  // is lost. Replug brings it back as after a power-up: transfers under way are gone, and a watch
  // pulled out in its boot loader comes back in its boot loader's menu.
  void Unplug();
  void Replug();
  bool Unplugged() const { return unplugged_; }

  // The last GPS data upload, when it arrived whole with the right checksum; empty otherwise (also
  // once a new PKRV704 has been accepted).
  const std::vector<uint8_t>& ReceivedGpsData() const { return gpsData_; }
  // The last information block, when it arrived whole with the right checksum; empty otherwise.
  const std::vector<uint8_t>& ReceivedInfoBlock() const { return infoBlock_; }
  // Whether the information block describes the GPS data: 0x5AAA55A5, 1, length, Crc32 of the data,
  // 0x037A4000, 0x037A4000 + length, then zeros (little-endian words).
  bool InfoBlockMatchesGpsData() const;

  bool InBootLoader() const { return mode_ == Mode::BootLoader; }
  const BootLoader& Loader() const { return bootLoader_; }
  // The data of the good firmware packets, in order, of the last update started with 'u'.
  const std::vector<uint8_t>& ReceivedFirmware() const { return bootLoader_.Firmware(); }
  // Whether the last boot loader session ended with EOT and 'b' (firmwareVersion then went up by 1).
  bool FirmwareUpdateCompleted() const { return firmwareUpdated_; }

 private:
  // A sentence from the program: its number and its decimal fields (nullopt where a field is not
  // a number).
  struct Sentence {
    int number = 0;
    std::vector<std::optional<int64_t>> fields;
    std::vector<std::string> texts;  // the same fields as they came
  };
  enum class Mode { Normal, BootLoader };
  enum class Upload { None, GpsData, InfoBlock };
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
    bool request;  // a new request, which ends any transfer under way
  };
  static const Command kCommands[];

  void TakeByte(uint8_t byte);
  void TakeSentenceByte(uint8_t byte);
  void TakeChunkByte(uint8_t byte);
  void TakeBootByte(uint8_t byte);
  void TakeLine();
  void Dispatch(const Sentence& s);
  void OnVersionQuery(const Sentence& s);
  void OnCountQuery(const Sentence& s);
  void OnSummaryRequest(const Sentence& s);
  void OnPointRequest(const Sentence& s);
  void OnAnswer(const Sentence& s);
  void OnGpsDataAnnouncement(const Sentence& s);
  void OnInfoBlockAnnouncement(const Sentence& s);
  void OnUpdateModeRequest(const Sentence& s);
  void OnPayloadAnnouncement(const Sentence& s);
  void OnChunkAnnouncement(const Sentence& s);

  void StartUpload(Upload upload, uint32_t length);
  void JudgeChunk();
  void CollectUpload();
  void EndUploads();
  void EnterBootLoader();
  void ResetLine();
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
  bool silent_ = false;     // the watch has fallen silent (a fault): nothing leaves it any more
  bool unplugged_ = false;  // the cable is pulled: nothing comes in, nothing leaves
  Mode mode_ = Mode::Normal;
  BlockReceiver receiver_;
  Upload upload_ = Upload::None;
  uint32_t lastChunkByte_ = 0;
  std::vector<uint8_t> gpsData_;
  std::vector<uint8_t> infoBlock_;
  BootLoader bootLoader_;
  bool firmwareUpdated_ = false;
  uint32_t now_ = 0;
  uint32_t noiseCount_ = 0;
  std::vector<uint8_t> output_;
};

}  // namespace kemlog::sim
