#pragma once
// An in-memory serial line between the program and a peer (the simulated watch, or a test's script),
// timed by a virtual clock so that thousands of empty reads cost no real time.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "platform/headless/virtual_clock.h"
#include "platform/serial.h"

namespace kemlog::platform::headless {

// The far end of the line.
class LinkPeer {
 public:
  virtual ~LinkPeer() = default;
  // Bytes that the program wrote, at virtual time now.
  virtual void OnBytesFromProgram(const uint8_t* data, size_t size, uint32_t now) = 0;
  // Virtual time has moved on while the program waits; the peer may send now.
  virtual void OnTime(uint32_t now) = 0;
};

class MemoryLink {
 public:
  explicit MemoryLink(VirtualClock& clock) : clock_(clock) {}

  // Waits for a call into the previous peer that is running on another thread to return, so that a
  // peer may be destroyed right after detaching itself.
  void Attach(LinkPeer* peer);
  // Peer side: queue bytes for the program to read.
  void SendToProgram(const uint8_t* data, size_t size);
  void SendToProgram(const std::string& text);

  // The program's end of the line. Reads honour the time-outs of SerialPort with virtual time.
  std::unique_ptr<SerialPort> OpenProgramPort();
  // An opener that opens the program's end for any name equal to `name`.
  SerialOpener Opener(std::string name);

  // After Unplug, every read and write of the program's end fails.
  void Unplug();
  void Replug();

  // Everything the program has written, in order.
  std::string ProgramOutput() const;
  int PurgeCount() const;
  int OpenCount() const;
  // Program ends open at the moment.
  int OpenNow() const;

  VirtualClock& Clock() { return clock_; }

 private:
  // The peer, counted as called; the caller holds the lock and hands it to CallPeer.
  LinkPeer* TakePeerLocked() {
    if (peer_ != nullptr) ++peerCalls_;
    return peer_;
  }
  template <typename Call>
  void CallPeer(LinkPeer* peer, Call call);
  friend class MemoryPort;
  int ProgramRead(uint8_t* buffer, size_t size);
  int ProgramWrite(const uint8_t* data, size_t size);
  void ProgramPurge();
  void ProgramDiscardInput();
  void ProgramClose();

  VirtualClock& clock_;
  LinkPeer* peer_ = nullptr;
  int peerCalls_ = 0;  // calls into the peer running now
  std::condition_variable peerIdle_;
  mutable std::mutex mutex_;
  std::deque<uint8_t> toProgram_;
  std::string fromProgram_;
  bool unplugged_ = false;
  int purges_ = 0;
  int opens_ = 0;
  int openNow_ = 0;
};

}  // namespace kemlog::platform::headless
