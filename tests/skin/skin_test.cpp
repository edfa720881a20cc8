// The skinned controls: the brightened stand-in for a missing hover picture, blending over the
// background, which picture a button shows, clicks, and the picture static.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/headless/headless_ui.h"
#include "platform/headless/recording_canvas.h"
#include "platform/headless/virtual_clock.h"
#include "skin/skin_bitmap.h"
#include "skin/skin_button.h"
#include "skin/skin_static.h"

namespace kemlog::skin {
namespace {

using platform::MouseAction;
using platform::MouseButton;
using platform::MouseEvent;
using platform::PaintState;
using platform::headless::RecordingCanvas;
using Look = CSkinButton::Look;

CSkinBitmap Solid(Rgba colour, int width = 2, int height = 2) { return CSkinBitmap::Filled(width, height, colour); }

// The one picture a paint drew, or an empty picture when it drew none.
CSkinBitmap Drawn(const RecordingCanvas& canvas) {
  const auto& pictures = canvas.Pictures();
  if (pictures.size() != 1) return {};
  return CSkinBitmap(pictures[0].width, pictures[0].height, pictures[0].rgba);
}

CSkinBitmap PaintOnce(CSkinButton& button, PaintState state = {}) {
  RecordingCanvas canvas(18, 18);
  button.Paint(canvas, state);
  EXPECT_LE(canvas.Pictures().size(), 1u);
  if (!canvas.Pictures().empty()) {
    EXPECT_EQ(canvas.Pictures()[0].target, (platform::Rect{0, 0, 18, 18}));
  }
  return Drawn(canvas);
}

// --- Pictures ------------------------------------------------------------------------------------

TEST(SkinBitmap, BufferOfTheWrongLengthOrSizeGivesAnEmptyPicture) {
  EXPECT_TRUE(CSkinBitmap(2, 2, std::vector<uint8_t>(15)).Empty());
  EXPECT_TRUE(CSkinBitmap(2, 2, std::vector<uint8_t>(17)).Empty());
  EXPECT_TRUE(CSkinBitmap(0, 2, {}).Empty());
  EXPECT_TRUE(CSkinBitmap(-1, -4, std::vector<uint8_t>(16)).Empty());
  const CSkinBitmap ok(2, 1, {1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_FALSE(ok.Empty());
  EXPECT_EQ(ok.At(1, 0), (Rgba{5, 6, 7, 8}));
}

TEST(SkinBitmap, PixelAccessOutsideThePictureIsRefused) {
  CSkinBitmap picture = Solid({1, 2, 3, 4}, 3, 2);
  for (auto [x, y] : std::vector<std::pair<int, int>>{{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {3, 2}}) {
    EXPECT_FALSE(picture.At(x, y)) << x << "," << y;
    EXPECT_FALSE(picture.Set(x, y, {9, 9, 9, 9})) << x << "," << y;
  }
  EXPECT_EQ(picture, Solid({1, 2, 3, 4}, 3, 2));
  EXPECT_TRUE(picture.Set(2, 1, {9, 8, 7, 6}));
  EXPECT_EQ(picture.At(2, 1), (Rgba{9, 8, 7, 6}));
  EXPECT_EQ(picture.At(1, 1), (Rgba{1, 2, 3, 4}));
}

TEST(SkinBitmap, BrighteningMultipliesByOnePointZeroFiveAndAddsAFiftiethOfFullScale) {
  struct Case {
    uint8_t in;
    uint8_t out;  // round(1.05 x in + 12.75), at most 255
  };
  const Case cases[] = {{0, 13}, {1, 14}, {10, 23}, {100, 118}, {128, 147}, {200, 223}, {230, 254}, {231, 255}, {255, 255}};
  for (const Case& c : cases) EXPECT_EQ(BrightenChannel(c.in), c.out) << int(c.in);
}

TEST(SkinBitmap, BrighteningChangesColourButNotAlpha) {
  CSkinBitmap picture(2, 1, {0, 100, 200, 0, 50, 128, 255, 77});
  const CSkinBitmap bright = Brighten(picture);
  EXPECT_EQ(bright.At(0, 0), (Rgba{13, 118, 223, 0}));
  EXPECT_EQ(bright.At(1, 0), (Rgba{65, 147, 255, 77}));
  EXPECT_TRUE(Brighten(CSkinBitmap{}).Empty());
}

TEST(SkinBitmap, BlendingOnePixel) {
  struct Case {
    Rgba back, front, out;
  };
  const Case cases[] = {
      {{10, 20, 30, 255}, {200, 100, 50, 0}, {10, 20, 30, 255}},        // transparent: background
      {{10, 20, 30, 255}, {200, 100, 50, 255}, {200, 100, 50, 255}},    // opaque: picture
      {{0, 0, 0, 255}, {255, 255, 255, 128}, {128, 128, 128, 255}},     // half over black
      {{100, 200, 0, 255}, {200, 0, 100, 64}, {125, 150, 25, 255}},     // a quarter
      {{0, 0, 0, 0}, {40, 50, 60, 100}, {40, 50, 60, 100}},             // over nothing: itself
      {{0, 0, 0, 0}, {40, 50, 60, 0}, {0, 0, 0, 0}},                    // nothing over nothing
      {{0, 0, 255, 128}, {255, 0, 0, 128}, {170, 0, 85, 192}},          // both half
  };
  for (const Case& c : cases) {
    const Rgba out = BlendPixel(c.back, c.front);
    EXPECT_EQ(out, c.out) << int(out.r) << " " << int(out.g) << " " << int(out.b) << " " << int(out.a);
  }
}

TEST(SkinBitmap, BlendingAPictureOverTheBackgroundBehindTheButton) {
  CSkinBitmap background(2, 1, {10, 20, 30, 255, 40, 50, 60, 255});
  CSkinBitmap picture(2, 1, {255, 0, 0, 0, 0, 0, 255, 255});  // transparent, then opaque blue
  const CSkinBitmap blended = BlendOver(background, picture);
  EXPECT_EQ(blended.At(0, 0), (Rgba{10, 20, 30, 255}));
  EXPECT_EQ(blended.At(1, 0), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(BlendOver(background, CSkinBitmap{}), background);
  EXPECT_TRUE(BlendOver(CSkinBitmap{}, picture).Empty());
}

TEST(SkinBitmap, APictureOfAnotherSizeIsStretchedOverTheBackground) {
  // A 1 x 1 half-red picture over a 3 x 2 white background covers all of it.
  const CSkinBitmap blended = BlendOver(Solid({255, 255, 255, 255}, 3, 2), Solid({255, 0, 0, 128}, 1, 1));
  ASSERT_EQ(blended.Width(), 3);
  ASSERT_EQ(blended.Height(), 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_EQ(blended.At(x, y), (Rgba{255, 127, 127, 255})) << x << "," << y;
  }
  // Left half black, right half white, stretched from 2 x 1 to 4 x 1.
  const CSkinBitmap wide = Stretch(CSkinBitmap(2, 1, {0, 0, 0, 255, 255, 255, 255, 255}), 4, 1);
  const uint8_t expected[] = {0, 0, 255, 255};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(wide.At(x, 0)->r, expected[x]) << x;
  EXPECT_TRUE(Stretch(wide, 0, 3).Empty());
}

// --- Button looks ---------------------------------------------------------------------------------

struct Pictures {
  CSkinBitmap normal = Solid({100, 0, 200, 255});
  CSkinBitmap pressed = Solid({50, 0, 100, 255});
  CSkinBitmap hover = Solid({150, 30, 250, 255});
};

void Fill(CSkinButton& button, const Pictures& p, bool withHover) {
  button.NormalImage = p.normal;
  button.PressedImage = p.pressed;
  if (withHover) button.HoverImage = p.hover;
}

TEST(SkinButton, LookFollowsLatchPressAndHover) {
  struct Case {
    bool latched, pressed, hover;
    Look look;
  };
  const Case cases[] = {
      {false, false, false, Look::Normal}, {false, false, true, Look::Hover},  {false, true, false, Look::Pressed},
      {false, true, true, Look::Pressed},  {true, false, false, Look::Pressed}, {true, false, true, Look::Pressed},
      {true, true, true, Look::Pressed},
  };
  const Pictures p;
  for (const Case& c : cases) {
    CSkinButton button;
    Fill(button, p, true);
    button.Latched = c.latched;
    const CSkinBitmap drawn = PaintOnce(button, PaintState{c.pressed, c.hover, false});
    EXPECT_EQ(button.CurrentLook(), c.look) << c.latched << c.pressed << c.hover;
    const CSkinBitmap& expected = c.look == Look::Normal ? p.normal : c.look == Look::Hover ? p.hover : p.pressed;
    EXPECT_EQ(drawn, expected) << c.latched << c.pressed << c.hover;
  }
}

TEST(SkinButton, WithoutAHoverPictureTheHoverLookIsTheBrightenedNormalPicture) {
  CSkinButton button;
  Fill(button, Pictures{}, false);
  const CSkinBitmap drawn = PaintOnce(button, PaintState{false, true, false});
  ASSERT_FALSE(drawn.Empty());
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) EXPECT_EQ(drawn.At(x, y), (Rgba{118, 13, 223, 255})) << x << "," << y;
  }
  EXPECT_EQ(PaintOnce(button), Pictures{}.normal);  // at rest the normal picture itself
}

TEST(SkinButton, MouseOverShowsHoverAndLeavingReturnsToNormal) {
  const Pictures p;
  CSkinButton button;
  Fill(button, p, true);
  button.OnSize({18, 18});
  button.OnMouse(MouseEvent{MouseAction::Move, MouseButton::None, {3, 4}});
  EXPECT_TRUE(button.Hovering());
  EXPECT_EQ(PaintOnce(button), p.hover);
  button.OnMouse(MouseEvent{MouseAction::Down, MouseButton::Left, {3, 4}});
  EXPECT_EQ(PaintOnce(button), p.pressed);
  button.OnMouse(MouseEvent{MouseAction::Leave, MouseButton::None, {}});
  EXPECT_FALSE(button.Hovering());
  EXPECT_FALSE(button.HeldDown());
  EXPECT_EQ(PaintOnce(button), p.normal);
  EXPECT_EQ(button.Clicks(), 0);
}

TEST(SkinButton, LatchedShowsPressedUnderTheMouseAndAfterLeaving) {
  const Pictures p;
  CSkinButton button;
  Fill(button, p, true);
  button.Latched = true;
  button.OnMouse(MouseEvent{MouseAction::Move, MouseButton::None, {3, 4}});
  EXPECT_EQ(PaintOnce(button, PaintState{false, true, false}), p.pressed);
  button.OnMouse(MouseEvent{MouseAction::Leave, MouseButton::None, {}});
  EXPECT_EQ(PaintOnce(button), p.pressed);
  button.Latched = false;
  EXPECT_EQ(PaintOnce(button), p.normal);
}

TEST(SkinButton, WithoutANormalPictureNothingIsDrawn) {
  CSkinButton button;
  button.PressedImage = Solid({1, 1, 1, 255});
  button.HoverImage = Solid({2, 2, 2, 255});
  button.Latched = true;
  RecordingCanvas canvas(18, 18);
  button.Paint(canvas, PaintState{true, true, false});
  EXPECT_TRUE(canvas.Pictures().empty());
  EXPECT_TRUE(canvas.Ops().empty());
  EXPECT_EQ(button.CurrentLook(), Look::None);
  EXPECT_EQ(button.Prepared(Look::Normal), nullptr);
}

TEST(SkinButton, AnEmptyPictureDrawsNothingAndAMissingPressedPictureFallsBackToNormal) {
  CSkinButton empty;
  empty.NormalImage = CSkinBitmap{};
  empty.PressedImage = CSkinBitmap{};
  RecordingCanvas canvas(18, 18);
  empty.Paint(canvas, {});
  EXPECT_TRUE(canvas.Pictures().empty());

  CSkinButton noPressed;
  noPressed.NormalImage = Pictures{}.normal;
  EXPECT_EQ(PaintOnce(noPressed, PaintState{true, false, false}), Pictures{}.normal);
}

TEST(SkinButton, PicturesArePreparedOnceAtTheFirstPaint) {
  const Pictures p;
  CSkinButton button;
  Fill(button, p, false);
  EXPECT_EQ(button.Prepared(Look::Normal), nullptr);
  PaintOnce(button);
  button.NormalImage = Solid({9, 9, 9, 255});
  button.HoverImage = Solid({8, 8, 8, 255});
  EXPECT_EQ(PaintOnce(button), p.normal);
  EXPECT_EQ(PaintOnce(button, PaintState{false, true, false}), Brighten(p.normal));
}

TEST(SkinButton, WithTheBackgroundBehindItEachPictureIsBlendedOverItOnce) {
  // Left pixel transparent, right pixel half opaque, over a grey background.
  const CSkinBitmap normal(2, 1, {255, 0, 0, 0, 200, 100, 0, 128});
  const CSkinBitmap pressed(2, 1, {0, 0, 255, 255, 0, 0, 0, 0});
  CSkinButton button;
  button.NormalImage = normal;
  button.PressedImage = pressed;
  button.Background = CSkinBitmap(2, 1, {50, 60, 70, 255, 0, 0, 0, 255});
  struct Case {
    PaintState state;
    Rgba left, right;
  };
  const Case cases[] = {
      {{false, false, false}, {50, 60, 70, 255}, {100, 50, 0, 255}},
      {{true, false, false}, {0, 0, 255, 255}, {0, 0, 0, 255}},
      // hover: the brightened normal picture, alpha unchanged, blended.
      {{false, true, false}, {50, 60, 70, 255}, {112, 59, 7, 255}},
  };
  for (const Case& c : cases) {
    const CSkinBitmap drawn = PaintOnce(button, c.state);
    EXPECT_EQ(drawn.At(0, 0), c.left) << c.state.pressed << c.state.hover;
    EXPECT_EQ(drawn.At(1, 0), c.right) << c.state.pressed << c.state.hover;
  }
  // An empty pressed picture shows only the background.
  CSkinButton blank;
  blank.NormalImage = normal;
  blank.PressedImage = CSkinBitmap{};
  blank.Background = Solid({5, 6, 7, 255});
  EXPECT_EQ(PaintOnce(blank, PaintState{true, false, false}), Solid({5, 6, 7, 255}));
}

TEST(SkinButton, ADoubleClickCountsAsASecondClick) {
  CSkinButton button;
  Fill(button, Pictures{}, false);
  button.OnSize({18, 18});
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
  const Case cases[] = {{MouseButton::Left, {5, 5}, 1}, {MouseButton::Left, {18, 5}, 0},
                        {MouseButton::Left, {5, -1}, 0}, {MouseButton::Right, {5, 5}, 0}};
  for (const Case& c : cases) {
    CSkinButton button;
    button.OnSize({18, 18});
    button.OnMouse(MouseEvent{MouseAction::Down, c.button, {5, 5}});
    button.OnMouse(MouseEvent{MouseAction::Up, c.button, c.up});
    EXPECT_EQ(button.Clicks(), c.clicks) << c.up.x << "," << c.up.y;
    EXPECT_FALSE(button.HeldDown());
  }
}

// On the headless toolkit: an owner-drawn button with the skinned delegate.
constexpr platform::ControlId kButtonId = 10;
constexpr platform::ControlId kStaticId = 11;
constexpr platform::ControlTemplate kControls[] = {
    {kButtonId, platform::ControlKind::PushButton, platform::kVisible | platform::kOwnerDraw,
     platform::RectXywh(10, 10, 18, 18), "", {}},
    {kStaticId, platform::ControlKind::PictureStatic, platform::kVisible, platform::RectXywh(40, 10, 30, 20), "", {}},
};
constexpr platform::DialogTemplate kDialog{900, platform::kPopupWindow, {}, {200, 100}, "MS Shell Dlg", 8, kControls};

struct Owner : platform::DialogHandler {
  void OnInitDialog(platform::WindowId s) override { self = s; }
  void OnCommand(platform::ControlId id) override { commands.push_back(id); }
  platform::WindowId self;
  std::vector<platform::ControlId> commands;
};

TEST(SkinButton, OnTheToolkitADoubleClickGivesTwoClicksAndLeavingRepaintsNormal) {
  platform::headless::VirtualClock clock;
  platform::headless::HeadlessUi ui{clock};
  ui.SetLoopLimit(std::chrono::milliseconds(2000));
  Owner owner;
  const Pictures p;
  CSkinButton button;
  Fill(button, p, true);
  CSkinStatic picture;
  picture.Picture = Solid({1, 2, 3, 255}, 4, 4);
  ui.QueueStep([&] {
    const platform::WindowId control = ui.Control(owner.self, kButtonId);
    ui.SetDelegate(control, &button);
    ui.SetDelegate(ui.Control(owner.self, kStaticId), &picture);
    ui.Mouse(control, MouseAction::Down, {4, 4});
    ui.Mouse(control, MouseAction::Up, {4, 4});
    ui.Mouse(control, MouseAction::DoubleClick, {4, 4});
    ui.Mouse(control, MouseAction::Up, {4, 4});
    ui.Hover(control);
    ui.RunUntilIdle();
    ASSERT_NE(ui.LastPaint(control), nullptr);
    EXPECT_EQ(Drawn(*ui.LastPaint(control)), p.hover);
    ui.Leave(control);
    ui.RunUntilIdle();
    EXPECT_EQ(Drawn(*ui.LastPaint(control)), p.normal);
    const auto* staticPaint = ui.LastPaint(ui.Control(owner.self, kStaticId));
    ASSERT_NE(staticPaint, nullptr);
    ASSERT_EQ(staticPaint->Pictures().size(), 1u);
    EXPECT_EQ(staticPaint->Pictures()[0].target, (platform::Rect{0, 0, 30, 20}));
    EXPECT_EQ(Drawn(*staticPaint), picture.Picture);
    ui.EndDialog(owner.self, 1);
  });
  EXPECT_EQ(ui.RunModal(kDialog, {}, owner), 1);
  EXPECT_EQ(owner.commands, (std::vector<platform::ControlId>{kButtonId, kButtonId}));
  EXPECT_EQ(button.Clicks(), 2);
}

TEST(SkinStatic, DrawsNothingWithoutAPicture) {
  for (const std::optional<CSkinBitmap>& set : {std::optional<CSkinBitmap>{}, std::optional<CSkinBitmap>{CSkinBitmap{}}}) {
    CSkinStatic control;
    control.Picture = set;
    RecordingCanvas canvas(10, 10);
    control.Paint(canvas, {});
    EXPECT_TRUE(canvas.Pictures().empty());
  }
}

}  // namespace
}  // namespace kemlog::skin
