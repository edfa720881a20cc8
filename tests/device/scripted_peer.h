#pragma once
// A test's stand-in for the watch on the in-memory link: it hands each line the program writes to a
// callback and lets the test send at chosen virtual times.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "device/sentence.h"
#include "platform/headless/memory_link.h"

namespace kemlog::testing {

class ScriptedPeer : public platform::headless::LinkPeer {
 public:
  explicit ScriptedPeer(platform::headless::MemoryLink& link) : link_(link) { link_.Attach(this); }
  ~ScriptedPeer() override { link_.Attach(nullptr); }

  // Called with each line the program wrote, without its CR LF.
  std::function<void(const std::string& line)> onLine;

  // Queues text for the program to read at virtual time `at` (at once when that time has come).
  void SendAt(uint32_t at, std::string text) { scheduled_.emplace(at, std::move(text)); }
  void Send(const std::string& text) { link_.SendToProgram(text); }
  void SendSentence(const std::string& body) { Send(device::FormatSentence(body)); }

  // Every line the program wrote, in order.
  const std::vector<std::string>& Lines() const { return lines_; }

  void OnBytesFromProgram(const uint8_t* data, size_t size, uint32_t now) override {
    for (size_t i = 0; i < size; ++i) {
      if (data[i] != '\n') {
        pending_ += static_cast<char>(data[i]);
        continue;
      }
      if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
      lines_.push_back(pending_);
      const std::string line = std::move(pending_);
      pending_.clear();
      if (onLine) onLine(line);
    }
    OnTime(now);
  }

  void OnTime(uint32_t now) override {
    while (!scheduled_.empty() && scheduled_.begin()->first <= now) {
      link_.SendToProgram(scheduled_.begin()->second);
      scheduled_.erase(scheduled_.begin());
    }
  }

 private:
  platform::headless::MemoryLink& link_;
  std::string pending_;
  std::vector<std::string> lines_;
  std::multimap<uint32_t, std::string> scheduled_;
};

// A link with a scripted peer, and the program's end opened on it.
struct LinkFixture {
  platform::headless::VirtualClock clock;
  platform::headless::MemoryLink link{clock};
  ScriptedPeer peer{link};
  std::unique_ptr<platform::SerialPort> port = link.OpenProgramPort();
  device::DeviceLink device{port.get(), clock};
};

}  // namespace kemlog::testing
