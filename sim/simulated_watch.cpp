#include "sim/simulated_watch.h"

#include <algorithm>
#include <array>

#include "device/block_transfer.h"
#include "device/sentence.h"

namespace kemlog::sim {
namespace {

constexpr int kStatusAccepted = 3;
constexpr int kStatusRejected = 2;
// More digits than this cannot be a field the watch understands; such a field is not a number.
constexpr size_t kMaxFieldDigits = 10;

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
int HexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Hex8(uint32_t v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out(8, '0');
  for (int i = 7; i >= 0; --i, v >>= 4) out[static_cast<size_t>(i)] = kDigits[v & 0xF];
  return out;
}

std::optional<int64_t> ParseField(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > kMaxFieldDigits) return std::nullopt;
  int64_t v = 0;
  for (char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return negative ? -v : v;
}

// "PKRV" three digits, then ",field" any number of times.
template <typename Sentence>
std::optional<Sentence> ParseBody(std::string_view body) {
  if (body.size() < 7 || body.substr(0, 4) != "PKRV") return std::nullopt;
  if (!IsDigit(body[4]) || !IsDigit(body[5]) || !IsDigit(body[6])) return std::nullopt;
  Sentence s;
  s.number = (body[4] - '0') * 100 + (body[5] - '0') * 10 + (body[6] - '0');
  std::string_view rest = body.substr(7);
  while (!rest.empty()) {
    if (rest.front() != ',') return std::nullopt;
    rest.remove_prefix(1);
    const size_t end = std::min(rest.find(','), rest.size());
    s.fields.push_back(ParseField(rest.substr(0, end)));
    s.texts.emplace_back(rest.substr(0, end));
    rest.remove_prefix(end);
  }
  return s;
}

// Field i as a number within [lo, hi].
std::optional<int64_t> FieldIn(const std::vector<std::optional<int64_t>>& fields, size_t i, int64_t lo, int64_t hi) {
  if (i >= fields.size() || !fields[i] || *fields[i] < lo || *fields[i] > hi) return std::nullopt;
  return fields[i];
}

// Unrelated sentences a real line carries, with their own good checksums.
constexpr std::array<std::string_view, 3> kNoiseSentences{
    "GPRMC,223000.00,A,3541.1000,N,13945.1800,E,5.4,87.0,300416,,,A",
    "PKRV555,1",
    "GPGGA,223000.00,3541.1000,N,13945.1800,E,1,08,1.0,12.0,M,39.5,M,,",
};

void PutLe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The information block that describes a GPS data payload.
constexpr uint32_t kInfoBlockMagic = 0x5AAA55A5;
constexpr uint32_t kGpsDataBaseAddress = 0x037A4000;
std::vector<uint8_t> InfoBlockFor(const std::vector<uint8_t>& data, size_t size) {
  std::vector<uint8_t> block(size, 0);
  const uint32_t length = static_cast<uint32_t>(data.size());
  const uint32_t words[] = {kInfoBlockMagic, 1, length, device::Crc32(data), kGpsDataBaseAddress,
                            kGpsDataBaseAddress + length};
  for (size_t i = 0; i < std::size(words); ++i) PutLe32(block, 4 * i, words[i]);
  return block;
}

}  // namespace

const SimulatedWatch::Command SimulatedWatch::kCommands[] = {
    {829, &SimulatedWatch::OnVersionQuery, true},
    {711, &SimulatedWatch::OnCountQuery, true},
    {712, &SimulatedWatch::OnSummaryRequest, true},
    {713, &SimulatedWatch::OnPointRequest, true},
    {704, &SimulatedWatch::OnGpsDataAnnouncement, true},
    {708, &SimulatedWatch::OnInfoBlockAnnouncement, true},
    {806, &SimulatedWatch::OnUpdateModeRequest, true},
    {900, &SimulatedWatch::OnAnswer, false},
    {901, &SimulatedWatch::OnPayloadAnnouncement, false},
    {902, &SimulatedWatch::OnChunkAnnouncement, false},
};

SimulatedWatch::SimulatedWatch(std::vector<WatchLog> logs) : logs_(std::move(logs)) {}

void SimulatedWatch::Receive(const uint8_t* data, size_t size, uint32_t now) {
  if (unplugged_) return;
  now_ = now;
  for (size_t i = 0; i < size; ++i) TakeByte(data[i]);
}

void SimulatedWatch::Advance(uint32_t now) {
  if (unplugged_) return;
  now_ = now;
  if (mode_ == Mode::BootLoader) {
    std::vector<uint8_t> out;
    bootLoader_.Advance(now_, out);
    Emit(out.data(), out.size());
    return;
  }
  if (receiver_.TakingBytes() && rawPauseMs != 0 && now_ - lastChunkByte_ >= rawPauseMs) {
    receiver_.AbandonChunk();
    ++stats_.chunksAbandoned;
  }
  if (transfer_.phase == Phase::Idle || repeatAfterMs == 0) return;
  if (now_ - transfer_.lastActivity < repeatAfterMs) return;
  if (transfer_.repeats >= kMaxRepeats) {
    DropTransfer();
    return;
  }
  ++transfer_.repeats;
  Reannounce();
}

std::vector<uint8_t> SimulatedWatch::TakeOutput() {
  std::vector<uint8_t> out;
  out.swap(output_);
  return out;
}

void SimulatedWatch::Unplug() {
  unplugged_ = true;
  output_.clear();
}

void SimulatedWatch::Replug() {
  if (!unplugged_) return;
  unplugged_ = false;
  ResetLine();
  transfer_ = Transfer{};
  EndUploads();
  if (mode_ == Mode::BootLoader) bootLoader_.Enter(firmwareVersion, now_);
}

bool SimulatedWatch::InfoBlockMatchesGpsData() const {
  return !gpsData_.empty() && infoBlock_ == InfoBlockFor(gpsData_, kInfoBlockSize);
}

// ---- bytes from the program ----

// Sentences, unless a chunk's raw bytes are due or the boot loader runs.
void SimulatedWatch::TakeByte(uint8_t byte) {
  if (mode_ == Mode::BootLoader) {
    TakeBootByte(byte);
  } else if (receiver_.TakingBytes()) {
    TakeChunkByte(byte);
  } else {
    TakeSentenceByte(byte);
  }
}

void SimulatedWatch::TakeChunkByte(uint8_t byte) {
  lastChunkByte_ = now_;
  if (receiver_.TakeByte(byte)) JudgeChunk();
}

void SimulatedWatch::TakeBootByte(uint8_t byte) {
  std::vector<uint8_t> out;
  const BootLoader::Exit exit = bootLoader_.Take(byte, now_, faults_, stats_, out);
  Emit(out.data(), out.size());
  if (exit == BootLoader::Exit::Stay) return;
  if (exit == BootLoader::Exit::Updated) {
    ++stats_.firmwareUpdates;
    ++firmwareVersion;
    firmwareUpdated_ = true;
  }
  mode_ = Mode::Normal;
  ResetLine();
}

void SimulatedWatch::ResetLine() {
  line_.clear();
  inLine_ = false;
}

void SimulatedWatch::TakeSentenceByte(uint8_t byte) {
  const char c = static_cast<char>(byte);
  if (c == '$') {
    if (inLine_) ++stats_.badSentences;  // a line cut off by the start of the next
    inLine_ = true;
    line_.clear();
    return;
  }
  if (!inLine_) return;  // bytes between lines mean nothing
  if (c == '\n') {
    inLine_ = false;
    TakeLine();
    return;
  }
  // Room for the body, '*', two digits and CR.
  if (line_.size() >= kMaxLine + 4) {
    inLine_ = false;
    ++stats_.badSentences;
    return;
  }
  line_.push_back(c);
}

// line_ holds everything between '$' and LF: body '*' hh CR.
void SimulatedWatch::TakeLine() {
  const size_t n = line_.size();
  const bool framed = n >= 4 && line_[n - 1] == '\r' && line_[n - 4] == '*' && IsUpperHex(line_[n - 3]) &&
                      IsUpperHex(line_[n - 2]);
  if (!framed) {
    ++stats_.badSentences;
    return;
  }
  const std::string_view body(line_.data(), n - 4);
  const int sum = HexValue(line_[n - 3]) * 16 + HexValue(line_[n - 2]);
  const std::optional<Sentence> s = ParseBody<Sentence>(body);
  if (device::SentenceChecksum(body) != sum || !s) {
    ++stats_.badSentences;
    return;
  }
  Dispatch(*s);
}

void SimulatedWatch::Dispatch(const Sentence& s) {
  for (const Command& c : kCommands) {
    if (c.number != s.number) continue;
    ++stats_.sentencesReceived;
    // A new request ends a transfer that is still going on, in either direction.
    if (c.request && transfer_.phase != Phase::Idle) DropTransfer();
    if (c.request) EndUploads();
    (this->*c.handler)(s);
    return;
  }
  ++stats_.badSentences;
}

// ---- requests ----

void SimulatedWatch::OnVersionQuery(const Sentence&) {
  SendSentence("PKRV861," + std::to_string(firmwareVersion) + "," + std::to_string(gpsDataDate));
}

// The count, then the number of points stored in all (a further field the program ignores).
void SimulatedWatch::OnCountQuery(const Sentence&) {
  size_t points = 0;
  for (const WatchLog& log : logs_) points += log.points.size();
  SendSentence("PKRV611," + std::to_string(logs_.size()) + "," + std::to_string(points));
}

// PKRV712,first,count: the summaries of logs first to first + count - 1.
void SimulatedWatch::OnSummaryRequest(const Sentence& s) {
  const int64_t stored = static_cast<int64_t>(logs_.size());
  const auto first = FieldIn(s.fields, 0, 0, stored);
  const auto count = first ? FieldIn(s.fields, 1, 0, stored - *first) : std::nullopt;
  if (!count) {
    SendSentence("PKRV900,712,2");
    return;
  }
  const auto begin = logs_.begin() + static_cast<std::ptrdiff_t>(*first);
  std::vector<uint8_t> payload = SummaryPayload(std::vector<WatchLog>(begin, begin + static_cast<std::ptrdiff_t>(*count)));
  SendSentence("PKRV900,712,3");
  StartPayload(std::move(payload));
}

// PKRV713,pointStart,pointCount of one stored log: its points.
void SimulatedWatch::OnPointRequest(const Sentence& s) {
  const int index = stats_.pointRequests++;
  if (faults_.silentAtPointRequest >= 0 && index >= faults_.silentAtPointRequest) silent_ = true;
  const auto start = FieldIn(s.fields, 0, INT32_MIN, INT32_MAX);
  const auto count = FieldIn(s.fields, 1, 0, UINT32_MAX);
  const auto match = std::find_if(logs_.begin(), logs_.end(), [&](const WatchLog& log) {
    return start && count && log.pointStart == *start && log.points.size() == static_cast<uint64_t>(*count);
  });
  if (index == faults_.rejectPointRequest || match == logs_.end()) {
    SendSentence("PKRV900,713,2");
    return;
  }
  SendSentence("PKRV900,713,3");
  StartPayload(PointPayload(*match));
}

// PKRV900,answered,status from the receiving program.
void SimulatedWatch::OnAnswer(const Sentence& s) {
  const auto answered = FieldIn(s.fields, 0, 0, 999);
  const auto status = FieldIn(s.fields, 1, INT32_MIN, INT32_MAX);
  const bool fits = answered && status && (*status == kStatusAccepted || *status == kStatusRejected) &&
                    *answered == (transfer_.phase == Phase::AwaitPayloadAck ? 901 : 902) &&
                    transfer_.phase != Phase::Idle;
  if (!fits) {
    ++stats_.unexpectedAnswers;
    return;
  }
  const int st = static_cast<int>(*status);
  if (st == kStatusRejected) ++stats_.blocksRejected;
  transfer_.lastActivity = now_;
  transfer_.repeats = 0;
  switch (transfer_.phase) {
    case Phase::AwaitPayloadAck: OnPayloadAnswer(st); break;
    case Phase::AwaitBlockAck: OnAnnouncementAnswer(st); break;
    case Phase::AwaitVerdict: OnVerdict(st); break;
    case Phase::Idle: break;
  }
}

// PKRV704,length: a GPS data upload follows.
void SimulatedWatch::OnGpsDataAnnouncement(const Sentence& s) {
  const auto length = s.fields.size() == 1 ? FieldIn(s.fields, 0, 1, kMaxGpsData) : std::nullopt;
  if (!length || faults_.refuseGpsData) {
    SendSentence("PKRV604,0");
    return;
  }
  gpsData_.clear();
  infoBlock_.clear();  // it described the data now being replaced
  SendSentence("PKRV604,1");
  StartUpload(Upload::GpsData, static_cast<uint32_t>(*length));
}

// PKRV708,1024: the information block follows.
void SimulatedWatch::OnInfoBlockAnnouncement(const Sentence& s) {
  const auto length = s.fields.size() == 1 ? FieldIn(s.fields, 0, kInfoBlockSize, kInfoBlockSize) : std::nullopt;
  if (!length) {
    SendSentence("PKRV608,0");
    return;
  }
  infoBlock_.clear();
  SendSentence("PKRV608,1");
  StartUpload(Upload::InfoBlock, kInfoBlockSize);
}

// PKRV806: the watch confirms and restarts in its boot loader on the same line.
void SimulatedWatch::OnUpdateModeRequest(const Sentence& s) {
  if (!s.fields.empty() || faults_.refuseUpdateMode) {
    SendSentence("PKRV806,2");
    return;
  }
  SendSentence("PKRV806,3");
  EnterBootLoader();
}

// ---- the receiving side of the block transfer ----

void SimulatedWatch::StartUpload(Upload upload, uint32_t length) {
  upload_ = upload;
  receiver_.Expect(length);
}

void SimulatedWatch::OnPayloadAnnouncement(const Sentence& s) {
  if (!receiver_.Active()) {
    ++stats_.unexpectedAnswers;
    return;
  }
  SendSentence(receiver_.OnPayloadAnnouncement(s.texts));
  if (!receiver_.Active()) CollectUpload();  // refused, or a payload of no bytes
}

void SimulatedWatch::OnChunkAnnouncement(const Sentence& s) {
  if (!receiver_.AwaitingChunk()) {
    ++stats_.unexpectedAnswers;
    return;
  }
  SendSentence(receiver_.OnChunkAnnouncement(s.texts));
  lastChunkByte_ = now_;
  if (receiver_.ChunkComplete()) JudgeChunk();  // a chunk of no bytes
}

void SimulatedWatch::JudgeChunk() {
  const int index = stats_.chunksReceived++;
  const bool stored = receiver_.Judge(index == faults_.rejectChunk);
  if (!stored) ++stats_.chunksRejected;
  SendSentence(stored ? "PKRV900,902,3" : "PKRV900,902,2");
  if (!receiver_.Active()) CollectUpload();
}

// The upload has ended: a payload stored whole goes where its announcement said.
void SimulatedWatch::CollectUpload() {
  switch (receiver_.Result()) {
    case BlockReceiver::Outcome::Stored:
      ++stats_.uploadsCompleted;
      (upload_ == Upload::GpsData ? gpsData_ : infoBlock_) = receiver_.TakePayload();
      break;
    case BlockReceiver::Outcome::Corrupt: ++stats_.uploadsCorrupt; break;
    case BlockReceiver::Outcome::Pending: ++stats_.transfersDropped; break;  // refused as a whole
  }
  EndUploads();
}

void SimulatedWatch::EndUploads() {
  if (receiver_.Active()) ++stats_.transfersDropped;
  receiver_.Drop();
  upload_ = Upload::None;
}

void SimulatedWatch::EnterBootLoader() {
  mode_ = Mode::BootLoader;
  firmwareUpdated_ = false;
  ResetLine();
  bootLoader_.Enter(firmwareVersion, now_);
}

// ---- the sending side of the block transfer ----

void SimulatedWatch::StartPayload(std::vector<uint8_t> payload) {
  transfer_ = Transfer{};
  transfer_.payload = std::move(payload);
  const uint32_t total = static_cast<uint32_t>(transfer_.payload.size());
  const uint32_t size = std::max<uint32_t>(blockSize, 1);
  for (uint32_t offset = 0; offset < total; offset += std::min(size, total - offset)) {
    transfer_.order.push_back({offset, std::min(size, total - offset)});
  }
  if (faults_.blocksOutOfOrder) std::reverse(transfer_.order.begin(), transfer_.order.end());
  transfer_.beyondEndPending = faults_.announceBeyondEnd && !transfer_.order.empty();
  AnnouncePayload();
}

void SimulatedWatch::AnnouncePayload() {
  transfer_.phase = Phase::AwaitPayloadAck;
  transfer_.lastActivity = now_;
  SendSentence("PKRV901," + std::to_string(transfer_.payload.size()) + "," + Hex8(device::Crc32(transfer_.payload)));
}

void SimulatedWatch::AnnounceBlock() {
  const Block& b = transfer_.order[transfer_.current];
  const uint32_t total = static_cast<uint32_t>(transfer_.payload.size());
  transfer_.announcedBeyondEnd = transfer_.beyondEndPending;
  const uint32_t offset = transfer_.announcedBeyondEnd ? total : b.offset;
  const uint32_t crc = device::Crc32(transfer_.payload.data() + b.offset, b.length);
  transfer_.phase = Phase::AwaitBlockAck;
  transfer_.lastActivity = now_;
  SendSentence("PKRV902," + std::to_string(offset) + "," + std::to_string(b.length) + "," + Hex8(crc));
}

void SimulatedWatch::SendBlockBytes() {
  const Block& b = transfer_.order[transfer_.current];
  std::vector<uint8_t> bytes(transfer_.payload.begin() + b.offset, transfer_.payload.begin() + b.offset + b.length);
  if (stats_.blocksSent == faults_.corruptBlock && !bytes.empty()) bytes[bytes.size() / 2] ^= 0xFF;
  ++stats_.blocksSent;
  transfer_.phase = Phase::AwaitVerdict;
  transfer_.lastActivity = now_;
  Emit(bytes.data(), bytes.size());
}

// A receiver that refuses the payload as a whole (it has no room for it) will not take it later.
void SimulatedWatch::OnPayloadAnswer(int status) {
  if (status != kStatusAccepted) {
    DropTransfer();
    return;
  }
  if (transfer_.order.empty()) {
    FinishPayload();
    return;
  }
  AnnounceBlock();
}

void SimulatedWatch::OnAnnouncementAnswer(int status) {
  if (status == kStatusAccepted) {
    SendBlockBytes();
    return;
  }
  transfer_.beyondEndPending = false;  // refused: now the block is announced where it belongs
  AnnounceBlock();
}

void SimulatedWatch::OnVerdict(int status) {
  // A block that went out under a false offset is sent again under its own, whatever the verdict.
  const bool wasBeyondEnd = transfer_.announcedBeyondEnd;
  transfer_.beyondEndPending = false;
  if (status == kStatusAccepted && !wasBeyondEnd) ++transfer_.current;
  if (transfer_.current == transfer_.order.size()) {
    FinishPayload();
    return;
  }
  AnnounceBlock();
}

void SimulatedWatch::FinishPayload() {
  ++stats_.payloadsCompleted;
  transfer_ = Transfer{};
}

void SimulatedWatch::DropTransfer() {
  ++stats_.transfersDropped;
  transfer_ = Transfer{};
}

// The last announcement once more, after the program has been silent too long.
void SimulatedWatch::Reannounce() {
  if (transfer_.phase == Phase::AwaitPayloadAck) {
    AnnouncePayload();
  } else {
    AnnounceBlock();
  }
}

// ---- output ----

void SimulatedWatch::SendSentence(std::string_view body) {
  if (faults_.noise) SendNoise();
  Emit(device::FormatSentence(body));
}

// A line of printable garbage without '$', then a valid sentence of no concern to the program.
void SimulatedWatch::SendNoise() {
  const uint32_t n = noiseCount_++;
  std::string garbage;
  uint32_t state = n * 2654435761u + 12345u;
  const size_t length = 5 + n % 23;
  for (size_t i = 0; i < length; ++i) {
    state = state * 1103515245u + 12345u;
    char c = static_cast<char>(' ' + (state >> 16) % 95);
    if (c == '$') c = '#';
    garbage.push_back(c);
  }
  garbage += "\r\n";
  Emit(garbage);
  Emit(device::FormatSentence(kNoiseSentences[n % kNoiseSentences.size()]));
}

void SimulatedWatch::Emit(std::string_view text) {
  Emit(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// Everything leaves through here, so that silence and the byte limit cut it wherever it stands.
void SimulatedWatch::Emit(const uint8_t* data, size_t size) {
  if (silent_ || unplugged_ || size == 0) return;
  if (faults_.silentAfterBytes >= 0) {
    const long room = std::max(0L, faults_.silentAfterBytes - stats_.bytesSent);
    if (static_cast<size_t>(room) < size) {
      size = static_cast<size_t>(room);
      silent_ = true;
    }
  }
  stats_.bytesSent += static_cast<long>(size);
  const size_t room = kMaxPendingOutput - std::min(kMaxPendingOutput, output_.size());
  output_.insert(output_.end(), data, data + std::min(size, room));
}

}  // namespace kemlog::sim
