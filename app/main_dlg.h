#pragma once
// CZQN4170_ZEZureDlg: the program's one main window. It draws its own title bar (close, maximise,
// minimise), is dragged by its top strip and resized by its bottom-right corner, switches between
// the log data page and the settings page, runs the log download under the popup, follows the watch
// being plugged in and out, and cleans up the logs it stored when the user leaves by its close button.

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/main_pages.h"
#include "device/device_port.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/serial.h"
#include "platform/ui.h"
#include "resources/dialog_templates.h"
#include "settings/main_services.h"
#include "settings/popup_dlg.h"
#include "skin/dialog_skin.h"
#include "resources/program_texts.h"

namespace kemlog::app {

inline constexpr char kMainWindowClass[] = "#32770";
inline constexpr const char* kMainWindowTitle = resources::kProductName;
inline constexpr int kMainWidth = 900;
inline constexpr int kMainHeight = 620;
// The top strip that drags the window and whose double-click maximises it.
inline constexpr int kTitleStripHeight = 23;
// The side of the resize corner square.
inline constexpr int kResizeCorner = 10;

// What the main window is built from: the toolkit and the machine's facilities, the log folder, the
// font files to try (the first that exists, else the last), and the makers of the pages.
struct MainWindowSetup {
  platform::Ui& ui;
  platform::Clock& clock;
  platform::DeviceList& devices;
  platform::SerialOpener opener;
  std::string logFolder;
  std::vector<std::string> fontFiles;
  PageMakers pages;
};

class CZQN4170_ZEZureDlg : public platform::DialogHandler {
 public:
  explicit CZQN4170_ZEZureDlg(MainWindowSetup setup);
  ~CZQN4170_ZEZureDlg() override;
  CZQN4170_ZEZureDlg(const CZQN4170_ZEZureDlg&) = delete;
  CZQN4170_ZEZureDlg& operator=(const CZQN4170_ZEZureDlg&) = delete;

  // Runs the window modally until it ends; returns the modal run's result.
  int DoModal();

  // Reading the window's state (tests and the pages).
  platform::WindowId Window() const { return self_; }
  settings::MainServices& Services() { return services_; }
  device::DevicePort& Port() { return port_; }
  MainLogPage* LogPage() const { return logPage_.get(); }
  MainPage* SettingPage() const { return settingPage_.get(); }
  bool DataTabLatched() const { return skin_.IsLatched(resources::kMainDataTab); }
  bool SettingTabLatched() const { return skin_.IsLatched(resources::kMainSettingTab); }
  // The skinned banners and buttons of the window.
  const skin::DialogSkin& Skin() const { return skin_; }
  bool Maximized() const { return maximized_; }
  bool Resizing() const { return resizing_; }
  platform::Size LaidOutSize() const { return laidOutSize_; }

  void LayoutMainWindow();
  void ToggleMaximize();

  // DialogHandler.
  void OnInitDialog(platform::WindowId self) override;
  void OnCommand(platform::ControlId control) override;
  void OnSize(platform::Size client) override;
  void OnMouse(const platform::MouseEvent& event) override;
  void OnPostedEvent(const platform::PostedEvent& event) override;
  void OnDestroy() override;

 private:
  struct SavedBounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
  };

  platform::WindowId Part(platform::ControlId control) const;
  void CreatePages();
  void PlaceWindow();
  void CreateLogFolder();
  void AddFont();
  void ConnectAtStart();
  void WatchDeviceChanges();
  bool InResizeCorner(platform::Point at) const;
  void OnMouseDown(platform::Point at);
  void OnMouseMove(platform::Point at);
  void OnMouseUp(platform::Point at);
  void SizeByCorner(platform::Point at);
  void DragBy(platform::Point at);
  void ShowPage(bool setting);
  void OnLoad();
  void RunDownload();
  void OnCloseButton();
  void JoinDownload();

  platform::Ui& ui_;
  platform::Clock& clock_;
  platform::DeviceList& devices_;
  std::string logFolder_;
  std::vector<std::string> fontFiles_;
  PageMakers makers_;

  device::DevicePort port_;
  settings::PopupMessage popupMessage_;
  settings::CPopUpDlg popup_;
  std::string logFolderPath_;
  settings::MainServices services_;
  std::unique_ptr<MainLogPage> logPage_;
  std::unique_ptr<MainPage> settingPage_;
  std::thread download_;

  platform::WindowId self_;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  platform::Size laidOutSize_{0, 0};
  bool maximized_ = false;
  SavedBounds restoreBounds_;
  bool resizing_ = false;
  bool dragging_ = false;
  platform::Point dragAnchor_{0, 0};  // screen point of the last drag step
  skin::DialogSkin skin_;
};

}  // namespace kemlog::app
