#include "platform/headless/memory_link.h"

#include <algorithm>

namespace kemlog::platform::headless {

class MemoryPort : public SerialPort {
 public:
  explicit MemoryPort(MemoryLink& link) : link_(link) {}
  ~MemoryPort() override { link_.ProgramClose(); }
  int Read(uint8_t* buffer, size_t size) override { return link_.ProgramRead(buffer, size); }
  int Write(const uint8_t* data, size_t size) override { return link_.ProgramWrite(data, size); }
  void Purge() override { link_.ProgramPurge(); }
  void DiscardInput() override { link_.ProgramDiscardInput(); }

 private:
  MemoryLink& link_;
};

void MemoryLink::Attach(LinkPeer* peer) {
  std::unique_lock lock(mutex_);
  peerIdle_.wait(lock, [this] { return peerCalls_ == 0; });
  peer_ = peer;
}

// Runs `call` on the peer taken under the lock; Attach waits until it has returned.
template <typename Call>
void MemoryLink::CallPeer(LinkPeer* peer, Call call) {
  if (peer == nullptr) return;
  call(*peer);
  {
    std::lock_guard lock(mutex_);
    --peerCalls_;
  }
  peerIdle_.notify_all();
}

void MemoryLink::SendToProgram(const uint8_t* data, size_t size) {
  std::lock_guard lock(mutex_);
  toProgram_.insert(toProgram_.end(), data, data + size);
}

void MemoryLink::SendToProgram(const std::string& text) {
  SendToProgram(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::unique_ptr<SerialPort> MemoryLink::OpenProgramPort() {
  std::lock_guard lock(mutex_);
  if (unplugged_) return nullptr;
  ++opens_;
  ++openNow_;
  return std::make_unique<MemoryPort>(*this);
}

SerialOpener MemoryLink::Opener(std::string name) {
  return [this, name](const std::string& wanted, const SerialSettings&) -> std::unique_ptr<SerialPort> {
    if (wanted != name) return nullptr;
    return OpenProgramPort();
  };
}

void MemoryLink::Unplug() {
  std::lock_guard lock(mutex_);
  unplugged_ = true;
  toProgram_.clear();
}

void MemoryLink::Replug() {
  std::lock_guard lock(mutex_);
  unplugged_ = false;
}

std::string MemoryLink::ProgramOutput() const {
  std::lock_guard lock(mutex_);
  return fromProgram_;
}

int MemoryLink::PurgeCount() const {
  std::lock_guard lock(mutex_);
  return purges_;
}

int MemoryLink::OpenCount() const {
  std::lock_guard lock(mutex_);
  return opens_;
}

// Hands out what waits; when nothing does, lets virtual time pass in 1 ms steps, as far as the read
// time-out allows (1 ms per byte asked plus 1 ms), giving the peer a chance to send at each step.
int MemoryLink::ProgramRead(uint8_t* buffer, size_t size) {
  if (size == 0) return 0;
  const size_t timeout = size + 1;
  for (size_t waited = 0;; ++waited) {
    LinkPeer* peer = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (unplugged_) return -1;
      if (!toProgram_.empty()) {
        const size_t n = std::min(size, toProgram_.size());
        std::copy_n(toProgram_.begin(), n, buffer);
        toProgram_.erase(toProgram_.begin(), toProgram_.begin() + static_cast<std::ptrdiff_t>(n));
        return static_cast<int>(n);
      }
      if (waited == timeout) return 0;
      peer = TakePeerLocked();
    }
    clock_.Advance(1);
    CallPeer(peer, [this](LinkPeer& p) { p.OnTime(clock_.TickCount()); });
  }
}

int MemoryLink::ProgramWrite(const uint8_t* data, size_t size) {
  LinkPeer* peer = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (unplugged_) return -1;
    fromProgram_.append(reinterpret_cast<const char*>(data), size);
    peer = TakePeerLocked();
  }
  CallPeer(peer, [&](LinkPeer& p) { p.OnBytesFromProgram(data, size, clock_.TickCount()); });
  return static_cast<int>(size);
}

void MemoryLink::ProgramPurge() {
  std::lock_guard lock(mutex_);
  toProgram_.clear();
  ++purges_;
}

void MemoryLink::ProgramDiscardInput() {
  std::lock_guard lock(mutex_);
  toProgram_.clear();
}

void MemoryLink::ProgramClose() {
  std::lock_guard lock(mutex_);
  toProgram_.clear();
  --openNow_;
}

int MemoryLink::OpenNow() const {
  std::lock_guard lock(mutex_);
  return openNow_;
}

}  // namespace kemlog::platform::headless
