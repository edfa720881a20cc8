#pragma once
// Device sentences: "$" body "*" two upper-case hex digits of the body's XOR, CR LF; and the three
// bounded ways of waiting for the watch's answer.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "device/device_link.h"

namespace kemlog::device {

// Sentences longer than this (with "$", "*", checksum and CR LF) are not sent.
inline constexpr size_t kSentenceBufferSize = 256;
// Empty one-byte reads that a reply wait tolerates in the log download and the block transfer.
inline constexpr int kReplyBudget = 3000;

// XOR of the bytes of text.
uint8_t SentenceChecksum(std::string_view text);

// The whole line for a body: "$%s*%02X\r\n". Empty when the line would not fit in 256 bytes.
std::string FormatSentence(std::string_view body);

// Writes the line for body in one write; the write's result is not looked at.
void SendSentence(DeviceLink& link, std::string_view body);

// Waits for a sentence "PKRV<number>..." with a correct checksum. Only empty reads consume the
// budget. On true, buffer holds the body, zero-terminated where its '*' was. Lines shorter than five
// bytes or longer than the buffer are dropped; nothing is written outside the buffer.
bool WaitReply(int number, std::span<char> buffer, DeviceLink& link, int budget);

// The two numbers after the sentence number of a reply "PKRV<number>,<first>,<second>..."; a number
// that is missing reads as 0.
struct ReplyFields {
  int first = 0;
  int second = 0;
};

// Waits as WaitReply does (with a 1024-byte buffer) for reply `number` and reads its fields; nothing
// when no such reply came.
std::optional<ReplyFields> WaitReplyFields(DeviceLink& link, int number, int budget);

// A sentence body printed from format and values, cut to kSentenceBufferSize - 1 bytes.
template <typename... Values>
std::string FormatBody(const char* format, Values... values) {
  char body[kSentenceBufferSize];
  if (std::snprintf(body, sizeof body, format, values...) < 0) return {};
  return body;
}

// Sends body, then polls eleven times, 100 ms apart, for text in what arrives (one read of up to 128
// bytes per poll). On true, out holds the received text from text's first occurrence on.
bool SendAndWaitText(DeviceLink& link, std::string_view body, std::string_view text, std::string& out);

// True when the identification sentence "$PKRV861," begins within 500 ms.
bool WaitHello(DeviceLink& link);

}  // namespace kemlog::device
