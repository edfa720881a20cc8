// The program's face on the headless toolkit: every window draws its banners and buttons from the
// program's pictures, each button blended over what lies behind it, and the tabs stay latched.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "app/application.h"
#include "app/program_pages.h"
#include "platform/headless/headless_ui.h"
#include "platform/headless/pixel_raster.h"
#include "platform/picture.h"
#include "resources/dialog_templates.h"
#include "resources/program_resources.h"

namespace kemlog::app {
namespace {

namespace fs = std::filesystem;
namespace res = resources;
using platform::ControlId;
using platform::Picture;
using platform::WindowId;
using platform::headless::BlendPixel;
using platform::headless::HeadlessUi;
using platform::headless::Rgba;
using platform::headless::VirtualClock;

Picture Decoded(int id) {
  Picture picture;
  EXPECT_TRUE(platform::DecodePicture(res::FindProgramResource("PNG", id), picture)) << id;
  return picture;
}

Rgba PixelOf(const Picture& p, int x, int y) {
  const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(p.width) + static_cast<size_t>(x)) * 4;
  return {p.rgba[i], p.rgba[i + 1], p.rgba[i + 2], p.rgba[i + 3]};
}

class SkinnedFaceTest : public ::testing::Test {
 protected:
  SkinnedFaceTest() { ui.SetLoopLimit(std::chrono::milliseconds(3000)); }
  ~SkinnedFaceTest() override {
    std::error_code error;
    fs::remove_all(root, error);
  }

  // The picture a picture static drew at its last paint (its size), or 0 x 0.
  platform::Size StaticPictureSize(WindowId control) const {
    const auto* paint = ui.LastPaint(control);
    if (paint == nullptr || paint->Pictures().size() != 1) return {};
    const Picture& p = paint->Pictures()[0].picture;
    return {p.width, p.height};
  }

  // Number of pixels of the button's last paint that differ from its picture `id` (of the button's
  // size) blended over `behind(x, y)`.
  template <typename Behind>
  int Mismatches(WindowId button, int id, Behind behind) const {
    const auto* paint = ui.LastPaint(button);
    const Picture picture = Decoded(id);
    if (paint == nullptr || paint->SurfaceSize() != platform::Size{picture.width, picture.height}) return -1;
    int wrong = 0;
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        if (paint->PixelAt(x, y) != BlendPixel(behind(x, y), PixelOf(picture, x, y))) ++wrong;
      }
    }
    return wrong;
  }

  VirtualClock clock;
  HeadlessUi ui{clock};
  DemoStart demo{clock, {}};
  std::string root = (fs::temp_directory_path() / ("kemlog-face-" + std::to_string(std::random_device{}()))).string();
  std::string folder = (fs::path(root) / "KemLog").string();
};

TEST_F(SkinnedFaceTest, TheMainWindowAndBothPagesDrawTheirPicturesOverWhatLiesBehind) {
  RunApplication(ui, demo.MachineFor(folder), ProgramPages(), [&](CZQN4170_ZEZureDlg& w) {
    ui.RunUntilIdle();
    const WindowId main = w.Window();
    const WindowId logPage = w.LogPage()->Window();
    const WindowId settingPage = w.SettingPage()->Window();
    struct StaticCase {
      WindowId dialog;
      ControlId control;
      platform::Size picture;
    };
    const StaticCase statics[] = {
        {main, res::kMainEmblem, {18, 18}},     {main, res::kMainBanner, {894, 31}},
        {logPage, res::kLogBanner, {269, 26}},  {logPage, res::kLogBar, {625, 22}},
        {settingPage, res::kSettingBackground, {808, 242}},
    };
    // The settings page is hidden at start: show it once so that it paints.
    ui.PressButton(ui.Control(main, res::kMainSettingTab));
    ui.RunUntilIdle();
    for (const StaticCase& c : statics) {
      EXPECT_EQ(StaticPictureSize(ui.Control(c.dialog, c.control)), c.picture) << c.control;
    }
    // Close sits on the main window's black; its picture is blended over black.
    EXPECT_EQ(Mismatches(ui.Control(main, res::kMainClose), 130, [](int, int) { return Rgba{0, 0, 0, 255}; }), 0);
    // Show Version sits on the settings face over the page's white; Save on the grey bar over the
    // log list, over the log page's white: what shows through is the picture static over white.
    struct ButtonCase {
      WindowId dialog;
      ControlId under, button;
      int picture;
    };
    const ButtonCase buttons[] = {
        {settingPage, res::kSettingBackground, res::kSettingShowVersion, 156},
        {logPage, res::kLogBanner, res::kLogSave, 166},
        {logPage, res::kLogBar, res::kLogPlay, 169},
    };
    ui.PressButton(ui.Control(main, res::kMainDataTab));
    ui.RunUntilIdle();
    for (const ButtonCase& c : buttons) {
      const WindowId under = ui.Control(c.dialog, c.under);
      const auto* underPaint = ui.LastPaint(under);
      ASSERT_NE(underPaint, nullptr) << c.button;
      const platform::Rect u = ui.Geometry(under);
      const platform::Rect b = ui.Geometry(ui.Control(c.dialog, c.button));
      EXPECT_EQ(Mismatches(ui.Control(c.dialog, c.button), c.picture,
                           [&](int x, int y) {
                             return BlendPixel(Rgba{255, 255, 255, 255},
                                               *underPaint->PixelAt(b.left - u.left + x, b.top - u.top + y));
                           }),
                0)
          << c.button;
    }
    // The window's screen holds the shown page at its place: the log page's bar at the page's
    // origin plus the bar's, and no settings face (that page is hidden).
    const Picture screen = ui.Screenshot(main);
    ASSERT_TRUE(screen.Valid());
    const platform::Rect page = ui.Geometry(logPage);
    const platform::Rect barRect = ui.Geometry(ui.Control(logPage, res::kLogBanner));
    const auto* barPaint = ui.LastPaint(ui.Control(logPage, res::kLogBanner));
    ASSERT_NE(barPaint, nullptr);
    for (const platform::Point at : {platform::Point{5, 5}, platform::Point{200, 20}, platform::Point{100, 12}}) {
      EXPECT_EQ(PixelOf(screen, page.left + barRect.left + at.x, page.top + barRect.top + at.y),
                BlendPixel(Rgba{255, 255, 255, 255}, *barPaint->PixelAt(at.x, at.y)))
          << at.x << "," << at.y;
    }
    ui.PostClose(main);
  });
  EXPECT_FALSE(ui.LoopTimedOut());
}

