#pragma once
// A small client of the simulated watch for tests: it writes the program's sentences and raw bytes
// and reads the watch's bytes back with its own line splitting, checksum check, block receiver and
// block sender, and builds firmware packets with its own CRC-16.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/block_transfer.h"
#include "device/sentence.h"
#include "sim/simulated_watch.h"

namespace kemlog::sim::testing {

inline std::vector<std::string> Split(const std::string& body) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (;;) {
    const size_t comma = body.find(',', from);
    parts.push_back(body.substr(from, comma - from));
    if (comma == std::string::npos) return parts;
    from = comma + 1;
  }
}

inline uint32_t Number(const std::string& text, int base = 10) {
  return static_cast<uint32_t>(std::stoul(text, nullptr, base));
}

// The body of a well-formed line "$" body "*" hh CR LF (upper-case hex, right XOR), else nullopt.
inline std::optional<std::string> BodyOf(const std::string& line) {
  const size_t n = line.size();
  if (n < 6 || line[0] != '$' || line.compare(n - 2, 2, "\r\n") != 0 || line[n - 5] != '*') return std::nullopt;
  const std::string body = line.substr(1, n - 6);
  uint8_t sum = 0;
  for (char c : body) sum = static_cast<uint8_t>(sum ^ static_cast<uint8_t>(c));
  static constexpr char kHex[] = "0123456789ABCDEF";
  if (line[n - 4] != kHex[sum >> 4] || line[n - 3] != kHex[sum & 0xF]) return std::nullopt;
  return body;
}

class WatchClient {
 public:
  explicit WatchClient(SimulatedWatch& watch) : watch_(watch) {}

  void Send(std::string_view body) {
    sent.emplace_back(body);
    Write(device::FormatSentence(body));
  }
  void Write(std::string_view bytes) {
    watch_.Receive(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), now);
    Collect();
  }
  void Write(const std::vector<uint8_t>& bytes) {
    watch_.Receive(bytes.data(), bytes.size(), now);
    Collect();
  }
  void Write(uint8_t byte) { Write(std::vector<uint8_t>{byte}); }
  // Lets time pass for the watch, in one step.
  void Wait(uint32_t ms) {
    now += ms;
    watch_.Advance(now);
    Collect();
  }
  // Lets time pass in 1 ms steps, as a reader polling the line would.
  void Run(uint32_t ms) {
    for (uint32_t i = 0; i < ms; ++i) Wait(1);
  }

  // The next whole line (through LF), or nullopt when none has come.
  std::optional<std::string> Line() {
    std::string line;
    for (size_t i = 0; i < in_.size(); ++i) {
      line.push_back(static_cast<char>(in_[i]));
      if (in_[i] != '\n') continue;
      in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(i + 1));
      return line;
    }
    return std::nullopt;
  }

  // The next line, which must be a well-formed sentence; its body, or "" after a failure. With
  // expectNoise, it must come after a garbage line and an unrelated sentence.
  std::string Sentence() {
    if (expectNoise) SkipNoise();
    const std::optional<std::string> line = Line();
    if (!line) {
      ADD_FAILURE() << "the watch sent no line";
      return {};
    }
    const std::optional<std::string> body = BodyOf(*line);
    if (!body) ADD_FAILURE() << "not a sentence: " << *line;
    return body.value_or("");
  }

  // Up to n raw bytes.
  std::vector<uint8_t> Raw(size_t n) {
    n = std::min(n, in_.size());
    std::vector<uint8_t> out(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(n));
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(n));
    return out;
  }

  size_t Pending() const { return in_.size(); }
  std::string PendingText() const { return std::string(in_.begin(), in_.end()); }
  // Everything that has come, as text, taken off the line.
  std::string TakeText() {
    std::string text = PendingText();
    in_.clear();
    return text;
  }

  uint32_t now = 0;
  bool expectNoise = false;
  int noiseSeen = 0;            // garbage line and unrelated sentence pairs skipped
  std::vector<std::string> sent;  // bodies sent, in order

 private:
  void SkipNoise() {
    const std::optional<std::string> garbage = Line();
    const std::optional<std::string> unrelated = Line();
    if (!garbage || !unrelated) {
      ADD_FAILURE() << "no noise before the sentence";
      return;
    }
    bool printable = garbage->size() >= 3 && garbage->compare(garbage->size() - 2, 2, "\r\n") == 0;
    for (size_t i = 0; i + 2 < garbage->size(); ++i) {
      const char ch = (*garbage)[i];
      printable = printable && ch >= ' ' && ch <= '~' && ch != '$';
    }
    EXPECT_TRUE(printable) << "garbage line: " << *garbage;
    const std::optional<std::string> body = BodyOf(*unrelated);
    EXPECT_TRUE(body.has_value()) << "unrelated line: " << *unrelated;
    // Nothing the program waits for: not 611, 861, 900, 901 or 902.
    for (const char* number : {"PKRV611", "PKRV861", "PKRV900", "PKRV901", "PKRV902"}) {
      EXPECT_NE(body.value_or("").rfind(number, 0), 0u) << *unrelated;
    }
    ++noiseSeen;
  }

  void Collect() {
    const std::vector<uint8_t> out = watch_.TakeOutput();
    in_.insert(in_.end(), out.begin(), out.end());
  }

  SimulatedWatch& watch_;
  std::deque<uint8_t> in_;
};

