#pragma once
// A peer that reads the program's sentences and, when told, a run of raw bytes in between: the
// stand-in for the watch receiving a block upload.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/sentence.h"
#include "platform/headless/memory_link.h"

namespace kemlog::testing {

class RawPeer : public platform::headless::LinkPeer {
 public:
  explicit RawPeer(platform::headless::MemoryLink& link) : link_(link) { link_.Attach(this); }
  ~RawPeer() override { link_.Attach(nullptr); }

  // A sentence body from the program (between '$' and '*').
  std::function<void(const std::string& body)> onSentence;
  // The raw bytes asked for with ExpectRaw.
  std::function<void(const std::vector<uint8_t>& bytes)> onRaw;

  void ExpectRaw(size_t count) { rawWanted_ = count; }
  void SendSentence(const std::string& body) { link_.SendToProgram(device::FormatSentence(body)); }
  const std::vector<std::string>& Bodies() const { return bodies_; }

  void OnBytesFromProgram(const uint8_t* data, size_t size, uint32_t) override {
    for (size_t i = 0; i < size; ++i) Take(data[i]);
  }
  void OnTime(uint32_t) override {}

 private:
  void Take(uint8_t byte) {
    if (rawWanted_ > 0) {
      raw_.push_back(byte);
      if (raw_.size() < rawWanted_) return;
      rawWanted_ = 0;
      std::vector<uint8_t> done;
      done.swap(raw_);
      if (onRaw) onRaw(done);
      return;
    }
    if (byte != '\n') {
      line_ += static_cast<char>(byte);
      return;
    }
    const size_t star = line_.find('*');
    const std::string body = line_.substr(line_.empty() ? 0 : 1, star == std::string::npos ? std::string::npos : star - 1);
    line_.clear();
    bodies_.push_back(body);
    if (onSentence) onSentence(body);
  }

  platform::headless::MemoryLink& link_;
  std::string line_;
  size_t rawWanted_ = 0;
  std::vector<uint8_t> raw_;
  std::vector<std::string> bodies_;
};

}  // namespace kemlog::testing
