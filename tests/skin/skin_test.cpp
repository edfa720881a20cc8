// The skinned controls: which picture a button shows, the brightened stand-in for a missing hover
// picture, blending once over the parent's pixels behind the button, clicks, the picture static,
// the off-screen surface, and the pictures loaded from the program's resources.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/headless/headless_ui.h"
#include "platform/headless/recording_canvas.h"
#include "platform/headless/virtual_clock.h"
#include "skin/dialog_skin.h"
#include "skin/offscreen_dc.h"
#include "skin/skin_bitmap.h"
#include "skin/skin_button.h"
#include "skin/skin_static.h"

namespace kemlog::skin {
namespace {

using platform::MouseAction;
using platform::MouseButton;
using platform::MouseEvent;
using platform::PaintState;
using platform::Picture;
using platform::headless::RecordingCanvas;
using platform::headless::Rgba;
using Look = CSkinButton::Look;

Picture SolidPicture(Rgba c, int width = 2, int height = 2) {
  Picture p{width, height, {}};
  for (int i = 0; i < width * height; ++i) p.rgba.insert(p.rgba.end(), {c.r, c.g, c.b, c.a});
  return p;
}
CSkinBitmap Solid(Rgba c, int width = 2, int height = 2) { return CSkinBitmap(SolidPicture(c, width, height)); }

constexpr int kSide = 18;

// The pixels of one paint of the button on an 18 x 18 canvas.
Picture PaintOnce(CSkinButton& button, PaintState state = {}) {
  RecordingCanvas canvas(kSide, kSide);
  button.Paint(canvas, state);
  return canvas.Raster().Pixels();
}

// True when every pixel of the paint is `colour`.
bool AllPixels(const Picture& p, Rgba colour) {
  if (!p.Valid()) return false;
  for (size_t i = 0; i < p.rgba.size(); i += 4) {
    if (Rgba{p.rgba[i], p.rgba[i + 1], p.rgba[i + 2], p.rgba[i + 3]} != colour) return false;
  }
  return true;
}

// --- Button looks ---------------------------------------------------------------------------------

constexpr Rgba kNormal{100, 0, 200, 255};
constexpr Rgba kPressed{50, 0, 100, 255};
constexpr Rgba kHover{150, 30, 250, 255};
// kNormal through the brightening matrix: round(1.05 x value + 12.75).
constexpr Rgba kBrightNormal{118, 13, 223, 255};

void Fill(CSkinButton& button, bool withHover) {
  button.NormalImage = Solid(kNormal);
  button.PressedImage = Solid(kPressed);
  if (withHover) button.HoverImage = Solid(kHover);
}

TEST(SkinButton, LookFollowsLatchPressAndHover) {
  struct Case {
    bool latched, pressed, hover;
    Look look;
    Rgba shown;
  };
  const Case cases[] = {
      {false, false, false, Look::Normal, kNormal},  {false, false, true, Look::Hover, kHover},
      {false, true, false, Look::Pressed, kPressed}, {false, true, true, Look::Pressed, kPressed},
      {true, false, false, Look::Pressed, kPressed}, {true, false, true, Look::Pressed, kPressed},
      {true, true, true, Look::Pressed, kPressed},
  };
  for (const Case& c : cases) {
    CSkinButton button;
    Fill(button, true);
    button.Latched = c.latched;
    const Picture drawn = PaintOnce(button, PaintState{c.pressed, c.hover, false});
    EXPECT_EQ(button.CurrentLook(), c.look) << c.latched << c.pressed << c.hover;
    EXPECT_TRUE(AllPixels(drawn, c.shown)) << c.latched << c.pressed << c.hover;
  }
}

TEST(SkinButton, WithoutAHoverPictureTheHoverLookIsTheBrightenedNormalPicture) {
  CSkinButton button;
  Fill(button, false);
  EXPECT_TRUE(AllPixels(PaintOnce(button, PaintState{false, true, false}), kBrightNormal));
  EXPECT_TRUE(AllPixels(PaintOnce(button), kNormal));  // at rest the normal picture itself
}

TEST(SkinButton, TheBrighteningMatrixScalesColourByOnePointZeroFiveAndAddsAFiftieth) {
  const platform::ColourMatrix m = HoverBrightening();
  for (int i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(m.m[i][i], 1.05f);
    EXPECT_FLOAT_EQ(m.m[4][i], 0.05f);
  }
  EXPECT_FLOAT_EQ(m.m[3][3], 1.0f);
  EXPECT_FLOAT_EQ(m.m[4][3], 0.0f);  // alpha unchanged
  EXPECT_FLOAT_EQ(m.m[0][1], 0.0f);
}

TEST(SkinButton, MouseOverShowsHoverAndLeavingReturnsToNormal) {
  CSkinButton button;
  Fill(button, true);
  button.OnSize({kSide, kSide});
  button.OnMouse(MouseEvent{MouseAction::Move, MouseButton::None, {3, 4}});
  EXPECT_TRUE(button.Hovering());
  EXPECT_TRUE(AllPixels(PaintOnce(button), kHover));
  button.OnMouse(MouseEvent{MouseAction::Down, MouseButton::Left, {3, 4}});
  EXPECT_TRUE(AllPixels(PaintOnce(button), kPressed));
  button.OnMouse(MouseEvent{MouseAction::Leave, MouseButton::None, {}});
  EXPECT_FALSE(button.Hovering());
  EXPECT_FALSE(button.HeldDown());
  EXPECT_TRUE(AllPixels(PaintOnce(button), kNormal));
  EXPECT_EQ(button.Clicks(), 0);
}

TEST(SkinButton, LatchedShowsPressedUnderTheMouseAndAfterLeaving) {
  CSkinButton button;
  Fill(button, true);
  button.Latched = true;
  button.OnMouse(MouseEvent{MouseAction::Move, MouseButton::None, {3, 4}});
  EXPECT_TRUE(AllPixels(PaintOnce(button, PaintState{false, true, false}), kPressed));
  button.OnMouse(MouseEvent{MouseAction::Leave, MouseButton::None, {}});
  EXPECT_TRUE(AllPixels(PaintOnce(button), kPressed));
  button.Latched = false;
  EXPECT_TRUE(AllPixels(PaintOnce(button), kNormal));
}

TEST(SkinButton, WithoutANormalPictureNothingIsDrawnOrPrepared) {
  CSkinButton button;
  button.PressedImage = Solid({1, 1, 1, 255});
  button.HoverImage = Solid({2, 2, 2, 255});
  button.Latched = true;
  RecordingCanvas canvas(kSide, kSide);
  button.Paint(canvas, PaintState{true, true, false});
  EXPECT_TRUE(canvas.Pictures().empty());
  EXPECT_TRUE(canvas.Ops().empty());
  EXPECT_EQ(button.CurrentLook(), Look::None);
  EXPECT_EQ(button.Prepared(Look::Normal), nullptr);
}

TEST(SkinButton, AnEmptyPictureShowsNothingOfItAndAMissingPressedPictureFallsBackToNormal) {
  CSkinButton empty;
  empty.NormalImage = CSkinBitmap{};
  empty.PressedImage = CSkinBitmap{};
  EXPECT_TRUE(AllPixels(PaintOnce(empty), Rgba{}));
  EXPECT_NE(empty.Prepared(Look::Normal), nullptr);

  CSkinButton noPressed;
  noPressed.NormalImage = Solid(kNormal);
  EXPECT_TRUE(AllPixels(PaintOnce(noPressed, PaintState{true, false, false}), kNormal));
}

TEST(SkinButton, PicturesArePreparedOnceAtTheFirstPaintAndLaterPaintsOnlyCopy) {
  CSkinButton button;
  Fill(button, false);
  EXPECT_EQ(button.Prepared(Look::Normal), nullptr);
  PaintOnce(button);
  ASSERT_NE(button.Prepared(Look::Hover), nullptr);
  button.NormalImage = Solid({9, 9, 9, 255});
  button.HoverImage = Solid({8, 8, 8, 255});
  RecordingCanvas canvas(kSide, kSide);
  button.Paint(canvas, PaintState{false, true, false});
  EXPECT_TRUE(AllPixels(canvas.Raster().Pixels(), kBrightNormal));
  // A later paint draws no picture of its own: one plain copy of a prepared surface.
  EXPECT_TRUE(canvas.Pictures().empty());
  ASSERT_EQ(canvas.Ops().size(), 1u);
  EXPECT_EQ(canvas.Ops()[0].kind, platform::headless::CanvasOp::CopySurface);
}

TEST(SkinButton, ADoubleClickCountsAsASecondClick) {
  CSkinButton button;
  Fill(button, false);
  button.OnSize({kSide, kSide});
  const MouseEvent events[] = {
      {MouseAction::Down, MouseButton::Left, {5, 5}},
      {MouseAction::Up, MouseButton::Left, {5, 5}},
      {MouseAction::DoubleClick, MouseButton::Left, {5, 5}},
      {MouseAction::Up, MouseButton::Left, {5, 5}},
  };
  for (const MouseEvent& e : events) button.OnMouse(e);
  EXPECT_EQ(button.Clicks(), 2);
}

TEST(SkinButton, ReleasingOutsideOrWithTheRightButtonIsNoClick) {
  struct Case {
    MouseButton button;
    platform::Point up;
    int clicks;
  };
  const Case cases[] = {{MouseButton::Left, {5, 5}, 1}, {MouseButton::Left, {kSide, 5}, 0},
                        {MouseButton::Left, {5, -1}, 0}, {MouseButton::Right, {5, 5}, 0}};
  for (const Case& c : cases) {
    CSkinButton button;
    button.OnSize({kSide, kSide});
    button.OnMouse(MouseEvent{MouseAction::Down, c.button, {5, 5}});
    button.OnMouse(MouseEvent{MouseAction::Up, c.button, c.up});
    EXPECT_EQ(button.Clicks(), c.clicks) << c.up.x << "," << c.up.y;
    EXPECT_FALSE(button.HeldDown());
  }
}

// --- On the headless toolkit -----------------------------------------------------------------------

// A dialog with a grey background, a picture static and, over part of it, an owner-drawn button.
constexpr platform::ControlId kStaticId = 11;
constexpr platform::ControlId kButtonId = 10;
constexpr platform::ControlTemplate kControls[] = {
    {kStaticId, platform::ControlKind::PictureStatic, platform::kVisible, platform::RectXywh(10, 10, 30, 20), "", {}},
    {kButtonId, platform::ControlKind::PushButton, platform::kVisible | platform::kOwnerDraw,
     platform::RectXywh(30, 12, 4, 2), "", {}},
};
constexpr platform::DialogTemplate kDialog{900, platform::kPopupWindow, {}, {200, 100}, "MS Shell Dlg", 8, kControls};
constexpr platform::Colour kGrey = platform::Rgb(90, 90, 90);

struct Owner : platform::DialogHandler {
  explicit Owner(platform::Ui& u) : ui(u) {}
  void OnInitDialog(platform::WindowId s) override {
    self = s;
    ui.SetBackground(s, kGrey);
  }
  void OnCommand(platform::ControlId id) override { commands.push_back(id); }
  platform::Ui& ui;
  platform::WindowId self;
  std::vector<platform::ControlId> commands;
};

struct Toolkit {
  platform::headless::VirtualClock clock;
  platform::headless::HeadlessUi ui{clock};
  Toolkit() { ui.SetLoopLimit(std::chrono::milliseconds(2000)); }
};

TEST(SkinButton, OnTheToolkitPicturesAreBlendedOverTheParentsPixelsBehindTheButton) {
  Toolkit t;
  Owner owner(t.ui);
  CSkinStatic banner;
  // The static's left half is opaque red, its right half half-transparent blue over the grey.
  Picture bannerPicture{2, 1, {255, 0, 0, 255, 0, 0, 255, 128}};
  banner.Picture = CSkinBitmap(bannerPicture);
  CSkinButton button;
  // The button (4 x 2, over x 30..33 of the dialog = x 20..23 of the static's right half): left
  // half transparent, right half opaque green; pressed: half-transparent white all over.
  button.NormalImage = CSkinBitmap(Picture{2, 1, {0, 0, 0, 0, 0, 255, 0, 255}});
  button.PressedImage = Solid({255, 255, 255, 128}, 1, 1);
  t.ui.QueueStep([&] {
    t.ui.SetDelegate(t.ui.Control(owner.self, kStaticId), &banner);
    const platform::WindowId control = t.ui.Control(owner.self, kButtonId);
    button.Subclass(t.ui, control);
    t.ui.RunUntilIdle();
    // The screen behind: blue at half over grey = (45, 45, 173).
    const Rgba behind{45, 45, 173, 255};
    const auto* screen = t.ui.LastPaint(owner.self);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->PixelAt(31, 12), behind);
    EXPECT_EQ(screen->PixelAt(5, 5), (Rgba{90, 90, 90, 255}));
    EXPECT_EQ(screen->PixelAt(12, 12), (Rgba{255, 0, 0, 255}));
    const auto* own = t.ui.LastPaint(control);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->PixelAt(0, 0), behind);  // the parent shows through the transparent half
    EXPECT_EQ(own->PixelAt(3, 1), (Rgba{0, 255, 0, 255}));
    // Pressed: the prepared pressed surface is white at half over the same background.
    t.ui.Mouse(control, MouseAction::Down, {1, 1});
    t.ui.RunUntilIdle();
    EXPECT_EQ(t.ui.LastPaint(control)->PixelAt(0, 0), (Rgba{150, 150, 214, 255}));
    t.ui.Mouse(control, MouseAction::Up, {1, 1});
    t.ui.EndDialog(owner.self, 1);
  });
  EXPECT_EQ(t.ui.RunModal(kDialog, {}, owner), 1);
  EXPECT_EQ(owner.commands, (std::vector<platform::ControlId>{kButtonId}));
}

