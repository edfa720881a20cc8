#pragma once
// What the pages, the popup's users and the workers reach of the main window: the toolkit, the clock,
// the watch's port and the device list, the popup with its shared text, and the log folder path.
// The main window owns everything here and hands this out to its pages.

#include <string>

#include "device/device_port.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/ui.h"
#include "settings/popup_dlg.h"

namespace kemlog::settings {

struct MainServices {
  platform::Ui& ui;
  platform::Clock& clock;
  device::DevicePort& port;
  platform::DeviceList& devices;
  PopupMessage& popupMessage;
  CPopUpDlg& popup;
  // The log folder: set by the Load button and the NMEA import (user-interface thread).
  std::string& logFolderPath;
  // The folder those set it to: C:\KemLog on Windows, ~/KemLog elsewhere (or a test's folder).
  std::string defaultLogFolder;
  // The main window, once it exists (owner of message boxes and the popup).
  platform::WindowId mainWindow;
};

// Shows the popup without mode flags with the connection message; the user closes it.
void ShowConnectionPopup(MainServices& services);

}  // namespace kemlog::settings
