#include "settings/setting_dlg.h"

#include <cstdio>
#include <mutex>
#include <optional>

#include "device/firmware_update.h"
#include "device/gps_data_update.h"
#include "device/port_discovery.h"
#include "device/version_query.h"
#include "resources/dialog_templates.h"

namespace kemlog::settings {

namespace {

using platform::ControlId;
using platform::Point;
using platform::Rect;
using platform::RectXywh;
using platform::WindowId;
namespace res = resources;

struct Placement {
  ControlId control;
  Rect rect;
};

// The page's controls in its client coordinates, for the page size the main window gives it.
constexpr Placement kPlacements[] = {
    {res::kSettingBackground, RectXywh(43, 28, 808, 242)},
    {res::kSettingShowVersion, RectXywh(729, 48, 110, 24)},
    {res::kSettingFirmwareSelect, RectXywh(611, 112, 110, 24)},
    {res::kSettingFirmwareUpdate, RectXywh(729, 112, 110, 24)},
    {res::kSettingGpsDataSelect, RectXywh(611, 175, 110, 24)},
    {res::kSettingGpsDataUpdate, RectXywh(729, 175, 110, 24)},
    {res::kSettingVersionLine, RectXywh(202, 52, 500, 72)},
    {res::kSettingFirmwarePath, RectXywh(147, 113, 450, 22)},
    {res::kSettingGpsDataPath, RectXywh(147, 176, 450, 22)},
    {res::kSettingProgramVersion, RectXywh(160, 241, 500, 72)},
};

constexpr ControlId kTextLines[] = {res::kSettingVersionLine, res::kSettingFirmwarePath, res::kSettingGpsDataPath,
                                    res::kSettingProgramVersion};

struct Button {
  ControlId control;
  void (CSettingDlg::*handler)();
};

constexpr Button kButtons[] = {
    {res::kSettingShowVersion, &CSettingDlg::OnShowVersion},
    {res::kSettingFirmwareSelect, &CSettingDlg::OnFirmwareSelect},
    {res::kSettingFirmwareUpdate, &CSettingDlg::OnFirmwareUpdate},
    {res::kSettingGpsDataSelect, &CSettingDlg::OnGpsDataSelect},
    {res::kSettingGpsDataUpdate, &CSettingDlg::OnGpsDataUpdate},
};

// Closed outlines just around the two path lines.
constexpr Point kFirmwareFrame[] = {{146, 112}, {597, 112}, {597, 135}, {146, 135}, {146, 112}};
constexpr Point kGpsDataFrame[] = {{146, 175}, {597, 175}, {597, 198}, {146, 198}, {146, 175}};

platform::FileDialogRequest OpenFileRequest(WindowId owner, const char* filter, const char* extension) {
  platform::FileDialogRequest request;
  request.kind = platform::FileDialogKind::Open;
  request.owner = owner;
  request.title = CSettingDlg::kFileDialogTitle;
  request.filter = filter;
  request.defaultExtension = extension;
  request.flags = platform::kHideReadOnly | platform::kPathMustExist | platform::kFileMustExist;
  return request;
}

// The firmware update's view: the popup in ProgressMode, moved by the transfer's worker. The update
// runs under the busy cursor (the switch to the boot loader and the reconnection block this thread
// for seconds); while a popup waits for its end the arrow is back.
class PopupFirmwareUi : public device::FirmwareUpdateUi {
 public:
  explicit PopupFirmwareUi(MainServices& services) : services_(services) {}

  // The worker starts before the popup; when it has already handed over its text (a quick transfer)
  // that text stays, so the popup does not end on "updating" after a completed update.
  void RunProgressPopup() override {
    WithArrow([this] {
      services_.popup.ProgressMode = true;
      {
        std::lock_guard lock(mutex_);
        if (!workerSpoke_) services_.popupMessage.Set(device::kUpdatingMessage);
      }
      services_.popup.DoModal(services_.mainWindow);
      services_.popup.ProgressMode = false;
    });
  }
  // Worker thread: only the popup's any-thread calls.
  void SetProgress(int percent) override { services_.popup.SetProgress(percent); }
  void ShowMessage(const std::string& text) override {
    {
      std::lock_guard lock(mutex_);
      workerSpoke_ = true;
      services_.popupMessage.Set(text);
    }
    services_.popup.Invalidate();
  }
  void RequestClose() override { services_.popup.RequestPopupClose(); }
  void ShowConnectionMessage() override {
    WithArrow([this] { ShowConnectionPopup(services_); });
  }