TEST(SkinButton, OnTheToolkitADoubleClickGivesTwoClicksAndLeavingRepaintsNormal) {
  Toolkit t;
  Owner owner(t.ui);
  CSkinButton button;
  Fill(button, true);
  t.ui.QueueStep([&] {
    const platform::WindowId control = t.ui.Control(owner.self, kButtonId);
    button.Subclass(t.ui, control);
    t.ui.Mouse(control, MouseAction::Down, {1, 1});
    t.ui.Mouse(control, MouseAction::Up, {1, 1});
    t.ui.Mouse(control, MouseAction::DoubleClick, {1, 1});
    t.ui.Mouse(control, MouseAction::Up, {1, 1});
    t.ui.Hover(control);
    t.ui.RunUntilIdle();
    ASSERT_NE(t.ui.LastPaint(control), nullptr);
    EXPECT_TRUE(AllPixels(t.ui.LastPaint(control)->Raster().Pixels(), kHover));
    t.ui.Leave(control);
    t.ui.RunUntilIdle();
    EXPECT_TRUE(AllPixels(t.ui.LastPaint(control)->Raster().Pixels(), kNormal));
    t.ui.EndDialog(owner.self, 1);
  });
  EXPECT_EQ(t.ui.RunModal(kDialog, {}, owner), 1);
  EXPECT_EQ(owner.commands, (std::vector<platform::ControlId>{kButtonId, kButtonId}));
  EXPECT_EQ(button.Clicks(), 2);
}

