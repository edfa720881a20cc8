#pragma once
// Bytes of the files the maintenance operations send: random contents, a GPS data file with a right
// header, a firmware image, and what the boot loader receives of an image.

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kemlog::testing {

inline std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// A GPS data file of `size` bytes (at least 32) whose 32-byte header describes it.
inline std::vector<uint8_t> GpsDataFileBytes(size_t size, uint32_t seed = 3) {
  std::vector<uint8_t> bytes = RandomBytes(size, seed);
  const uint32_t words[7] = {0x55AAFFFF, 32, static_cast<uint32_t>(size - 1), 5, 0x00070012, 6, 7};
  uint32_t sum = 0;
  for (size_t i = 0; i < 8; ++i) {
    const uint32_t w = i < 7 ? words[i] : sum;
    if (i < 7) sum += w;
    for (size_t b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<uint8_t>(w >> (8 * b));
  }
  return bytes;
}

// A firmware image: the model text, the rest of the 24-byte header, then `body` image bytes.
inline std::vector<uint8_t> FirmwareImageBytes(size_t body, uint32_t seed = 11) {
  std::vector<uint8_t> image(24 + body);
  const std::string model = "KRV ZQN 4170";
  std::copy(model.begin(), model.end(), image.begin());
  const auto data = RandomBytes(body, seed);
  std::copy(data.begin(), data.end(), image.begin() + 24);
  return image;
}

// What the boot loader holds after an image: its bytes after the header in 128-byte packets, the
// last padded with 0x1A and zeros (a whole extra packet when the body fills the last one).
inline std::vector<uint8_t> FirmwarePacketData(const std::vector<uint8_t>& image) {
  std::vector<uint8_t> data(image.begin() + 24, image.end());
  data.push_back(0x1A);
  data.resize((data.size() + 127) / 128 * 128, 0);
  return data;
}

}  // namespace kemlog::testing
