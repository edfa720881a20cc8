#include "device/sentence.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace kemlog::device {
namespace {

constexpr size_t kReplyFieldsBufferSize = 1024;
constexpr size_t kTextPollSize = 128;
constexpr int kTextPolls = 11;
constexpr uint32_t kTextPollIntervalMs = 100;
constexpr size_t kHelloBufferSize = 128;
constexpr uint32_t kHelloWindowMs = 500;
constexpr std::string_view kHello = "PKRV861,";

// Length of the zero-terminated text at the start of bytes, never beyond them.
size_t BoundedLength(const char* bytes, size_t size) {
  return static_cast<size_t>(std::find(bytes, bytes + size, '\0') - bytes);
}

// Checks a line collected into buffer[0, count) that ended with LF: terminates the body where its
// '*' should be and compares checksum and prefix.
bool IsWantedLine(std::span<char> buffer, size_t count, std::string_view prefix) {
  buffer[count - 5] = '\0';
  const size_t bodyLength = BoundedLength(buffer.data(), count - 5);
  char digits[3];
  std::snprintf(digits, sizeof digits, "%02X", SentenceChecksum({buffer.data(), bodyLength}));
  if (digits[0] != buffer[count - 4] || digits[1] != buffer[count - 3]) return false;
  return bodyLength >= prefix.size() && std::string_view(buffer.data(), prefix.size()) == prefix;
}

}  // namespace

uint8_t SentenceChecksum(std::string_view text) {
  uint8_t sum = 0;
  for (char c : text) sum ^= static_cast<uint8_t>(c);
  return sum;
}

std::string FormatSentence(std::string_view body) {
  char line[kSentenceBufferSize];
  const int n = std::snprintf(line, sizeof line, "$%.*s*%02X\r\n", static_cast<int>(body.size()), body.data(),
                              SentenceChecksum(body));
  if (n < 0 || static_cast<size_t>(n) >= sizeof line) return {};
  return std::string(line, static_cast<size_t>(n));
}

void SendSentence(DeviceLink& link, std::string_view body) {
  const std::string line = FormatSentence(body);
  if (!line.empty()) link.Write(line);
}

bool WaitReply(int number, std::span<char> buffer, DeviceLink& link, int budget) {
  char prefixText[16];
  std::snprintf(prefixText, sizeof prefixText, "PKRV%03d", number);
  const std::string_view prefix(prefixText);
  if (budget <= 0 || buffer.empty()) return false;

  bool collecting = false;
  size_t count = 0;
  for (int misses = 0; misses < budget;) {
    const int byte = link.ReadByte();
    if (byte < 0) {
      ++misses;
      continue;
    }
    if (!collecting) {
      if (byte == '$') {
        collecting = true;
        count = 0;
      }
      continue;
    }
    if (count == buffer.size()) {  // longer than the buffer: cannot match, drop it
      collecting = false;
      continue;
    }
    buffer[count++] = static_cast<char>(byte);
    if (byte != '\n') continue;
    collecting = false;
    if (count >= 5 && IsWantedLine(buffer, count, prefix)) return true;
  }
  return false;
}

std::optional<ReplyFields> WaitReplyFields(DeviceLink& link, int number, int budget) {
  std::array<char, kReplyFieldsBufferSize> reply{};
  if (!WaitReply(number, reply, link, budget)) return std::nullopt;
  // WaitReply ends the body with a zero after at least "PKRV" and the three digits of its number.
  ReplyFields fields;
  std::sscanf(reply.data() + 4, "%*d,%d,%d", &fields.first, &fields.second);
  return fields;
}

bool SendAndWaitText(DeviceLink& link, std::string_view body, std::string_view text, std::string& out) {
  SendSentence(link, body);
  std::array<char, kTextPollSize> received{};
  for (int poll = 0; poll < kTextPolls; ++poll) {
    link.Sleep(kTextPollIntervalMs);
    link.Read(reinterpret_cast<uint8_t*>(received.data()), received.size());
    const std::string_view seen(received.data(), BoundedLength(received.data(), received.size()));
    const size_t at = seen.find(text);
    if (at != std::string_view::npos) {
      out.assign(seen.substr(at));
      return true;
    }
  }
  return false;
}

bool WaitHello(DeviceLink& link) {
  std::array<char, kHelloBufferSize> collected{};
  const uint32_t start = link.TickCount();
  while (link.TickCount() - start < kHelloWindowMs) {
    const int byte = link.ReadByte();
    if (byte < 0) continue;
    if (collected[0] != '$') {
      if (byte != '$') continue;
      collected[0] = '$';
      collected[1] = collected[2] = collected[3] = '\0';
    } else {
      const auto slot = std::find(collected.begin() + 1, collected.end(), '\0');
      if (slot == collected.end()) continue;
      *slot = static_cast<char>(byte);
    }
    if (std::string_view(collected.data() + 1, kHello.size()) == kHello) return true;
  }
  return false;
}

}  // namespace kemlog::device