TEST(SkinStatic, DrawsItsPictureStretchedOrNothingWithoutOne) {
  for (const std::optional<CSkinBitmap>& set : {std::optional<CSkinBitmap>{}, std::optional<CSkinBitmap>{CSkinBitmap{}}}) {
    CSkinStatic control;
    control.Picture = set;
    RecordingCanvas canvas(10, 10);
    control.Paint(canvas, {});
    EXPECT_TRUE(canvas.Pictures().empty());
  }
  CSkinStatic control;
  control.Picture = Solid({1, 2, 3, 255}, 1, 1);
  RecordingCanvas canvas(30, 20);
  control.Paint(canvas, {});
  ASSERT_EQ(canvas.Pictures().size(), 1u);
  EXPECT_EQ(canvas.Pictures()[0].target, (platform::Rect{0, 0, 30, 20}));
  EXPECT_TRUE(AllPixels(canvas.Raster().Pixels(), Rgba{1, 2, 3, 255}));
}

// --- Off-screen surface ----------------------------------------------------------------------------

TEST(OffscreenDC, DrawingReachesTheTargetAtTheRectangleOnlyWhenItEnds) {
  RecordingCanvas target(10, 10);
  {
    COffscreenDC offscreen(target, {4, 5, 8, 7});
    ASSERT_TRUE(offscreen.OffScreen());
    EXPECT_EQ(offscreen.Canvas().SurfaceSize(), (platform::Size{4, 2}));
    offscreen.Canvas().FillRect({0, 0, 4, 2}, platform::Rgb(9, 8, 7));
    EXPECT_EQ(target.PixelAt(4, 5), Rgba{});
  }
  EXPECT_EQ(target.PixelAt(4, 5), (Rgba{9, 8, 7, 255}));
  EXPECT_EQ(target.PixelAt(7, 6), (Rgba{9, 8, 7, 255}));
  EXPECT_EQ(target.PixelAt(8, 6), Rgba{});
  EXPECT_EQ(target.PixelAt(3, 5), Rgba{});
  // An empty rectangle stands for the whole target.
  COffscreenDC whole(target, {});
  EXPECT_EQ(whole.Area(), (platform::Rect{0, 0, 10, 10}));
}

