#pragma once
// The watch's boot loader: single command bytes, a few lines of text, and the firmware image in
// 133-byte XMODEM-CRC packets. It sends at its own pace: what it has to say is queued and goes out
// one piece per step of time, as a slow serial line would carry it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/watch_faults.h"

namespace kemlog::sim {

class BootLoader {
 public:
  static constexpr size_t kPacketSize = 133;
  static constexpr size_t kPacketData = 128;
  // The image area of the watch; packets beyond it are refused.
  static constexpr size_t kMaxFirmware = size_t{8} << 20;
  static constexpr uint8_t kSoh = 0x01;
  static constexpr uint8_t kEot = 0x04;
  static constexpr uint8_t kAck = 0x06;
  static constexpr uint8_t kNak = 0x15;
  static constexpr uint8_t kStart = 'C';  // sent after the 'E' bytes: ready for the first packet

  // What a byte from the program led to.
  enum class Exit { Stay, Updated, Left };

  // Pause (ms) between two queued pieces, and the number of 'E' bytes before the start byte.
  uint32_t stepMs = 10;
  int prepareBytes = 5;

  // Starts afresh in its menu, at time now; mainVersion is shown in the "Main" line.
  void Enter(int mainVersion, uint32_t now);
  // One byte from the program. Bytes the boot loader sends go to out.
  Exit Take(uint8_t byte, uint32_t now, const WatchFaults& faults, WatchStats& stats, std::vector<uint8_t>& out);
  // Time passes: the next queued piece goes out when its step has come.
  void Advance(uint32_t now, std::vector<uint8_t>& out);

  // The data of the good packets, in order, since the last 'u'.
  const std::vector<uint8_t>& Firmware() const { return firmware_; }
  bool Hung() const { return state_ == State::Hung; }

 private:
  enum class State { Menu, Preparing, Receiving, AwaitBoot, Hung };
  using Handler = Exit (BootLoader::*)(std::vector<uint8_t>& out);
  struct Command {
    uint8_t byte;
    Handler handler;
  };
  static const Command kMenu[];

  Exit OnQuery(std::vector<uint8_t>& out);
  Exit OnAlive(std::vector<uint8_t>& out);
  Exit OnUpdate(std::vector<uint8_t>& out);
  Exit OnBoot(std::vector<uint8_t>& out);
  Exit TakeMenuByte(uint8_t byte, std::vector<uint8_t>& out);
  void TakeFrameByte(uint8_t byte, const WatchFaults& faults, WatchStats& stats, std::vector<uint8_t>& out);
  bool PacketIsGood() const;
  void Queue(std::string piece);
  void Release(std::vector<uint8_t>& out);

  State state_ = State::Menu;
  int mainVersion_ = 0;
  bool withoutMain_ = false;  // the fault that leaves the "Main" line out
  uint32_t now_ = 0;
  uint32_t lastRelease_ = 0;
  std::deque<std::string> queue_;  // pieces still to go out, one per step
  std::vector<uint8_t> frame_;     // the packet being taken, at most kPacketSize bytes
  uint8_t nextBlock_ = 1;
  std::vector<uint8_t> firmware_;
};

}  // namespace kemlog::sim
