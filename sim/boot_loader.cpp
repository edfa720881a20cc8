#include "sim/boot_loader.h"

#include <span>

#include "device/firmware_update.h"

namespace kemlog::sim {

const BootLoader::Command BootLoader::kMenu[] = {
    {'q', &BootLoader::OnQuery},
    {'a', &BootLoader::OnAlive},
    {'u', &BootLoader::OnUpdate},
    {'b', &BootLoader::OnBoot},
};

void BootLoader::Enter(int mainVersion, uint32_t now) {
  state_ = State::Menu;
  mainVersion_ = mainVersion;
  now_ = now;
  lastRelease_ = now;
  queue_.clear();
  frame_.clear();
}

BootLoader::Exit BootLoader::Take(uint8_t byte, uint32_t now, const WatchFaults& faults, WatchStats& stats,
                                  std::vector<uint8_t>& out) {
  now_ = now;
  withoutMain_ = faults.bootLoaderWithoutMain;
  switch (state_) {
    case State::Menu: return TakeMenuByte(byte, out);
    case State::Receiving: TakeFrameByte(byte, faults, stats, out); return Exit::Stay;
    case State::AwaitBoot:
      if (byte != 'b') return Exit::Stay;
      state_ = State::Menu;
      return Exit::Updated;
    case State::Preparing:  // busy: what comes now is lost
    case State::Hung: return Exit::Stay;
  }
  return Exit::Stay;
}

void BootLoader::Advance(uint32_t now, std::vector<uint8_t>& out) {
  now_ = now;
  if (state_ == State::Hung || queue_.empty() || now_ - lastRelease_ < stepMs) return;
  Release(out);
}

// ---- the menu ----

BootLoader::Exit BootLoader::TakeMenuByte(uint8_t byte, std::vector<uint8_t>& out) {
  for (const Command& c : kMenu) {
    if (c.byte == byte) return (this->*c.handler)(out);
  }
  return Exit::Stay;  // other bytes mean nothing to the menu
}

// 'q': who it is and what it runs, a line per step; the first line at once.
BootLoader::Exit BootLoader::OnQuery(std::vector<uint8_t>& out) {
  queue_.clear();
  Queue("ZQN-4170 boot loader\r\n");
  Queue("Mode: update\r\n");
  Queue(!withoutMain_ ? "Main: " + std::to_string(mainVersion_) + "\r\n" : "Loader: 1.00\r\n");
  Queue("Ready\r\n");
  Release(out);
  return Exit::Stay;
}

BootLoader::Exit BootLoader::OnAlive(std::vector<uint8_t>& out) {
  queue_.clear();
  out.push_back('a');
  return Exit::Stay;
}

// 'u': echoed, then 'E' while the image area is prepared, then the start byte.
BootLoader::Exit BootLoader::OnUpdate(std::vector<uint8_t>& out) {
  queue_.clear();
  out.push_back('u');
  firmware_.clear();
  frame_.clear();
  nextBlock_ = 1;
  for (int i = 0; i < prepareBytes; ++i) Queue("E");
  Queue(std::string(1, static_cast<char>(kStart)));
  lastRelease_ = now_;
  state_ = State::Preparing;
  return Exit::Stay;
}

// 'b' from the menu: back to the firmware there is, without an update.
BootLoader::Exit BootLoader::OnBoot(std::vector<uint8_t>&) {
  queue_.clear();
  return Exit::Left;
}

// ---- packets ----

// A frame starts with SOH (a packet) or EOT (the end); bytes between frames are line noise.
void BootLoader::TakeFrameByte(uint8_t byte, const WatchFaults& faults, WatchStats& stats, std::vector<uint8_t>& out) {
  if (frame_.empty() && byte != kSoh && byte != kEot) return;
  frame_.push_back(byte);
  if (frame_.size() < kPacketSize) return;
  if (frame_[0] == kEot) {
    frame_.clear();
    out.push_back(kAck);
    state_ = State::AwaitBoot;
    return;
  }
  if (faults.silentAfterPacket >= 0 && stats.packetsReceived >= faults.silentAfterPacket) {
    frame_.clear();
    queue_.clear();
    state_ = State::Hung;
    return;
  }
  ++stats.packetsReceived;
  const bool good = PacketIsGood() && firmware_.size() + kPacketData <= kMaxFirmware;
  if (good) {
    firmware_.insert(firmware_.end(), frame_.begin() + 3, frame_.begin() + 3 + kPacketData);
    ++nextBlock_;  // wraps from 255 to 0
  } else {
    ++stats.badPackets;
  }
  frame_.clear();
  out.push_back(good ? kAck : kNak);
}

bool BootLoader::PacketIsGood() const {
  const std::span<const uint8_t> data(frame_.data() + 3, kPacketData);
  const uint16_t crc = device::Crc16Xmodem(data);
  return frame_[1] == nextBlock_ && frame_[2] == static_cast<uint8_t>(255 - nextBlock_) &&
         frame_[131] == (crc >> 8) && frame_[132] == (crc & 0xFF);
}

// ---- paced output ----

void BootLoader::Queue(std::string piece) { queue_.push_back(std::move(piece)); }

void BootLoader::Release(std::vector<uint8_t>& out) {
  if (queue_.empty()) return;
  const std::string& piece = queue_.front();
  out.insert(out.end(), piece.begin(), piece.end());
  queue_.pop_front();
  lastRelease_ = now_;
  if (state_ == State::Preparing && queue_.empty()) state_ = State::Receiving;
}

}  // namespace kemlog::sim
