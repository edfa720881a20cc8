#pragma once
// The block transfer: payloads announced with 901, sent as blocks announced with 902, each block and
// the whole payload guarded by Crc32, answered with 900.

#include <cstddef>
#include <cstdint>
#include <span>

#include "device/device_link.h"

namespace kemlog::device {

// The watch's 32-bit checksum: the MSB-first table of 0x04C11DB7 driven by a right-shifting register
// that starts at 0xFFFFFFFF, no final XOR. "abc" gives 0x262A3D24.
uint32_t Crc32(const uint8_t* data, size_t length);
inline uint32_t Crc32(std::span<const uint8_t> data) { return Crc32(data.data(), data.size()); }

// Receives one payload into destination, whose size is the expected payload size. A payload of
// another size is refused with status 2 and fails; announced blocks beyond the buffer are refused with
// status 2 and count as failures. True when every byte arrived and the payload checksum (unless
// FFFFFFFF) matches.
bool ReceiveBlocks(DeviceLink& link, std::span<uint8_t> destination);

// Sends one payload to the watch: 901 with its size and checksum, then chunks of at most 4096 bytes,
// each announced with 902 and written once the watch is ready. A chunk that fails ten times in a row
// ends the upload. True when the watch acknowledged every chunk.
bool SendBlocks(DeviceLink& link, std::span<const uint8_t> data);

}  // namespace kemlog::device