 private:
  template <typename F>
  void WithArrow(F popup) {
    services_.ui.SetCursor(platform::CursorKind::Arrow);
    popup();
    services_.ui.SetCursor(platform::CursorKind::Wait);
  }

  MainServices& services_;
  std::mutex mutex_;  // orders the worker's text against the popup's opening text
  bool workerSpoke_ = false;
};

}  // namespace

CSettingDlg::CSettingDlg(MainServices& services) : services_(services) {}

CSettingDlg::~CSettingDlg() {
  if (self_) services_.ui.DestroyWindow(self_);
}

bool CSettingDlg::CreateInPlaceholder(WindowId parent, ControlId placeholder) {
  platform::Ui& ui = services_.ui;
  const platform::DialogTemplate* dialog = res::FindDialogTemplate(res::kSettingPage);
  if (dialog == nullptr || self_) return false;
  self_ = platform::CreateInPlaceOf(ui, *dialog, parent, placeholder, *this);
  return static_cast<bool>(self_);
}

WindowId CSettingDlg::Part(ControlId control) const { return services_.ui.Control(self_, control); }

void CSettingDlg::OnInitDialog(WindowId self) {
  self_ = self;
  services_.ui.SetBackground(self, kPageColour);
  if (const platform::DialogTemplate* dialog = res::FindDialogTemplate(res::kSettingPage)) {
    skin_.Attach(services_.ui, self, *dialog);
  }
  PlaceControls();
  StyleTexts();
  SetLine(res::kSettingVersionLine, "");
  SetLine(res::kSettingFirmwarePath, "");
  SetLine(res::kSettingGpsDataPath, "");
  char version[16];
  std::snprintf(version, sizeof version, "%d.%02d", kVersionMajor, kVersionMinor);
  SetLine(res::kSettingProgramVersion, version);
}

void CSettingDlg::PlaceControls() {
  for (const Placement& p : kPlacements) services_.ui.Move(Part(p.control), p.rect);
  services_.ui.Invalidate(Part(res::kSettingBackground));
}

// Black text straight on the page's white.
void CSettingDlg::StyleTexts() {
  const platform::TextStyle style{0x000000, std::nullopt, platform::Font{kTextFace, kTextPointSize}};
  for (ControlId line : kTextLines) services_.ui.SetTextStyle(Part(line), style);
}

void CSettingDlg::SetLine(ControlId line, const std::string& text) { services_.ui.SetText(Part(line), text); }

void CSettingDlg::ShowMessage(const std::string& text) {
  services_.ui.ShowMessageBox(services_.mainWindow, text, kMessageCaption);
}

void CSettingDlg::OnCommand(ControlId control) {
  for (const Button& b : kButtons) {
    if (b.control == control) (this->*b.handler)();
  }
}

void CSettingDlg::OnPaint(platform::Canvas& canvas) {
  const platform::Pen pen{platform::PenStyle::Solid, 1, kFrameColour};
  canvas.DrawPolyline(kFirmwareFrame, pen);
  canvas.DrawPolyline(kGpsDataFrame, pen);
}

void CSettingDlg::OnDestroy() {
  skin_.Detach();
  self_ = {};
}

// --- The frame of the buttons ------------------------------------------------------------------------

bool CSettingDlg::ReachWatch(bool busyCursor) {
  device::DevicePort& port = services_.port;
  if (port.IsOpen()) return true;
  std::optional<platform::WaitCursor> wait;
  if (busyCursor) wait.emplace(services_.ui);
  device::EnsureDevicePort(port, services_.devices);
  return port.IsOpen();
}

bool CSettingDlg::WithWatch(void (CSettingDlg::*before)(), bool busyCursor) {
  if (before != nullptr) (this->*before)();
  if (services_.port.IsOpen()) return true;
  if (ReachWatch(busyCursor)) return true;
  ShowConnectionPopup(services_);
  return false;
}

void CSettingDlg::ClearVersionLine() {
  SetLine(res::kSettingVersionLine, "");
  services_.ui.Invalidate(self_);
}

void CSettingDlg::ClearFirmwareSelection() {
  SetLine(res::kSettingFirmwarePath, "");
  services_.ui.Invalidate(self_);
  FirmwareFileValid = false;
}

void CSettingDlg::ClearGpsDataSelection() {
  SetLine(res::kSettingGpsDataPath, "");
  services_.ui.Invalidate(self_);
  GpsDataFileValid = false;
}

// --- The buttons -------------------------------------------------------------------------------------

void CSettingDlg::OnShowVersion() {
  if (!WithWatch(&CSettingDlg::ClearVersionLine, true)) return;
  {
    platform::WaitCursor wait(services_.ui);
    device::DeviceLink link = services_.port.Link();
    VersionText = device::QueryDeviceVersion(link);
  }
  SetLine(res::kSettingVersionLine, VersionText);
}

void CSettingDlg::OnFirmwareSelect() {
  if (!WithWatch(&CSettingDlg::ClearFirmwareSelection)) return;
  const std::optional<std::string> path =
      services_.ui.FileDialog(OpenFileRequest(services_.mainWindow, kFirmwareFilter, kFirmwareExtension));
  if (!path) {
    SetLine(res::kSettingFirmwarePath, "");
    return;
  }
  FirmwareFilePath = *path;
  SetLine(res::kSettingFirmwarePath, FirmwareFilePath);
  FirmwareFileValid = device::CheckFirmwareFile(FirmwareFilePath);
}

void CSettingDlg::OnGpsDataSelect() {
  if (!WithWatch(&CSettingDlg::ClearGpsDataSelection)) return;
  const std::optional<std::string> path =
      services_.ui.FileDialog(OpenFileRequest(services_.mainWindow, kGpsDataFilter, ""));
  if (!path) {
    SetLine(res::kSettingGpsDataPath, "");
    return;
  }
  GpsDataFilePath = *path;
  SetLine(res::kSettingGpsDataPath, GpsDataFilePath);
  GpsDataFileValid = device::CheckGpsDataFile(GpsDataFilePath, [this](const std::string& text) { ShowMessage(text); });
}

// Every press ends with the selection cleared, so the next update needs a fresh File Select.
void CSettingDlg::OnFirmwareUpdate() {
  if (WithWatch(nullptr) && FirmwareFileValid) {
    const std::string image = FirmwareFilePath;  // the transfer's worker reads this copy
    PopupFirmwareUi view(services_);
    platform::WaitCursor wait(services_.ui);
    device::RunFirmwareUpdate(services_.port, services_.devices, image, view);
    services_.popup.DropPendingClose();  // the worker has ended: a late request is not for a later popup
  }
  ClearFirmwareSelection();
}

void CSettingDlg::OnGpsDataUpdate() {
  if (WithWatch(nullptr) && GpsDataFileValid) SendGpsDataUnderPopup();
  ClearGpsDataSelection();
}

// The upload runs inside the popup's GpsDataJobMode. "Done" follows only a complete upload; a
// failure that no message box has explained (the watch stopped answering) gets the connection popup.
void CSettingDlg::SendGpsDataUnderPopup() {
  CPopUpDlg& popup = services_.popup;
  const std::string path = GpsDataFilePath;
  device::GpsDataSendResult result;
  bool explained = false;
  popup.SetGpsDataJob([&] {
    device::DeviceLink link = services_.port.Link();
    result = device::SendGpsData(link, path, [&](const std::string& text) {
      explained = true;
      ShowMessage(text);
    });
  });
  popup.GpsDataJobMode = true;
  services_.popupMessage.Set(device::kUpdatingMessage);
  popup.DoModal(services_.mainWindow);
  popup.GpsDataJobMode = false;  // also when the run ended before the job
  popup.SetGpsDataJob({});

  if (result.Complete()) {
    popup.NoticeMode = true;
    services_.popupMessage.Set(device::kDoneMessage);
    popup.DoModal(services_.mainWindow);
    popup.NoticeMode = false;
  } else if (!explained) {
    ShowConnectionPopup(services_);
  }
}

}  // namespace kemlog::settings
