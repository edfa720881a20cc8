#pragma once
// A small client of the simulated watch for tests: it writes the program's sentences as bytes and
// reads the watch's bytes back with its own line splitting, checksum check and block receiver.

#include <gtest/gtest.h>

#include <algorithm>
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
  // Lets time pass for the watch.
  void Wait(uint32_t ms) {
    now += ms;
    watch_.Advance(now);
    Collect();
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

}  // namespace kemlog::sim::testing
