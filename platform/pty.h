#pragma once
// Pseudo-terminals: the simulated watch's side of a serial line that real serial code can open.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kemlog::platform {

// The master side of a pseudo-terminal in raw mode. The slave side, at SlavePath(), behaves like
// a serial device for whoever opens it.
class PseudoTerminal {
 public:
  virtual ~PseudoTerminal() = default;
  virtual const std::string& SlavePath() const = 0;
  // Waits up to timeoutMs for bytes; returns the count read, 0 on time-out, -1 on failure.
  virtual int Read(uint8_t* buffer, size_t size, int timeoutMs) = 0;
  // Writes all bytes (waiting while the line is full); returns false on failure.
  virtual bool WriteAll(const uint8_t* data, size_t size) = 0;
};

// nullptr when the system offers no pseudo-terminal.
std::unique_ptr<PseudoTerminal> OpenPseudoTerminal();

}  // namespace kemlog::platform