struct Announcement {
  uint32_t offset = 0;
  uint32_t length = 0;
  uint32_t crc = 0;
  bool operator==(const Announcement&) const = default;
};

struct Received {
  uint32_t total = 0;
  uint32_t crc = 0;
  std::vector<uint8_t> payload;
  std::vector<Announcement> announcements;  // every 902, repeats included
  std::vector<bool> blockGood;              // per block whose bytes came: did they match its CRC
  bool complete = false;                    // every byte covered by accepted blocks
};

// How the receiving side behaves besides checking blocks.
struct ReceiveOptions {
  int refuseAnnouncements = 0;  // answer the first n announcements with status 2
  int rejectGoodBlocks = 0;     // answer the first n blocks with status 2 even though they are right
};

// Receives one payload the watch announces next: answers 901, each 902 in range, and each block by
// its CRC, as the program's receiving side does.
inline Received ReceivePayload(WatchClient& c, ReceiveOptions options = {}) {
  Received r;
  const std::vector<std::string> head = Split(c.Sentence());
  if (head.size() != 3 || head[0] != "PKRV901") {
    ADD_FAILURE() << "expected a 901 announcement";
    return r;
  }
  r.total = Number(head[1]);
  r.crc = Number(head[2], 16);
  EXPECT_EQ(head[2].size(), 8u);
  c.Send("PKRV900,901,3");
  r.payload.assign(r.total, 0);
  std::vector<bool> covered(r.total, false);
  uint32_t coveredCount = 0;
  for (int round = 0; coveredCount < r.total && round < 1000; ++round) {
    const std::vector<std::string> f = Split(c.Sentence());
    if (f.size() != 4 || f[0] != "PKRV902") {
      ADD_FAILURE() << "expected a 902 announcement";
      return r;
    }
    const Announcement a{Number(f[1]), Number(f[2]), Number(f[3], 16)};
    r.announcements.push_back(a);
    const bool inside = uint64_t{a.offset} + a.length <= r.total;
    if (!inside || options.refuseAnnouncements > 0) {
      if (inside) --options.refuseAnnouncements;
      c.Send("PKRV900,902,2");
      continue;
    }
    c.Send("PKRV900,902,3");
    const std::vector<uint8_t> bytes = c.Raw(a.length);
    if (bytes.size() != a.length) {
      ADD_FAILURE() << "block cut short: " << bytes.size() << " of " << a.length;
      return r;
    }
    const bool good = device::Crc32(bytes) == a.crc;
    r.blockGood.push_back(good);
    if (!good || options.rejectGoodBlocks-- > 0) {
      c.Send("PKRV900,902,2");
      continue;
    }
    std::copy(bytes.begin(), bytes.end(), r.payload.begin() + a.offset);
    for (uint32_t i = a.offset; i < a.offset + a.length; ++i) {
      if (!covered[i]) ++coveredCount;
      covered[i] = true;
    }
    c.Send("PKRV900,902,3");
  }
  r.complete = coveredCount == r.total;
  return r;
}

inline std::string Hex8(uint32_t v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out(8, '0');
  for (size_t i = 0; i < 8; ++i) out[7 - i] = kDigits[(v >> (4 * i)) & 0xF];
  return out;
}

