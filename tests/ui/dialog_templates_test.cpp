// The dialog templates: every control the windows address exists with the right kind, the popup's
// template is complete, and ids are unique within a template.

#include "resources/dialog_templates.h"

#include <gtest/gtest.h>

#include <set>

namespace kemlog::resources {
namespace {

using platform::ControlKind;
using platform::RectXywh;

struct Expected {
  int dialog;
  platform::ControlId control;
  ControlKind kind;
};

TEST(DialogTemplates, EveryAddressedControlExistsWithItsKind) {
  const Expected cases[] = {
      {kMainDialog, kMainBanner, ControlKind::PictureStatic},
      {kMainDialog, kMainEmblem, ControlKind::PictureStatic},
      {kMainDialog, kMainClose, ControlKind::PushButton},
      {kMainDialog, kMainMaximize, ControlKind::PushButton},
      {kMainDialog, kMainMinimize, ControlKind::PushButton},
      {kMainDialog, kMainLoad, ControlKind::PushButton},
      {kMainDialog, kMainSettingTab, ControlKind::PushButton},
      {kMainDialog, kMainDataTab, ControlKind::PushButton},
      {kMainDialog, kMainLogPagePlaceholder, ControlKind::Placeholder},
      {kMainDialog, kMainSettingPagePlaceholder, ControlKind::Placeholder},
      {kLogDataPage, kLogHistoryList, ControlKind::ListView},
      {kLogDataPage, kLogPointTable, ControlKind::ListView},
      {kLogDataPage, kLogGraph, ControlKind::Custom},
      {kLogDataPage, kLogMapPlaceholder, ControlKind::Placeholder},
      {kLogDataPage, kLogConnecting, ControlKind::Static},
      {kLogDataPage, kLogCountCaption, ControlKind::Static},
      {kLogDataPage, kLogBanner, ControlKind::PictureStatic},
      {kLogDataPage, kLogBar, ControlKind::PictureStatic},
      {kLogDataPage, kLogOpen, ControlKind::PushButton},
      {kLogDataPage, kLogSave, ControlKind::PushButton},
      {kLogDataPage, kLogGraphTab, ControlKind::PushButton},
      {kLogDataPage, kLogDetailTab, ControlKind::PushButton},
      {kLogDataPage, kLogRewind, ControlKind::PushButton},
      {kLogDataPage, kLogFastForward, ControlKind::PushButton},
      {kLogDataPage, kLogStop, ControlKind::PushButton},
      {kLogDataPage, kLogPause, ControlKind::PushButton},
      {kLogDataPage, kLogPlay, ControlKind::PushButton},
      {kSettingPage, kSettingBackground, ControlKind::PictureStatic},
      {kSettingPage, kSettingShowVersion, ControlKind::PushButton},
      {kSettingPage, kSettingFirmwareSelect, ControlKind::PushButton},
      {kSettingPage, kSettingFirmwareUpdate, ControlKind::PushButton},
      {kSettingPage, kSettingGpsDataSelect, ControlKind::PushButton},
      {kSettingPage, kSettingGpsDataUpdate, ControlKind::PushButton},
      {kSettingPage, kSettingVersionLine, ControlKind::Static},
      {kSettingPage, kSettingFirmwarePath, ControlKind::Static},
      {kSettingPage, kSettingGpsDataPath, ControlKind::Static},
      {kSettingPage, kSettingProgramVersion, ControlKind::Static},
      {kMapHostDialog, kMapBrowser, ControlKind::WebViewHost},
      {kPopupDialog, kPopupBackground, ControlKind::PictureStatic},
      {kPopupDialog, kPopupMessageLine, ControlKind::Static},
      {kPopupDialog, kPopupExit, ControlKind::PushButton},
      {kPopupDialog, kPopupProgress, ControlKind::ProgressBar},
  };
  for (const Expected& e : cases) {
    const platform::DialogTemplate* dialog = FindDialogTemplate(e.dialog);
    ASSERT_NE(dialog, nullptr) << e.dialog;
    const platform::ControlTemplate* control = dialog->Find(e.control);
    ASSERT_NE(control, nullptr) << e.dialog << "/" << e.control;
    EXPECT_EQ(control->kind, e.kind) << e.dialog << "/" << e.control;
    if (e.kind == ControlKind::PushButton) {
      EXPECT_TRUE(control->style & platform::kOwnerDraw) << e.control;
    }
  }
  EXPECT_EQ(FindDialogTemplate(103), nullptr);
}

TEST(DialogTemplates, IdsAreUniqueAndControlsLieInsideTheirWindow) {
  for (const platform::DialogTemplate& dialog : DialogTemplates()) {
    std::set<platform::ControlId> ids;
    for (const platform::ControlTemplate& c : dialog.controls) {
      EXPECT_TRUE(ids.insert(c.id).second) << dialog.id << "/" << c.id;
      if (c.kind == ControlKind::Placeholder) continue;  // replaced by a window 2 pixels smaller
      EXPECT_GE(c.rect.left, 0) << c.id;
      EXPECT_GE(c.rect.top, 0) << c.id;
      EXPECT_LE(c.rect.right, dialog.pixels.cx) << dialog.id << "/" << c.id;
      EXPECT_LE(c.rect.bottom, dialog.pixels.cy) << dialog.id << "/" << c.id;
    }
  }
}

TEST(DialogTemplates, ThePopupTemplateIsComplete) {
  const platform::DialogTemplate* popup = FindDialogTemplate(kPopupDialog);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->dialogUnits, (platform::Size{279, 110}));
  EXPECT_TRUE(popup->style & platform::kPopupWindow);
  EXPECT_FALSE(popup->style & (platform::kCaption | platform::kSystemMenu | platform::kThinBorder));
  ASSERT_EQ(popup->controls.size(), 4u);
  struct Placement {
    platform::ControlId id;
    platform::Rect rect;
    bool visible;
    platform::PictureIds pictures;
  };
  const Placement placements[] = {
      {kPopupBackground, RectXywh(0, 0, 280, 111), true, {161, 0, 0}},
      {kPopupMessageLine, RectXywh(66, 40, 200, 45), true, {}},
      {kPopupExit, RectXywh(190, 75, 75, 24), true, {164, 195, 194}},
      {kPopupProgress, RectXywh(67, 70, 150, 10), false, {}},
  };
  for (const Placement& p : placements) {
    const platform::ControlTemplate* c = popup->Find(p.id);
    ASSERT_NE(c, nullptr) << p.id;
    EXPECT_EQ(c->rect, p.rect) << p.id;
    EXPECT_EQ((c->style & platform::kVisible) != 0, p.visible) << p.id;
    EXPECT_EQ(c->pictures.normal, p.pictures.normal) << p.id;
    EXPECT_EQ(c->pictures.pressed, p.pictures.pressed) << p.id;
    EXPECT_EQ(c->pictures.hover, p.pictures.hover) << p.id;
  }
}

TEST(DialogTemplates, TheLogPageTemplateMatchesItsStartLayout) {
  const platform::DialogTemplate* page = FindDialogTemplate(kLogDataPage);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->Find(kLogPlay)->rect, RectXywh(873, 298, 18, 18));
  EXPECT_EQ(page->Find(kLogPointTable)->rect, RectXywh(272, 316, 621, 245));
  EXPECT_FALSE(page->Find(kLogPointTable)->style & platform::kVisible);
  EXPECT_TRUE(page->Find(kLogGraph)->style & platform::kVisible);
  EXPECT_EQ(page->Find(kLogCountCaption)->text, "合計   0履歷");
  const platform::DialogTemplate* map = FindDialogTemplate(kMapHostDialog);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->dialogUnits, (platform::Size{318, 185}));
}

}  // namespace
}  // namespace kemlog::resources
