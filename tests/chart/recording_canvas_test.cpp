// The recording canvas: its text measuring rule, nested clipping and the shared journal of surfaces.

#include "platform/headless/recording_canvas.h"

#include <gtest/gtest.h>

namespace kemlog::platform::headless {
namespace {

struct MeasureCase {
  const char* text;
  int size;
  Size expected;
};

class MeasureTest : public ::testing::TestWithParam<MeasureCase> {};

TEST_P(MeasureTest, FollowsTheDocumentedRule) {
  const MeasureCase& c = GetParam();
  EXPECT_EQ(RecordingCanvas::MeasureText(c.text, Font{"Any", c.size}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, MeasureTest,
                         ::testing::Values(MeasureCase{"6000", 80, {20, 10}}, MeasureCase{"", 80, {0, 10}},
                                           MeasureCase{"Pace(/km)", 100, {54, 12}},
                                           // Code points, not bytes: five characters in 13 bytes.
                                           MeasureCase{"距離(m)", 100, {30, 12}},
                                           MeasureCase{"ab", 85, {10, 10}},  // 0.6 x 8.5 = 5.1 -> 5
                                           MeasureCase{"ab", 125, {16, 15}}));

TEST(RecordingCanvasTest, ClipsNestAsIntersectionsAndPopBack) {
  RecordingCanvas canvas(100, 100);
  const Pen pen{PenStyle::Solid, 1, 0};
  canvas.DrawLine({0, 0}, {1, 1}, pen);
  canvas.PushClip({10, 10, 60, 60});
  canvas.PushClip({40, 0, 90, 50});
  canvas.DrawLine({0, 0}, {1, 1}, pen);
  canvas.PopClip();
  canvas.DrawLine({0, 0}, {1, 1}, pen);
  canvas.PopClip();
  canvas.PopClip();  // one too many: stays unclipped
  canvas.DrawLine({0, 0}, {1, 1}, pen);

  const auto lines = canvas.OpsOf(CanvasOp::Line, 0);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_FALSE(lines[0].clip.has_value());
  EXPECT_EQ(lines[1].clip, (Rect{40, 10, 60, 50}));
  EXPECT_EQ(lines[2].clip, (Rect{10, 10, 60, 60}));
  EXPECT_FALSE(lines[3].clip.has_value());
}

TEST(RecordingCanvasTest, SurfacesWriteIntoTheJournalOfTheirCreator) {
  RecordingCanvas window(50, 40);
  auto first = window.CreateSurface(50, 40);
  auto second = window.CreateSurface(20, 10);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(second->SurfaceSize(), (Size{20, 10}));
  first->FillRect({0, 0, 50, 40}, Rgb(1, 2, 3));
  second->DrawText({4, 5}, "x", Font{"F", 80}, Rgb(9, 9, 9));
  window.CopySurface(*second, {7, 8});

  const auto& ops = window.Ops();
  ASSERT_EQ(ops.size(), 5u);
  EXPECT_EQ(ops[0].kind, CanvasOp::CreateSurface);
  EXPECT_EQ(ops[0].other, 1);
  EXPECT_EQ(ops[1].rect, (Rect{0, 0, 20, 10}));
  EXPECT_EQ(ops[2].surface, 1);
  EXPECT_EQ(ops[2].colour, Rgb(1, 2, 3));
  EXPECT_EQ(ops[3].surface, 2);
  EXPECT_EQ(ops[3].points.front(), (Point{4, 5}));
  EXPECT_EQ(ops[4].kind, CanvasOp::CopySurface);
  EXPECT_EQ(ops[4].surface, 0);
  EXPECT_EQ(ops[4].other, 2);
  EXPECT_EQ(ops[4].points.front(), (Point{7, 8}));
}

TEST(RecordingCanvasTest, RgbPutsRedInTheLowByte) {
  EXPECT_EQ(Rgb(0x12, 0x34, 0x56), 0x563412u);
}

}  // namespace
}  // namespace kemlog::platform::headless
