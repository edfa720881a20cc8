#pragma once
// The firmware update's popup as a test sees it: the bar's values, the texts, and a modal run that
// ends on the close request. A test can act on the "user interface thread" once the bar reaches a
// value (for instance pull the cable); like the real program's synchronous progress request, the
// worker's SetProgress returns only after the user interface thread has handled it.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/firmware_update.h"

namespace kemlog::testing {

class TestFirmwareUi : public device::FirmwareUpdateUi {
 public:
  // Runs once, on the thread of RunProgressPopup, when the bar first reaches `percent`.
  void OnProgressReached(int percent, std::function<void()> action) {
    actAt_ = percent;
    action_ = std::move(action);
  }

  void RunProgressPopup() override {
    std::unique_lock lock(mutex_);
    ++popups;
    for (;;) {
      changed_.wait(lock, [this] { return closeRequested_ || (action_ && lastProgress_ >= actAt_); });
      if (closeRequested_) return;
      auto action = std::move(action_);
      action_ = nullptr;
      lock.unlock();
      action();
      lock.lock();
      actionDone_ = true;
      changed_.notify_all();
    }
  }
  void SetProgress(int percent) override {
    std::unique_lock lock(mutex_);
    progress.push_back(percent);
    lastProgress_ = percent;
    changed_.notify_all();
    if (percent >= actAt_) changed_.wait(lock, [this] { return actionDone_; });
  }
  void ShowMessage(const std::string& text) override {
    std::lock_guard lock(mutex_);
    messages.push_back(text);
  }
  void RequestClose() override {
    std::lock_guard lock(mutex_);
    ++closeRequests;
    closeRequested_ = true;
    changed_.notify_all();
  }
  void ShowConnectionMessage() override {
    std::lock_guard lock(mutex_);
    ++connectionMessages;
  }

  std::vector<int> progress;
  std::vector<std::string> messages;
  int popups = 0;
  int closeRequests = 0;
  int connectionMessages = 0;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool closeRequested_ = false;
  int lastProgress_ = -1;
  int actAt_ = 101;
  bool actionDone_ = false;
  std::function<void()> action_;
};

}  // namespace kemlog::testing
