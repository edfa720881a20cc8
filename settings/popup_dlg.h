#pragma once
// CPopUpDlg: the one modal message window of the program. The caller writes the shared
// PopupMessage, sets at most one mode flag and runs it; how it ends depends on the mode:
//   no flag          the user presses Exit (1025)
//   BusyMode         a worker calls RequestPopupClose
//   ProgressMode     the same, with the progress bar (1044) shown
//   NoticeMode       itself, about one second after opening (timer 1)
//   GpsDataJobMode   itself, after the GPS data job has run on the user-interface thread (timer 2)

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "platform/clock.h"
#include "platform/ui.h"
#include "skin/dialog_skin.h"

namespace kemlog::settings {

// The text the popup shows, written by any thread and read by the popup's paint.
class PopupMessage {
 public:
  void Set(std::string text);
  std::string Get() const;

 private:
  mutable std::mutex mutex_;
  std::string text_;
};

class CPopUpDlg : public platform::DialogHandler {
 public:
  static constexpr int kNoticeTimer = 1;
  static constexpr int kGpsDataJobTimer = 2;
  static constexpr uint32_t kTimerPeriodMs = 50;
  static constexpr uint32_t kNoticeWaitMs = 1000;
  static constexpr int kWidth = 280;
  static constexpr int kHeight = 111;

  CPopUpDlg(platform::Ui& ui, platform::Clock& clock, PopupMessage& message);

  // Mode flags: set by the caller before DoModal; NoticeMode and GpsDataJobMode are cleared by the
  // popup when they have done their work, the others by the caller.
  bool ProgressMode = false;
  bool NoticeMode = false;
  bool BusyMode = false;
  bool GpsDataJobMode = false;

  // The work of GpsDataJobMode (the GPS data upload), run once on the user-interface thread.
  void SetGpsDataJob(std::function<void()> job);

  // Runs the popup modally over `owner` until it is closed; returns the modal run's result.
  int DoModal(platform::WindowId owner = {});

  // Any thread: ends the popup. A request that comes while no popup window exists is kept, and the
  // next modal run then ends at once.
  void RequestPopupClose();
  // Forgets a close request kept for a popup that has not opened: the caller calls it once the job
  // that could have asked has ended, in case the popup ended before the job's request came.
  void DropPendingClose();
  // Any thread: repaint the popup so that it shows the current PopupMessage.
  void Invalidate();
  // Any thread: moves the progress bar (0-100) of a running popup.
  void SetProgress(int percent);

  // The popup's window while it runs, invalid otherwise.
  platform::WindowId Window() const;
  // The skinned face and Exit button of the running popup.
  const skin::DialogSkin& Skin() const { return skin_; }

  // DialogHandler.
  void OnInitDialog(platform::WindowId self) override;
  void OnCommand(platform::ControlId control) override;
  void OnTimer(int timerId) override;
  void OnPaint(platform::Canvas& canvas) override;
  void OnDestroy() override;

 private:
  void PlaceWindow(platform::WindowId self);
  void PlaceControls();
  void ApplyModes(platform::WindowId self);
  void Publish(platform::WindowId self);
  platform::WindowId Part(platform::ControlId control) const;

  platform::Ui& ui_;
  platform::Clock& clock_;
  PopupMessage& message_;
  std::function<void()> gpsDataJob_;

  // The window as the user-interface thread knows it (set at opening, cleared at the end).
  platform::WindowId self_;
  // The window and its progress bar as other threads reach them, and a close request that came
  // before the window existed; all under windowMutex_.
  mutable std::mutex windowMutex_;
  platform::WindowId window_;
  platform::WindowId progressBar_;
  bool closePending_ = false;
  skin::DialogSkin skin_;
};

}  // namespace kemlog::settings