// How the sending side behaves.
struct SendOptions {
  uint32_t chunkSize = 4096;
  int corruptChunk = -1;  // the n-th chunk attempt goes out with one byte flipped (its 902 is right)
  int maxFailures = 10;   // failed attempts in a row before giving up
};

struct Sent {
  std::string payloadAnswer;                // the answer to 901
  std::vector<Announcement> attempts;       // every 902 sent, repeats included
  std::vector<std::string> readyAnswers;    // the answer to each 902
  std::vector<std::string> verdicts;        // the answer after each chunk's bytes ("" when not sent)
  bool complete = false;                    // every chunk acknowledged
};

// Uploads data as the program's sending side does: 901 with its length and checksum, then chunks in
// order, each announced with 902, its bytes written once the watch answered status 3, and judged by
// the watch's second answer; a chunk is announced again until it is stored.
inline Sent SendPayload(WatchClient& c, const std::vector<uint8_t>& data, SendOptions options = {}) {
  Sent r;
  const uint32_t total = static_cast<uint32_t>(data.size());
  c.Send("PKRV901," + std::to_string(total) + "," + Hex8(device::Crc32(data)));
  r.payloadAnswer = c.Sentence();
  if (r.payloadAnswer != "PKRV900,901,3") return r;
  uint32_t offset = 0;
  int failures = 0;
  while (offset < total && failures < options.maxFailures) {
    const uint32_t n = std::min(options.chunkSize, total - offset);
    std::vector<uint8_t> bytes(data.begin() + offset, data.begin() + offset + n);
    const Announcement a{offset, n, device::Crc32(bytes)};
    if (static_cast<int>(r.attempts.size()) == options.corruptChunk) bytes[n / 2] ^= 0x5A;
    r.attempts.push_back(a);
    c.Send("PKRV902," + std::to_string(a.offset) + "," + std::to_string(a.length) + "," + Hex8(a.crc));
    r.readyAnswers.push_back(c.Sentence());
    if (r.readyAnswers.back() != "PKRV900,902,3") {
      r.verdicts.emplace_back();
      ++failures;
      continue;
    }
    c.Write(bytes);
    r.verdicts.push_back(c.Sentence());
    if (r.verdicts.back() == "PKRV900,902,3") {
      offset += n;
      failures = 0;
    } else {
      ++failures;
    }
  }
  r.complete = offset == total;
  return r;
}

// CRC-16/XMODEM, bit by bit: polynomial 0x1021, start 0, no reflection, no final XOR.
inline uint16_t XmodemCrc(const uint8_t* data, size_t size) {
  uint16_t crc = 0;
  for (size_t i = 0; i < size; ++i) {
    crc = static_cast<uint16_t>(crc ^ (data[i] << 8));
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
  }
  return crc;
}

inline constexpr size_t kPacketSize = 133;
inline constexpr size_t kPacketData = 128;
inline constexpr uint8_t kSoh = 0x01;
inline constexpr uint8_t kEot = 0x04;
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;

// The 128 data bytes of packet `index` (0-based) of an image: a short last piece is followed by 0x1A
// and zeros, and an image that fills its packets exactly gets one more of 0x1A and zeros.
inline std::vector<uint8_t> PacketData(const std::vector<uint8_t>& image, size_t index) {
  std::vector<uint8_t> data(kPacketData, 0);
  const size_t from = index * kPacketData;
  const size_t n = from < image.size() ? std::min(kPacketData, image.size() - from) : 0;
  std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(from), n, data.begin());
  if (n < kPacketData) data[n] = 0x1A;
  return data;
}
inline size_t PacketCount(const std::vector<uint8_t>& image) { return image.size() / kPacketData + 1; }

// SOH, block number, its complement, the data, CRC high byte, CRC low byte.
inline std::vector<uint8_t> Packet(uint8_t block, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> p{kSoh, block, static_cast<uint8_t>(255 - block)};
  p.insert(p.end(), data.begin(), data.end());
  const uint16_t crc = XmodemCrc(data.data(), data.size());
  p.push_back(static_cast<uint8_t>(crc >> 8));
  p.push_back(static_cast<uint8_t>(crc & 0xFF));
  return p;
}

// The end of transmission: the last packet with its first byte replaced by EOT.
inline std::vector<uint8_t> EndOfTransmission(std::vector<uint8_t> lastPacket) {
  lastPacket[0] = kEot;
  return lastPacket;
}

}  // namespace kemlog::sim::testing
