#include "settings/popup_dlg.h"

#include <utility>

#include "resources/dialog_templates.h"
#include "resources/program_texts.h"

namespace kemlog::settings {

namespace {

using platform::ClampToScreen;
using platform::RectXywh;
using platform::WindowId;

constexpr platform::Colour kBlack = 0x000000;
constexpr platform::Colour kWhite = 0xFFFFFF;
constexpr platform::Colour kBarColour = platform::Rgb(0, 255, 199);
constexpr const char* kMessageFace = resources::kRoundedFace;
constexpr int kMessagePointSize = 103;  // tenths of a point

}  // namespace

void PopupMessage::Set(std::string text) {
  std::lock_guard lock(mutex_);
  text_ = std::move(text);
}

std::string PopupMessage::Get() const {
  std::lock_guard lock(mutex_);
  return text_;
}

CPopUpDlg::CPopUpDlg(platform::Ui& ui, platform::Clock& clock, PopupMessage& message)
    : ui_(ui), clock_(clock), message_(message) {}

void CPopUpDlg::SetGpsDataJob(std::function<void()> job) { gpsDataJob_ = std::move(job); }

int CPopUpDlg::DoModal(WindowId owner) {
  const platform::DialogTemplate* dialog = resources::FindDialogTemplate(resources::kPopupDialog);
  if (dialog == nullptr || Window()) return -1;  // one popup at a time
  return ui_.RunModal(*dialog, owner, *this);
}

// The window is copied under the lock and the toolkit called outside it, so that a backend whose
// call waits for the user-interface thread cannot meet that thread waiting for the lock; the
// toolkit drops calls for windows that have gone meanwhile.
void CPopUpDlg::RequestPopupClose() {
  WindowId window;
  {
    std::lock_guard lock(windowMutex_);
    window = window_;
    if (!window) closePending_ = true;
  }
  if (window) ui_.PostClose(window);
}

void CPopUpDlg::DropPendingClose() {
  std::lock_guard lock(windowMutex_);
  closePending_ = false;
}

void CPopUpDlg::Invalidate() {
  const WindowId window = Window();
  if (window) ui_.Invalidate(window, true);
}

void CPopUpDlg::SetProgress(int percent) {
  WindowId bar;
  {
    std::lock_guard lock(windowMutex_);
    bar = progressBar_;
  }
  if (bar) ui_.SetProgressPosition(bar, percent);
}

WindowId CPopUpDlg::Window() const {
  std::lock_guard lock(windowMutex_);
  return window_;
}

WindowId CPopUpDlg::Part(platform::ControlId control) const { return ui_.Control(self_, control); }

void CPopUpDlg::OnInitDialog(WindowId self) {
  self_ = self;
  PlaceWindow(self);
  if (const platform::DialogTemplate* dialog = resources::FindDialogTemplate(resources::kPopupDialog)) {
    skin_.Attach(ui_, self, *dialog);
  }
  PlaceControls();
  ApplyModes(self);
  Publish(self);
}

// Keeps the window on the screen and gives it the size of its face picture.
void CPopUpDlg::PlaceWindow(WindowId self) {
  platform::Rect rect = ui_.Geometry(self);
  platform::Size screen = ui_.ScreenSize();
  int left = ClampToScreen(rect.left, screen.cx);
  int top = ClampToScreen(rect.top, screen.cy);
  ui_.Move(self, RectXywh(left, top, kWidth, kHeight));
  ui_.SetBackground(self, kBlack);
}

void CPopUpDlg::PlaceControls() {
  WindowId background = Part(resources::kPopupBackground);
  ui_.Move(background, RectXywh(0, 0, kWidth, kHeight));
  ui_.Invalidate(background);

  WindowId exitButton = Part(resources::kPopupExit);
  ui_.Move(exitButton, RectXywh(190, 75, 75, 24));
  ui_.Show(exitButton, true);

  WindowId bar = Part(resources::kPopupProgress);
  ui_.Move(bar, RectXywh(67, 70, 150, 10));
  ui_.Show(bar, false);
  ui_.SetProgressColours(bar, kBarColour, kBlack);

  WindowId line = Part(resources::kPopupMessageLine);
  ui_.SetText(line, message_.Get());
  ui_.Move(line, RectXywh(66, 40, 200, 45));
  ui_.SetTextStyle(line, platform::TextStyle{kWhite, std::nullopt, platform::Font{kMessageFace, kMessagePointSize}});
}

void CPopUpDlg::ApplyModes(WindowId self) {
  WindowId exitButton = Part(resources::kPopupExit);
  if (BusyMode) ui_.Show(exitButton, false);
  if (ProgressMode) {
    ui_.Show(exitButton, false);
    ui_.Show(Part(resources::kPopupProgress), true);
  } else if (NoticeMode) {
    ui_.Show(exitButton, false);
    ui_.SetTimer(self, kNoticeTimer, kTimerPeriodMs);
  } else if (GpsDataJobMode) {
    ui_.Show(exitButton, false);
    ui_.SetTimer(self, kGpsDataJobTimer, kTimerPeriodMs);
  }
}

// From here on other threads reach the window; a close request that came early ends it now.
void CPopUpDlg::Publish(WindowId self) {
  std::lock_guard lock(windowMutex_);
  window_ = self;
  progressBar_ = ui_.Control(self, resources::kPopupProgress);
  if (closePending_) {
    closePending_ = false;
    ui_.PostClose(self);
  }
}

void CPopUpDlg::OnCommand(platform::ControlId control) {
  if (control == resources::kPopupExit) RequestPopupClose();
}

void CPopUpDlg::OnTimer(int timerId) {
  if (timerId == kNoticeTimer) {
    ui_.KillTimer(self_, kNoticeTimer);
    clock_.Sleep(kNoticeWaitMs);
    NoticeMode = false;
    RequestPopupClose();
  } else if (timerId == kGpsDataJobTimer) {
    ui_.KillTimer(self_, kGpsDataJobTimer);
    if (gpsDataJob_) gpsDataJob_();
    GpsDataJobMode = false;
    RequestPopupClose();
  }
}

void CPopUpDlg::OnPaint(platform::Canvas& /*canvas*/) {
  ui_.SetText(Part(resources::kPopupMessageLine), message_.Get());
}

void CPopUpDlg::OnDestroy() {
  skin_.Detach();
  std::lock_guard lock(windowMutex_);
  window_ = {};
  progressBar_ = {};
  self_ = {};
}

}  // namespace kemlog::settings
