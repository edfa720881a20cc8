#pragma once
// CSettingDlg: the settings page, the main window's second page. It shows the watch's firmware
// version and GPS data date, lets the user choose a GPS data file and a firmware image and send them
// to the watch, and shows the program's own version. Every button first makes sure the watch's port
// is open; when the watch cannot be reached it shows the connection popup and does nothing else.
//
// Everything here runs on the user-interface thread. The firmware transfer's worker gets its own
// copy of the image path, so nothing of the page is shared with it.

#include <string>

#include "platform/canvas.h"
#include "platform/ui.h"
#include "settings/main_services.h"
#include "skin/dialog_skin.h"
#include "resources/program_texts.h"

namespace kemlog::settings {

class CSettingDlg : public platform::DialogHandler {
 public:
  // The program's version as the page shows it.
  static constexpr int kVersionMajor = 1;
  static constexpr int kVersionMinor = 0;
  // Caption of the page's message boxes.
  static constexpr const char* kMessageCaption = resources::kProductName;
  static constexpr const char* kFileDialogTitle = "ファイルを開く";
  static constexpr const char* kFirmwareFilter = "Bin Files(*.bin) |*.bin| All Files(*.*) |*.*||";
  static constexpr const char* kFirmwareExtension = "*.bin";
  static constexpr const char* kGpsDataFilter = "POI Files(*.txt) |*.txt| All Files(*.*) |*.*||";
  // Colour of the frames around the two path lines.
  static constexpr platform::Colour kFrameColour = platform::Rgb(0, 151, 138);
  static constexpr platform::Colour kPageColour = 0xFFFFFF;
  static constexpr const char* kTextFace = resources::kRoundedFace;
  static constexpr int kTextPointSize = 110;  // tenths of a point

  explicit CSettingDlg(MainServices& services);
  ~CSettingDlg() override;
  CSettingDlg(const CSettingDlg&) = delete;
  CSettingDlg& operator=(const CSettingDlg&) = delete;

  // Replaces the parent's placeholder control with the page, 2 pixels inside the placeholder's
  // rectangle, on top of its siblings and shown. False when there is no such placeholder or the page
  // could not be created.
  bool CreateInPlaceholder(platform::WindowId parent, platform::ControlId placeholder);
  platform::WindowId Window() const { return self_; }
  // The page's skinned face and buttons.
  const skin::DialogSkin& Skin() const { return skin_; }

  // The last version query's text, the last chosen files, and whether those passed their checks.
  std::string VersionText;
  std::string FirmwareFilePath;
  std::string GpsDataFilePath;
  bool FirmwareFileValid = false;
  bool GpsDataFileValid = false;

  // The five buttons.
  void OnShowVersion();
  void OnFirmwareSelect();
  void OnFirmwareUpdate();
  void OnGpsDataSelect();
  void OnGpsDataUpdate();

  // DialogHandler.
  void OnInitDialog(platform::WindowId self) override;
  void OnCommand(platform::ControlId control) override;
  void OnPaint(platform::Canvas& canvas) override;
  void OnDestroy() override;

 private:
  platform::WindowId Part(platform::ControlId control) const;
  void PlaceControls();
  void StyleTexts();
  void SetLine(platform::ControlId line, const std::string& text);
  void ShowMessage(const std::string& text);

  // Opens the port when it is closed (under the busy cursor when asked); true when it is open.
  bool ReachWatch(bool busyCursor);
  // The frame of every button: `before` (may be null), then the port test. False, after the
  // connection popup, when the watch cannot be reached.
  bool WithWatch(void (CSettingDlg::*before)(), bool busyCursor = false);

  void ClearVersionLine();
  void ClearFirmwareSelection();
  void ClearGpsDataSelection();
  void SendGpsDataUnderPopup();

  MainServices& services_;
  platform::WindowId self_;
  skin::DialogSkin skin_;
};

}  // namespace kemlog::settings