// --- Pictures from the program's resources --------------------------------------------------------

TEST(LoadPngResource, EveryPictureOfTheSkinLoadsWithItsSize) {
  struct Case {
    int first, last;  // a run of ids of one size
    int width, height;
  };
  const Case cases[] = {
      {129, 129, 18, 18}, {130, 138, 17, 17}, {139, 147, 96, 32},  {148, 148, 894, 31}, {154, 154, 808, 242},
      {156, 156, 110, 24}, {158, 159, 110, 24}, {161, 161, 280, 111}, {162, 162, 269, 26}, {163, 163, 625, 22},
      {164, 164, 75, 24},  {165, 171, 18, 18}, {172, 173, 82, 17},  {174, 175, 18, 18}, {176, 181, 110, 24},
      {182, 191, 18, 18}, {192, 193, 82, 17}, {194, 195, 75, 24},  {196, 196, 24, 24},
  };
  for (const Case& c : cases) {
    for (int id = c.first; id <= c.last; ++id) {
      CSkinBitmapResource picture;
      ASSERT_TRUE(LoadPngResource(id, picture)) << id;
      EXPECT_EQ(picture.Width(), c.width) << id;
      EXPECT_EQ(picture.Height(), c.height) << id;
      EXPECT_FALSE(picture.Source().empty()) << id;
    }
  }
}

