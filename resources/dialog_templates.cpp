#include "resources/dialog_templates.h"

namespace kemlog::resources {

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::DialogTemplate;
using platform::PictureIds;
using platform::RectXywh;
namespace ui = platform;

constexpr uint32_t kShown = ui::kVisible;
constexpr uint32_t kSkinButton = ui::kVisible | ui::kOwnerDraw;
constexpr uint32_t kTextLine = ui::kVisible | ui::kTransparent;
constexpr uint32_t kReportList = ui::kVisible | ui::kBorder | ui::kReportView | ui::kGridLines | ui::kFullRowSelect |
                                 ui::kSingleSelection;

// Controls are listed back to front: a later control lies over an earlier one.

// Main window. The rectangles are the window's own layout for its start size, a client area of
// 900 × 620 pixels (W = 900, H = 620). The two placeholders are 2 pixels larger on every side than
// the page that replaces them.
constexpr ControlTemplate kMainControls[] = {
    {kMainEmblem, ControlKind::PictureStatic, kShown, RectXywh(3, 2, 18, 18), "", PictureIds{129, 0, 0}},
    {kMainBanner, ControlKind::PictureStatic, kShown, RectXywh(3, 23, 894, 31), "", PictureIds{148, 0, 0}},
    {kMainClose, ControlKind::PushButton, kSkinButton, RectXywh(880, 3, 17, 17), "", PictureIds{130, 132, 131}},
    {kMainMaximize, ControlKind::PushButton, kSkinButton, RectXywh(861, 3, 17, 17), "", PictureIds{133, 135, 134}},
    {kMainMinimize, ControlKind::PushButton, kSkinButton, RectXywh(842, 3, 17, 17), "", PictureIds{136, 138, 137}},
    {kMainDataTab, ControlKind::PushButton, kSkinButton, RectXywh(3, 23, 96, 31), "", PictureIds{142, 144, 143}},
    {kMainSettingTab, ControlKind::PushButton, kSkinButton, RectXywh(99, 23, 96, 31), "", PictureIds{145, 147, 146}},
    {kMainLoad, ControlKind::PushButton, kSkinButton, RectXywh(801, 23, 96, 31), "", PictureIds{139, 141, 140}},
    {kMainLogPagePlaceholder, ControlKind::Placeholder, kShown, RectXywh(1, 53, 898, 566), "", {}},
    {kMainSettingPagePlaceholder, ControlKind::Placeholder, 0, RectXywh(1, 53, 898, 566), "", {}},
};

// Log data page. The rectangles are the page's own layout for its start size of 894 × 562 pixels
// (W = 894, H = 562). The map placeholder is 2 pixels larger on every side than the map host that
// replaces it.
constexpr ControlTemplate kLogPageControls[] = {
    {kLogBanner, ControlKind::PictureStatic, kShown, RectXywh(1, 2, 269, 25), "", PictureIds{162, 0, 0}},
    {kLogCountCaption, ControlKind::Static, kTextLine, RectXywh(10, 6, 150, 20), "合計   0履歷", {}},
    {kLogOpen, ControlKind::PushButton, kSkinButton, RectXywh(231, 6, 18, 18), "", PictureIds{165, 174, 0}},
    {kLogSave, ControlKind::PushButton, kSkinButton, RectXywh(250, 6, 18, 18), "", PictureIds{166, 175, 0}},
    {kLogHistoryList, ControlKind::ListView, kReportList, RectXywh(1, 25, 270, 536), "", {}},
    {kLogMapPlaceholder, ControlKind::Placeholder, kShown, RectXywh(270, 0, 626, 296), "Map", {}},
    {kLogConnecting, ControlKind::Static, ui::kVisible, RectXywh(272, 2, 621, 292), "Connecting...", {}},
    {kLogBar, ControlKind::PictureStatic, kShown, RectXywh(272, 296, 620, 22), "", PictureIds{163, 0, 0}},
    {kLogGraphTab, ControlKind::PushButton, kSkinButton, RectXywh(274, 300, 82, 17), "", PictureIds{173, 193, 0}},
    {kLogDetailTab, ControlKind::PushButton, kSkinButton, RectXywh(356, 300, 82, 17), "", PictureIds{192, 172, 0}},
    {kLogRewind, ControlKind::PushButton, kSkinButton, RectXywh(797, 298, 18, 18), "", PictureIds{170, 189, 188}},
    {kLogFastForward, ControlKind::PushButton, kSkinButton, RectXywh(816, 298, 18, 18), "", PictureIds{167, 183, 182}},
    {kLogStop, ControlKind::PushButton, kSkinButton, RectXywh(835, 298, 18, 18), "", PictureIds{171, 191, 190}},
    {kLogPause, ControlKind::PushButton, kSkinButton, RectXywh(854, 298, 18, 18), "", PictureIds{168, 185, 184}},
    {kLogPlay, ControlKind::PushButton, kSkinButton, RectXywh(873, 298, 18, 18), "", PictureIds{169, 187, 186}},
    {kLogPointTable, ControlKind::ListView, kReportList & ~ui::kVisible, RectXywh(272, 316, 621, 245), "", {}},
    {kLogGraph, ControlKind::Custom, kShown, RectXywh(272, 316, 621, 245), "", {}},
};

// Settings page. The rectangles are the page's own placements for the page size that the main
// window's placeholder gives it, 894 × 562 pixels.
constexpr ControlTemplate kSettingPageControls[] = {
    {kSettingBackground, ControlKind::PictureStatic, kShown, RectXywh(43, 28, 808, 242), "", PictureIds{154, 0, 0}},
    {kSettingShowVersion, ControlKind::PushButton, kSkinButton, RectXywh(729, 48, 110, 24), "", PictureIds{156, 181, 180}},
    {kSettingFirmwareSelect, ControlKind::PushButton, kSkinButton, RectXywh(611, 112, 110, 24), "",
     PictureIds{158, 177, 176}},
    {kSettingFirmwareUpdate, ControlKind::PushButton, kSkinButton, RectXywh(729, 112, 110, 24), "",
     PictureIds{159, 179, 178}},
    {kSettingGpsDataSelect, ControlKind::PushButton, kSkinButton, RectXywh(611, 175, 110, 24), "",
     PictureIds{158, 177, 176}},
    {kSettingGpsDataUpdate, ControlKind::PushButton, kSkinButton, RectXywh(729, 175, 110, 24), "",
     PictureIds{159, 179, 178}},
    {kSettingVersionLine, ControlKind::Static, kTextLine, RectXywh(202, 52, 500, 72), "", {}},
    {kSettingFirmwarePath, ControlKind::Static, kTextLine, RectXywh(147, 113, 450, 22), "", {}},
    {kSettingGpsDataPath, ControlKind::Static, kTextLine, RectXywh(147, 176, 450, 22), "", {}},
    {kSettingProgramVersion, ControlKind::Static, kTextLine, RectXywh(160, 241, 500, 72), "", {}},
};

// Map host: 318 × 185 dialog units; the browser control covers the whole client area.
constexpr platform::Size kMapHostUnits{318, 185};
constexpr platform::Size kMapHostPixels = platform::DialogUnitsToPixels(kMapHostUnits);
constexpr ControlTemplate kMapHostControls[] = {
    {kMapBrowser, ControlKind::WebViewHost, kShown, RectXywh(0, 0, kMapHostPixels.cx, kMapHostPixels.cy), "", {}},
};

// Progress popup: 279 × 110 dialog units, resized to 280 × 111 pixels when it opens. The control
// rectangles are the placements the popup gives them when it opens; the progress bar starts hidden.
constexpr platform::Size kPopupUnits{279, 110};
constexpr ControlTemplate kPopupControls[] = {
    {kPopupBackground, ControlKind::PictureStatic, kShown, RectXywh(0, 0, 280, 111), "", PictureIds{161, 0, 0}},
    {kPopupMessageLine, ControlKind::Static, kTextLine, RectXywh(66, 40, 200, 45), "", {}},
    {kPopupExit, ControlKind::PushButton, kSkinButton, RectXywh(190, 75, 75, 24), "", PictureIds{164, 195, 194}},
    {kPopupProgress, ControlKind::ProgressBar, 0, RectXywh(67, 70, 150, 10), "", {}},
};

constexpr char kShellFont[] = "MS Shell Dlg";

const DialogTemplate kTemplates[] = {
    {kMainDialog, ui::kPopupWindow | ui::kWindowVisible | ui::kThinBorder | ui::kShowInTaskbar, {}, {900, 620},
     kShellFont, 8, kMainControls},
    {kLogDataPage, ui::kChildWindow | ui::kControlParent, {}, {894, 562}, kShellFont, 8, kLogPageControls},
    {kSettingPage, ui::kChildWindow | ui::kControlParent, {}, {894, 562}, kShellFont, 8, kSettingPageControls},
    {kMapHostDialog,
     ui::kChildWindow | ui::kWindowVisible | ui::kSystemMenu | ui::kControlParent | ui::kStaticEdge | ui::kClientEdge,
     kMapHostUnits, kMapHostPixels, kShellFont, 8, kMapHostControls},
    {kPopupDialog, ui::kPopupWindow, kPopupUnits, platform::DialogUnitsToPixels(kPopupUnits), kShellFont, 8,
     kPopupControls},
};

}  // namespace

std::span<const DialogTemplate> DialogTemplates() { return kTemplates; }

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate& t : kTemplates) {
    if (t.id == id) return &t;
  }
  return nullptr;
}

}  // namespace kemlog::resources
