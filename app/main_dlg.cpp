#include "app/main_dlg.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "app/device_presence.h"
#include "app/download_sink.h"
#include "device/log_download.h"
#include "device/messages.h"
#include "device/port_discovery.h"
#include "resources/dialog_templates.h"

namespace kemlog::app {

namespace {

using platform::ControlId;
using platform::ClampToScreen;
using platform::Point;
using platform::RectXywh;
using platform::Size;
using platform::WindowId;
namespace res = resources;

// Where the layout puts a control for a client size of W × H: (x, y, width, height) as
// (x0 + W·xw, y0, w0 + W·ww, h0 + H·hh) with the factors 0 or 1.
struct Placement {
  ControlId control;
  int x0, xw, y, w0, ww, h0, hh;
};

constexpr Placement kPlacements[] = {
    {res::kMainClose, -20, 1, 3, 17, 0, 17, 0},
    {res::kMainMaximize, -39, 1, 3, 17, 0, 17, 0},
    {res::kMainMinimize, -58, 1, 3, 17, 0, 17, 0},
    {res::kMainDataTab, 3, 0, 23, 96, 0, 31, 0},
    {res::kMainSettingTab, 99, 0, 23, 96, 0, 31, 0},
    {res::kMainLoad, -99, 1, 23, 96, 0, 31, 0},
    {res::kMainBanner, 3, 0, 23, -6, 1, 31, 0},
};

platform::Rect Place(const Placement& p, int width, int height) {
  return RectXywh(p.x0 + p.xw * width, p.y, p.w0 + p.ww * width, p.h0 + p.hh * height);
}

platform::Rect PageRect(int width, int height) { return RectXywh(3, 55, width - 6, height - 58); }

void DeleteFile(const std::string& path) {
  std::error_code error;
  std::filesystem::remove(path, error);  // a file that cannot be deleted is left; the next is tried
}

}  // namespace

CZQN4170_ZEZureDlg::CZQN4170_ZEZureDlg(MainWindowSetup setup)
    : ui_(setup.ui),
      clock_(setup.clock),
      devices_(setup.devices),
      logFolder_(std::move(setup.logFolder)),
      fontFiles_(std::move(setup.fontFiles)),
      makers_(std::move(setup.pages)),
      port_(std::move(setup.opener), setup.clock),
      popup_(ui_, clock_, popupMessage_),
      services_{ui_, clock_, port_, devices_, popupMessage_, popup_, logFolderPath_, logFolder_, {}} {}

CZQN4170_ZEZureDlg::~CZQN4170_ZEZureDlg() {
  devices_.WatchChanges({});
  JoinDownload();
  if (self_) ui_.DestroyWindow(self_);
}

int CZQN4170_ZEZureDlg::DoModal() {
  const platform::DialogTemplate* dialog = res::FindDialogTemplate(res::kMainDialog);
  if (dialog == nullptr) return -1;
  return ui_.RunModal(*dialog, {}, *this);
}

WindowId CZQN4170_ZEZureDlg::Part(ControlId control) const { return ui_.Control(self_, control); }

// --- Start-up -----------------------------------------------------------------------------------------

void CZQN4170_ZEZureDlg::OnInitDialog(WindowId self) {
  self_ = self;
  services_.mainWindow = self;
  const Size client = ui_.ClientSize(self);
  clientWidth_ = client.cx;
  clientHeight_ = client.cy;
  ui_.SetText(self, kMainWindowTitle);
  ui_.SetBackground(self, 0x000000);
  CreatePages();
  if (const platform::DialogTemplate* dialog = res::FindDialogTemplate(res::kMainDialog)) {
    skin_.Attach(ui_, self, *dialog);
  }
  ui_.Move(Part(res::kMainEmblem), RectXywh(3, 2, 18, 18));
  ui_.Move(Part(res::kMainBanner), RectXywh(3, 23, clientWidth_ - 6, 31));
  skin_.SetLatched(res::kMainDataTab, true);
  PlaceWindow();
  LayoutMainWindow();
  ShowPage(false);
  CreateLogFolder();
  AddFont();
  ConnectAtStart();
  WatchDeviceChanges();
}

void CZQN4170_ZEZureDlg::CreatePages() {
  if (makers_.logPage) {
    logPage_ = makers_.logPage(services_);
    if (logPage_ && !logPage_->CreateInPlaceholder(self_, res::kMainLogPagePlaceholder)) logPage_.reset();
  }
  if (makers_.settingPage) {
    settingPage_ = makers_.settingPage(services_);
    if (settingPage_ && !settingPage_->CreateInPlaceholder(self_, res::kMainSettingPagePlaceholder)) {
      settingPage_.reset();
    }
  }
}

// Keeps the top-left corner on the screen and gives the window its start size.
void CZQN4170_ZEZureDlg::PlaceWindow() {
  const platform::Rect rect = ui_.Geometry(self_);
  const Size screen = ui_.ScreenSize();
  ui_.Move(self_, RectXywh(ClampToScreen(rect.left, screen.cx), ClampToScreen(rect.top, screen.cy), kMainWidth,
                           kMainHeight));
}

void CZQN4170_ZEZureDlg::CreateLogFolder() {
  std::error_code error;
  if (!std::filesystem::exists(logFolder_, error)) std::filesystem::create_directories(logFolder_, error);
}

// The first font file that exists, else the last one named; a failure is not reported.
void CZQN4170_ZEZureDlg::AddFont() {
  if (fontFiles_.empty()) return;
  auto found = std::find_if(fontFiles_.begin(), fontFiles_.end(), [](const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
  });
  ui_.AddPrivateFont(found != fontFiles_.end() ? *found : fontFiles_.back());
}

void CZQN4170_ZEZureDlg::ConnectAtStart() {
  port_.nameFoundAtStart = device::FindDevicePort(devices_, port_.portName);
  if (port_.nameFoundAtStart != 0) port_.OpenDevicePort();
}

// Notices come on a thread of the device list; they are handled on the user-interface thread.
void CZQN4170_ZEZureDlg::WatchDeviceChanges() {
  platform::Ui& ui = ui_;
  const WindowId self = self_;
  devices_.WatchChanges([&ui, self] { ui.PostEvent(self, platform::PostedEvent{platform::kDeviceChangeEvent, 0}); });
}

void CZQN4170_ZEZureDlg::OnPostedEvent(const platform::PostedEvent& event) {
  if (event.code == platform::kDeviceChangeEvent) OnDeviceChange(port_, devices_);
}

// --- Layout -------------------------------------------------------------------------------------------

void CZQN4170_ZEZureDlg::LayoutMainWindow() {
  for (const Placement& p : kPlacements) ui_.Move(Part(p.control), Place(p, clientWidth_, clientHeight_), true);
  const platform::Rect page = PageRect(clientWidth_, clientHeight_);
  ui_.Move(logPage_ ? logPage_->Window() : Part(res::kMainLogPagePlaceholder), page, true);
  ui_.Move(settingPage_ ? settingPage_->Window() : Part(res::kMainSettingPagePlaceholder), page, true);
}

void CZQN4170_ZEZureDlg::OnSize(Size client) {
  if (client.cx == 0 && client.cy == 0) return;  // minimised
  clientWidth_ = client.cx;
  clientHeight_ = client.cy;
  if (!self_) return;  // the controls do not exist yet
  if (client != laidOutSize_) {
    LayoutMainWindow();
    if (logPage_) logPage_->LayoutLogPage(client.cx - 6, client.cy - 58);
    laidOutSize_ = client;
  }
  ui_.Invalidate(self_, true);
}

void CZQN4170_ZEZureDlg::ToggleMaximize() {
  if (!maximized_) {
    const platform::Rect outer = ui_.Geometry(self_);
    restoreBounds_ = SavedBounds{outer.left, outer.top, clientWidth_, clientHeight_};
    // Flag first: the move below reports the new size at once.
    maximized_ = true;
    ui_.Move(self_, ui_.MonitorWorkArea(self_), true);
  } else {
    maximized_ = false;
    ui_.Move(self_, RectXywh(restoreBounds_.left, restoreBounds_.top, restoreBounds_.width, restoreBounds_.height),
             true);
  }
  ui_.BringToTop(self_);
  ui_.Show(self_, true);
}

// --- Title bar and resize corner ------------------------------------------------------------------------

bool CZQN4170_ZEZureDlg::InResizeCorner(Point at) const {
  return RectXywh(clientWidth_ - kResizeCorner, clientHeight_ - kResizeCorner, kResizeCorner, kResizeCorner)
      .Contains(at);
}

void CZQN4170_ZEZureDlg::OnMouse(const platform::MouseEvent& event) {
  if (event.button == platform::MouseButton::Right) return;
  switch (event.action) {
    case platform::MouseAction::Down:
      OnMouseDown(event.at);
      break;
    case platform::MouseAction::Move:
      OnMouseMove(event.at);
      break;
    case platform::MouseAction::Up:
      OnMouseUp(event.at);
      break;
    case platform::MouseAction::DoubleClick:
      if (event.at.y < kTitleStripHeight) ToggleMaximize();
      break;
    case platform::MouseAction::Leave:
      break;
  }
}

// The top strip drags the window (only while not maximised); the corner square starts a resize.
void CZQN4170_ZEZureDlg::OnMouseDown(Point at) {
  if (!maximized_ && at.y < kTitleStripHeight) {
    const platform::Rect outer = ui_.Geometry(self_);
    dragging_ = true;
    dragAnchor_ = Point{outer.left + at.x, outer.top + at.y};
    ui_.SetCapture(self_);
  }
  if (InResizeCorner(at)) {
    resizing_ = true;
    ui_.SetCapture(self_);
  }
}

void CZQN4170_ZEZureDlg::OnMouseMove(Point at) {
  if (resizing_ && !maximized_) {
    SizeByCorner(at);
    ui_.SetCursor(platform::CursorKind::SizeDiagonal);
    return;
  }
  if (dragging_) DragBy(at);
  ui_.SetCursor(InResizeCorner(at) ? platform::CursorKind::SizeDiagonal : platform::CursorKind::Arrow);
}

// A release while maximised leaves the size alone, as the moves before it did.
void CZQN4170_ZEZureDlg::OnMouseUp(Point at) {
  if (resizing_) {
    if (!maximized_) SizeByCorner(at);
    resizing_ = false;
    ui_.ReleaseCapture();
  }
  if (dragging_) {
    DragBy(at);
    dragging_ = false;
    ui_.ReleaseCapture();
  }
}

// The corner follows the mouse without moving the window, never below the start size.
void CZQN4170_ZEZureDlg::SizeByCorner(Point at) {
  const platform::Rect outer = ui_.Geometry(self_);
  ui_.Move(self_, RectXywh(outer.left, outer.top, std::max(at.x, kMainWidth), std::max(at.y, kMainHeight)), true);
}

// Moves the window by as much as the mouse moved on the screen since the last step.
void CZQN4170_ZEZureDlg::DragBy(Point at) {
  if (maximized_) return;
  const platform::Rect outer = ui_.Geometry(self_);
  const Point screen{outer.left + at.x, outer.top + at.y};
  const int dx = screen.x - dragAnchor_.x;
  const int dy = screen.y - dragAnchor_.y;
  dragAnchor_ = screen;
  if (dx != 0 || dy != 0) ui_.Move(self_, RectXywh(outer.left + dx, outer.top + dy, outer.Width(), outer.Height()));
}

// --- Commands -----------------------------------------------------------------------------------------

void CZQN4170_ZEZureDlg::OnCommand(ControlId control) {
  switch (control) {
    case res::kMainClose:
      OnCloseButton();
      break;
    case res::kMainMaximize:
      ToggleMaximize();
      break;
    case res::kMainMinimize:
      ui_.Minimize(self_);
      break;
    case res::kMainLoad:
      OnLoad();
      break;
    case res::kMainSettingTab:
      ShowPage(true);
      break;
    case res::kMainDataTab:
      ShowPage(false);
      break;
    default:
      break;
  }
}

void CZQN4170_ZEZureDlg::ShowPage(bool setting) {
  if (logPage_) ui_.Show(logPage_->Window(), !setting);
  if (settingPage_) ui_.Show(settingPage_->Window(), setting);
  skin_.SetLatched(res::kMainSettingTab, setting);
  skin_.SetLatched(res::kMainDataTab, !setting);
  ui_.Invalidate(self_, true);
}

void CZQN4170_ZEZureDlg::OnLoad() {
  if (!port_.IsOpen()) {
    device::EnsureDevicePort(port_, devices_);
    if (!port_.IsOpen()) {
      settings::ShowConnectionPopup(services_);
      return;
    }
  }
  RunDownload();
}

// The worker fetches the logs while the popup keeps the user away from the pages; its last act is
// the popup's close request, so it has ended (or is about to) when the popup returns.
void CZQN4170_ZEZureDlg::RunDownload() {
  JoinDownload();
  logFolderPath_ = logFolder_;
  const WindowId list = logPage_ ? logPage_->HistoryList() : WindowId{};
  const int count = logPage_ ? static_cast<int>(logPage_->LogFilePaths().size()) : 0;
  auto sink = std::make_shared<PopupDownloadSink>(services_, list, count, [this](const std::string& path) {
    if (logPage_) logPage_->AddLogFile(path);
  });
  // The first text is in place before the worker can write its own.
  popup_.BusyMode = true;
  popupMessage_.Set(device::kHistoryMessage);
  download_ = std::thread([link = port_.Link(), folder = logFolderPath_, sink]() mutable {
    device::LogDownloadWorker(link, folder, *sink);
  });
  popup_.DoModal(self_);
  popup_.BusyMode = false;
  JoinDownload();
  popup_.DropPendingClose();  // the worker has ended: a late request is not for a later popup
  if (logPage_) logPage_->RefreshLogCount();
}

void CZQN4170_ZEZureDlg::JoinDownload() {
  if (download_.joinable()) download_.join();
}

void CZQN4170_ZEZureDlg::OnCloseButton() {
  port_.CloseDevicePort();
  if (logPage_) {
    for (const std::string& path : logPage_->LogFilePaths()) DeleteFile(path);
    logPage_->ClearLogFiles();
  }
  ui_.PostClose(self_);
}

// --- End ----------------------------------------------------------------------------------------------

void CZQN4170_ZEZureDlg::OnDestroy() {
  devices_.WatchChanges({});
  skin_.Detach();
  JoinDownload();
  std::error_code error;
  std::filesystem::remove(logFolder_, error);  // removes the folder only when it is empty
  self_ = {};
  services_.mainWindow = {};
}

}  // namespace kemlog::app
