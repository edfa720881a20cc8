#pragma once
// The dialog templates of the desktop program as data, shared by every toolkit backend, and the
// numeric ids of their windows and controls.

#include <span>

#include "platform/ui_types.h"

namespace kemlog::resources {

// Dialog templates.
inline constexpr int kMainDialog = 102;
inline constexpr int kLogDataPage = 149;
inline constexpr int kSettingPage = 150;
inline constexpr int kMapHostDialog = 151;
inline constexpr int kPopupDialog = 160;

// Main window (102).
inline constexpr platform::ControlId kMainBanner = 1000;
inline constexpr platform::ControlId kMainEmblem = 1001;
inline constexpr platform::ControlId kMainClose = 1002;
inline constexpr platform::ControlId kMainMaximize = 1003;
inline constexpr platform::ControlId kMainMinimize = 1004;
inline constexpr platform::ControlId kMainLoad = 1005;
inline constexpr platform::ControlId kMainSettingTab = 1006;
inline constexpr platform::ControlId kMainDataTab = 1007;
inline constexpr platform::ControlId kMainLogPagePlaceholder = 1008;
inline constexpr platform::ControlId kMainSettingPagePlaceholder = 1010;

// Log data page (149).
inline constexpr platform::ControlId kLogHistoryList = 1009;
inline constexpr platform::ControlId kLogMapPlaceholder = 1010;
inline constexpr platform::ControlId kLogConnecting = 1011;
inline constexpr platform::ControlId kLogCountCaption = 1026;
inline constexpr platform::ControlId kLogBanner = 1027;
inline constexpr platform::ControlId kLogSave = 1029;
inline constexpr platform::ControlId kLogBar = 1032;
inline constexpr platform::ControlId kLogGraphTab = 1033;
inline constexpr platform::ControlId kLogDetailTab = 1034;
inline constexpr platform::ControlId kLogRewind = 1035;
inline constexpr platform::ControlId kLogFastForward = 1036;
inline constexpr platform::ControlId kLogStop = 1037;
inline constexpr platform::ControlId kLogPause = 1038;
inline constexpr platform::ControlId kLogPlay = 1039;
inline constexpr platform::ControlId kLogOpen = 1040;
inline constexpr platform::ControlId kLogPointTable = 1041;
inline constexpr platform::ControlId kLogGraph = 1043;

// Settings page (150).
inline constexpr platform::ControlId kSettingBackground = 1011;
inline constexpr platform::ControlId kSettingShowVersion = 1012;
inline constexpr platform::ControlId kSettingFirmwareSelect = 1014;
inline constexpr platform::ControlId kSettingGpsDataUpdate = 1015;
inline constexpr platform::ControlId kSettingFirmwareUpdate = 1016;
inline constexpr platform::ControlId kSettingGpsDataSelect = 1017;
inline constexpr platform::ControlId kSettingVersionLine = 1018;
inline constexpr platform::ControlId kSettingFirmwarePath = 1019;
inline constexpr platform::ControlId kSettingGpsDataPath = 1020;
inline constexpr platform::ControlId kSettingProgramVersion = 1021;

// Map host (151): the browser control that the HTML dialog creates over its client area. The id is
// this program's own; the template itself holds no controls.
inline constexpr platform::ControlId kMapBrowser = 2000;

// Progress popup (160).
inline constexpr platform::ControlId kPopupMessageLine = 1022;
inline constexpr platform::ControlId kPopupBackground = 1023;
inline constexpr platform::ControlId kPopupExit = 1025;
inline constexpr platform::ControlId kPopupProgress = 1044;

// The template of that id, or nullptr.
const platform::DialogTemplate* FindDialogTemplate(int id);
std::span<const platform::DialogTemplate> DialogTemplates();

}  // namespace kemlog::resources
