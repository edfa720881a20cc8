#pragma once
// Line reading and number scanning shared by the GPX and NMEA readers.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>

namespace kemlog::track {

// Reads a file line by line into a fixed buffer. A line is handed out once its LF has been read; the
// bytes after the last LF are never handed out. A line longer than kMaxLine bytes is cut: its first
// kMaxLine bytes are handed out and the rest, up to and including the LF, is dropped, so a tail never
// passes for a line of its own.
class LineReader {
 public:
  static constexpr size_t kMaxLine = 1023;

  explicit LineReader(std::FILE* file) : file_(file) {}
  // The next line (with its CR LF unless cut), NUL-terminated in the buffer; nothing at the end.
  std::optional<std::string_view> Next();

 private:
  std::FILE* file_;
  char line_[kMaxLine + 1] = {};
};

// A short text copied into a bounded, NUL-terminated buffer; longer texts are cut to kMaxText chars.
class ShortText {
 public:
  static constexpr size_t kMaxText = 31;
  explicit ShortText(std::string_view text);
  const char* c_str() const { return text_; }

 private:
  char text_[kMaxText + 1] = {};
};

// "%d"-style scan: leading blanks, an optional sign, decimal digits. Nothing when no digit starts the
// text. The value keeps its low 32 bits, so that unsigned values printed with "%d" read back.
std::optional<uint32_t> ScanInt32Bits(const char* text);
// Text-to-integer conversion: the value, or 0 when no number starts the text; saturates in 64 bits.
int64_t TextToInteger(const char* text);
// "%f"-style scan: nothing when no number starts the text.
std::optional<double> ScanDouble(const char* text);
// Text-to-double conversion: 0 when no number starts the text.
double TextToDouble(const char* text);

}  // namespace kemlog::track
