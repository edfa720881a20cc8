// Line reading and number scanning shared by the GPX and NMEA readers.

#include "track/text_scan.h"

#include <algorithm>
#include <cstdlib>

namespace kemlog::track {

std::optional<std::string_view> LineReader::Next() {
  size_t length = 0;
  for (int c = std::getc(file_); c != EOF; c = std::getc(file_)) {
    if (length < kMaxLine) line_[length++] = static_cast<char>(c);
    if (c == '\n') {
      line_[length] = '\0';
      return std::string_view(line_, length);
    }
  }
  return std::nullopt;
}

ShortText::ShortText(std::string_view text) {
  const size_t n = std::min(text.size(), kMaxText);
  std::copy_n(text.data(), n, text_);
  text_[n] = '\0';
}

std::optional<uint32_t> ScanInt32Bits(const char* text) {
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 10);
  if (end == text) return std::nullopt;
  return static_cast<uint32_t>(value);
}

int64_t TextToInteger(const char* text) { return std::strtoll(text, nullptr, 10); }

std::optional<double> ScanDouble(const char* text) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text) return std::nullopt;
  return value;
}

double TextToDouble(const char* text) { return std::strtod(text, nullptr); }

}  // namespace kemlog::track