TEST_F(SkinnedFaceTest, PageAndViewTabsStayPressedWhileTheirPageOrViewIsShown) {
  using Look = skin::CSkinButton::Look;
  RunApplication(ui, demo.MachineFor(folder), ProgramPages(), [&](CZQN4170_ZEZureDlg& w) {
    ui.RunUntilIdle();
    const skin::CSkinButton* data = w.Skin().Button(res::kMainDataTab);
    const skin::CSkinButton* setting = w.Skin().Button(res::kMainSettingTab);
    ASSERT_NE(data, nullptr);
    ASSERT_NE(setting, nullptr);
    EXPECT_EQ(data->CurrentLook(), Look::Pressed);
    EXPECT_EQ(setting->CurrentLook(), Look::Normal);
    // The mouse over the latched tab leaves it pressed; over the other one it shows hover.
    ui.Hover(ui.Control(w.Window(), res::kMainDataTab));
    ui.RunUntilIdle();
    EXPECT_EQ(data->CurrentLook(), Look::Pressed);
    ui.Leave(ui.Control(w.Window(), res::kMainDataTab));
    ui.Hover(ui.Control(w.Window(), res::kMainSettingTab));
    ui.RunUntilIdle();
    EXPECT_EQ(setting->CurrentLook(), Look::Hover);
    ui.PressButton(ui.Control(w.Window(), res::kMainSettingTab));
    ui.Leave(ui.Control(w.Window(), res::kMainSettingTab));
    ui.RunUntilIdle();
    EXPECT_EQ(setting->CurrentLook(), Look::Pressed);
    EXPECT_EQ(data->CurrentLook(), Look::Normal);
    EXPECT_TRUE(w.SettingTabLatched());
    EXPECT_FALSE(w.DataTabLatched());
    ui.PostClose(w.Window());
  });
  EXPECT_FALSE(ui.LoopTimedOut());
}

TEST_F(SkinnedFaceTest, TheConnectionPopupShowsItsFaceAndItsExitButton) {
  demo.Watch().Unplug();
  platform::Size face;
  int exitMismatches = -1;
  RunApplication(ui, demo.MachineFor(folder), ProgramPages(), [&](CZQN4170_ZEZureDlg& w) {
    ui.QueueStep([&] {
      const WindowId popup = ui.ActiveModal();
      ASSERT_EQ(ui.TemplateId(popup), res::kPopupDialog);
      ui.RunUntilIdle();
      face = StaticPictureSize(ui.Control(popup, res::kPopupBackground));
      // Exit lies on the face at (190, 75); the face's pixels show through its corners.
      const auto* facePaint = ui.LastPaint(ui.Control(popup, res::kPopupBackground));
      ASSERT_NE(facePaint, nullptr);
      exitMismatches = Mismatches(ui.Control(popup, res::kPopupExit), 164,
                                  [&](int x, int y) { return *facePaint->PixelAt(190 + x, 75 + y); });
      ui.PressButton(ui.Control(popup, res::kPopupExit));
    });
    ui.PressButton(ui.Control(w.Window(), res::kMainLoad));
    ui.PostClose(w.Window());
  });
  EXPECT_FALSE(ui.LoopTimedOut());
  EXPECT_EQ(face, (platform::Size{280, 111}));
  EXPECT_EQ(exitMismatches, 0);
}

}  // namespace
}  // namespace kemlog::app