TEST(LoadPngResource, AMissingPictureLeavesTheTargetEmpty) {
  CSkinBitmapResource picture;
  ASSERT_TRUE(LoadPngResource(196, picture));
  for (int id : {0, 155, 197, -1}) {
    EXPECT_FALSE(LoadPngResource(id, picture)) << id;
    EXPECT_TRUE(picture.Empty()) << id;
    EXPECT_TRUE(picture.Source().empty()) << id;
  }
}

// A skinned dialog from a template: the statics and buttons with picture ids get their pictures.
TEST(DialogSkin, SkinsTheControlsWithPictureIdsAndLatchesTabs) {
  constexpr platform::ControlTemplate controls[] = {
      {1, platform::ControlKind::PictureStatic, platform::kVisible, platform::RectXywh(0, 0, 24, 24), "", {196, 0, 0}},
      {2, platform::ControlKind::PushButton, platform::kVisible | platform::kOwnerDraw, platform::RectXywh(0, 0, 18, 18),
       "", {165, 174, 0}},
      {3, platform::ControlKind::PushButton, platform::kVisible, platform::RectXywh(0, 0, 18, 18), "", {165, 174, 0}},
      {4, platform::ControlKind::PictureStatic, platform::kVisible, platform::RectXywh(0, 0, 5, 5), "", {}},
  };
  const platform::DialogTemplate dialog{901, platform::kPopupWindow, {}, {100, 100}, "MS Shell Dlg", 8, controls};
  Toolkit t;
  Owner owner(t.ui);
  DialogSkin skin;
  t.ui.QueueStep([&] {
    skin.Attach(t.ui, owner.self, dialog);
    ASSERT_NE(skin.Static(1), nullptr);
    EXPECT_EQ(skin.Static(1)->Picture->Width(), 24);
    ASSERT_NE(skin.Button(2), nullptr);
    EXPECT_EQ(skin.Button(2)->NormalImage->Width(), 18);
    EXPECT_FALSE(skin.Button(2)->HoverImage.has_value());
    EXPECT_EQ(skin.Button(3), nullptr);  // not owner-drawn
    EXPECT_EQ(skin.Static(4), nullptr);  // no picture
    const platform::WindowId button = t.ui.Control(owner.self, 2);
    t.ui.RunUntilIdle();
    const int paints = t.ui.PaintCount(button);
    skin.SetLatched(2, true);
    t.ui.RunUntilIdle();
    EXPECT_TRUE(skin.IsLatched(2));
    EXPECT_EQ(t.ui.PaintCount(button), paints + 1);
    EXPECT_EQ(skin.Button(2)->CurrentLook(), Look::Pressed);
    t.ui.EndDialog(owner.self, 1);
  });
  EXPECT_EQ(t.ui.RunModal(dialog, {}, owner), 1);
}

}  // namespace
}  // namespace kemlog::skin
