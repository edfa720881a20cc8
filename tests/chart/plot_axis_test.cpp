// Axes on their own: value and pixel mapping, tick steps, first ticks, decimals, labels, drawing,
// margins and panning.

#include "chart/plot_standard_axis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <utility>

#include "tests/chart/chart_test_support.h"

namespace kemlog::chart {
namespace {

using testing::CanvasOp;
using testing::RecordingCanvas;

struct AxisPlace {
  bool horizontal = true;
  bool secondary = false;
  int start = 0;
  int end = 500;
  Rect rect{};
};

std::unique_ptr<CPlotStandardAxis> MakeAxis(double minimum, double maximum, const AxisPlace& place) {
  auto axis = std::make_unique<CPlotStandardAxis>();
  axis->Attach(nullptr, place.horizontal, place.secondary);
  axis->Place(place.start, place.end, place.rect);
  axis->SetRange(minimum, maximum);
  return axis;
}

// Draws the axis on a fresh canvas after the per-frame tick computations.
std::vector<testing::RecordedOp> DrawAxis(CPlotStandardAxis& axis, const Rect& plot) {
  RecordingCanvas canvas(1000, 1000);
  if (axis.HasAutomaticTicks()) axis.ComputeTickStep();
  axis.ComputeFirstTick();
  axis.Draw(canvas, plot);
  return canvas.Ops();
}

TEST(AxisTicksTest, ManualStepOfThousandOverSixThousandGivesSevenPlainLabels) {
  auto axis = MakeAxis(0, 6000, {true, false, 0, 600, {0, 300, 600, 330}});
  axis->SetManualTickStep(1000);
  const auto ops = DrawAxis(*axis, {0, 0, 600, 300});
  EXPECT_EQ(testing::Texts(ops), (std::vector<std::string>{"0", "1000", "2000", "3000", "4000", "5000", "6000"}));
  EXPECT_EQ(axis->Grid().Ticks(), (std::vector<int>{0, 100, 200, 300, 400, 500, 600}));
}

TEST(AxisTicksTest, MaximumOffTheStepGetsNoTickAtTheMaximum) {
  auto axis = MakeAxis(0, 5432, {true, false, 0, 543, {}});
  axis->SetManualTickStep(1000);
  DrawAxis(*axis, {});
  EXPECT_EQ(axis->Grid().Ticks().size(), 6u);  // 0 .. 5000
  double next = 0;
  EXPECT_FALSE(axis->NextTickValue(5000, next));
  EXPECT_EQ(next, 6000);
}

struct TickStepCase {
  const char* name;
  bool horizontal;
  int length;
  double maximum;
  double step;
  int decimals;
};

class AutomaticTickStepTest : public ::testing::TestWithParam<TickStepCase> {};

TEST_P(AutomaticTickStepTest, ChoosesOneTwoOrFiveTimesAPowerOfTen) {
  const TickStepCase& c = GetParam();
  const int start = c.horizontal ? 0 : c.length;
  const int end = c.horizontal ? c.length : 0;
  auto axis = MakeAxis(0, c.maximum, {c.horizontal, false, start, end, {}});
  ASSERT_TRUE(axis->HasAutomaticTicks());
  axis->ComputeTickStep();
  EXPECT_DOUBLE_EQ(axis->TickStep(), c.step);
  EXPECT_EQ(axis->Decimals(), c.decimals);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AutomaticTickStepTest,
    ::testing::Values(
        // n = 16 spacings, d = 375, e = 2: 100 and 200 are too small, 500 fits.
        TickStepCase{"SixThousandOn500Pixels", true, 500, 6000, 500, 0},
        // d = 0.7: the tenfold of 0.1 drops the decimal.
        TickStepCase{"SevenOn300Pixels", true, 300, 7, 1, 0},
        // d = 0.035, e = -2: 0.05 with two decimals.
        TickStepCase{"QuarterOn100Pixels", true, 100, 0.105, 0.05, 2},
        // Vertical spacing of 20: n = 5, d = 9: step 10.
        TickStepCase{"FortyFiveOn100PixelsUpwards", false, 100, 45, 10, 0},
        // d = 2.5 exactly between 2 and 5.
        TickStepCase{"TwentyFiveOn300Pixels", true, 300, 25, 5, 0}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(AutomaticTickStepTest, EmptyRangeGivesStepZeroAndShortAxisKeepsTheStep) {
  auto empty = MakeAxis(3, 3, {true, false, 0, 500, {}});
  empty->ComputeTickStep();
  EXPECT_EQ(empty->TickStep(), 0);

  auto shortAxis = MakeAxis(0, 6000, {true, false, 0, 29, {}});
  shortAxis->SetManualTickStep(250);
  shortAxis->ComputeTickStep();
  EXPECT_EQ(shortAxis->TickStep(), 250);
  EXPECT_EQ(shortAxis->Decimals(), 0);
}

TEST(AutomaticTickStepTest, RangeGivenDownwardsStillGetsAPositiveStep) {
  auto axis = MakeAxis(6000, 0, {true, false, 0, 500, {}});
  axis->ComputeTickStep();
  EXPECT_EQ(axis->TickStep(), 500);
}

struct DecimalsCase {
  double step;
  int decimals;
};

class ManualStepDecimalsTest : public ::testing::TestWithParam<DecimalsCase> {};

TEST_P(ManualStepDecimalsTest, FollowsTheStepsPowerOfTen) {
  CPlotStandardAxis axis;
  axis.SetManualTickStep(GetParam().step);
  EXPECT_FALSE(axis.HasAutomaticTicks());
  EXPECT_EQ(axis.Decimals(), GetParam().decimals);
}

INSTANTIATE_TEST_SUITE_P(Steps, ManualStepDecimalsTest,
                         ::testing::Values(DecimalsCase{0.25, 1}, DecimalsCase{0.01, 2}, DecimalsCase{30, 0},
                                           DecimalsCase{1000, 0}, DecimalsCase{0.5, 1}, DecimalsCase{0.001, 3},
                                           // Steps with no logarithm get no decimals instead of a wild count.
                                           DecimalsCase{0, 0}, DecimalsCase{-2, 0},
                                           DecimalsCase{std::numeric_limits<double>::quiet_NaN(), 0}));

struct FirstTickCase {
  double minimum;
  double step;
  double first;
};

class FirstTickTest : public ::testing::TestWithParam<FirstTickCase> {};

TEST_P(FirstTickTest, IsTheSmallestMultipleNotBelowTheMinimum) {
  const FirstTickCase& c = GetParam();
  auto axis = MakeAxis(c.minimum, c.minimum + 100, {});
  axis->SetManualTickStep(c.step);
  axis->ComputeFirstTick();
  EXPECT_DOUBLE_EQ(axis->FirstTick(), c.first);
  EXPECT_DOUBLE_EQ(axis->FirstTickValue(), c.first);
}

INSTANTIATE_TEST_SUITE_P(Minimums, FirstTickTest,
                         ::testing::Values(FirstTickCase{-5, 2, -4}, FirstTickCase{5, 2, 6}, FirstTickCase{0, 2, 0},
                                           FirstTickCase{-4, 2, -4}, FirstTickCase{4, 2, 4},
                                           FirstTickCase{0.3, 0.25, 0.5}, FirstTickCase{-0.3, 0.25, -0.25},
                                           // No usable step: the minimum itself.
                                           FirstTickCase{7, 0, 7}, FirstTickCase{7, -1, 7}));

TEST(FirstTickTest, StepTooSmallToMoveALargeMinimumStillEnds) {
  // Truncation lands just below these minimums, and adding the step no longer changes the value.
  for (const auto& [minimum, step] : {std::pair{4.802789503203011e+20, 1.3}, std::pair{-4.693732090889136e+20, 0.7}}) {
    auto axis = MakeAxis(minimum, minimum * 2, {});
    axis->SetManualTickStep(step);
    axis->ComputeFirstTick();
    EXPECT_NEAR(axis->FirstTick(), minimum, std::fabs(minimum) * 1e-15);
  }
}

struct LabelCase {
  double value;
  double step;
  const char* text;
};

class TickLabelTest : public ::testing::TestWithParam<LabelCase> {};

TEST_P(TickLabelTest, IsFixedPointWithTheStepsDecimals) {
  CPlotStandardAxis axis;
  axis.SetManualTickStep(GetParam().step);
  EXPECT_EQ(axis.TickLabelText(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, TickLabelTest,
                         ::testing::Values(LabelCase{1000, 1000, "1000"}, LabelCase{2.5, 0.5, "2.5"},
                                           LabelCase{-2.5, 0.5, "-2.5"}, LabelCase{1234567, 1, "1234567"},
                                           LabelCase{0.3, 0.1, "0.3"}, LabelCase{0.1 + 0.2, 0.1, "0.3"},
                                           // Rounding noise just below zero reads as zero.
                                           LabelCase{-1e-17, 0.1, "0.0"}, LabelCase{-0.0, 1, "0"},
                                           LabelCase{-0.04, 0.1, "0.0"}, LabelCase{-0.06, 0.1, "-0.1"}));

struct PixelCase {
  const char* name;
  bool horizontal;
  bool inverted;
  double value;
  int pixel;
};

class ValueToPixelTest : public ::testing::TestWithParam<PixelCase> {};

// Range 0 to 70 over pixels 100 to 380 (horizontal) or 380 up to 100 (vertical): 4 pixels a unit.
TEST_P(ValueToPixelTest, MapsLinearlyAlongTheSpan) {
  const PixelCase& c = GetParam();
  auto axis = MakeAxis(0, 70, {c.horizontal, false, c.horizontal ? 100 : 380, c.horizontal ? 380 : 100, {}});
  axis->SetInverted(c.inverted);
  EXPECT_EQ(axis->ValueToPixel(c.value), c.pixel);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ValueToPixelTest,
    ::testing::Values(PixelCase{"HorizontalMinimum", true, false, 0, 100}, PixelCase{"HorizontalMaximum", true, false, 70, 380},
                      PixelCase{"HorizontalFloors", true, false, 10.3, 141},
                      PixelCase{"HorizontalBelowMinimumOutside", true, false, -5, 80},
                      PixelCase{"HorizontalInverted", true, true, 10, 340}, PixelCase{"VerticalGrowsUp", false, false, 10, 340},
                      PixelCase{"VerticalInvertedGrowsDown", false, true, 10, 140},
                      PixelCase{"VerticalAboveMaximumOutside", false, false, 80, 60}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ValueToPixelTest, FarAndMissingValuesStayWithinTheCoordinateRange) {
  auto axis = MakeAxis(0, 10, {true, false, 0, 1000, {}});
  EXPECT_EQ(axis->ValueToPixel(1e300), 1 << 27);
  EXPECT_EQ(axis->ValueToPixel(-1e300), -(1 << 27));
  EXPECT_EQ(axis->ValueToPixel(std::numeric_limits<double>::infinity()), 1 << 27);
  EXPECT_EQ(axis->ValueToPixel(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(ValueToPixelTest, PixelToValueInvertsEachOrientation) {
  for (const bool horizontal : {true, false}) {
    for (const bool inverted : {false, true}) {
      auto axis = MakeAxis(-20, 80, {horizontal, false, horizontal ? 50 : 450, horizontal ? 450 : 50, {}});
      axis->SetInverted(inverted);
      for (const double v : {-20.0, 0.0, 37.5, 80.0}) {
        EXPECT_DOUBLE_EQ(axis->PixelToValue(axis->ValueToPixel(v)), v) << horizontal << inverted << v;
      }
    }
  }
}

TEST(ValueToPixelTest, ZeroLengthSpanGivesTheMinimumInsteadOfDividingByZero) {
  auto axis = MakeAxis(5, 9, {true, false, 40, 40, {}});
  EXPECT_EQ(axis->PixelToValue(100), 5);
  EXPECT_EQ(axis->ValueToPixel(7), 40);
}

TEST(DiscreteAxisTest, ValuesSitMidIntervalAndTicksStartAStepEarly) {
  auto axis = MakeAxis(0, 6, {true, false, 0, 600, {0, 300, 600, 330}});
  axis->SetManualTickStep(1);
  axis->SetDiscreteMode(true);
  EXPECT_EQ(axis->ValueToPixel(2), 250);
  EXPECT_EQ(axis->ValueToPixel(2.99), 250);
  EXPECT_EQ(axis->ValueToPixel(-1.5), -50);
  EXPECT_EQ(axis->TickPixel(2), 200);

  const auto ops = DrawAxis(*axis, {0, 0, 600, 300});
  // Ticks -1 .. 6: the one at -1 has neither a mark nor a label on the span, and 6's label at 650
  // is past its end.
  EXPECT_EQ(testing::Texts(ops), (std::vector<std::string>{"0", "1", "2", "3", "4", "5"}));
  EXPECT_EQ(axis->Grid().Ticks().front(), -100);
  EXPECT_EQ(axis->Grid().Ticks().size(), 8u);
}

TEST(EmptyRangeTest, DrawsOneTickInTheMiddleOfTheSpan) {
  auto axis = MakeAxis(42, 42, {true, false, 100, 301, {0, 300, 400, 330}});
  axis->SetManualTickStep(10);
  EXPECT_EQ(axis->ValueToPixel(42), 200);
  EXPECT_EQ(axis->ValueToPixel(-1000), 200);
  EXPECT_EQ(axis->PixelToValue(250), 42);

  const auto ops = DrawAxis(*axis, {100, 0, 301, 300});
  const auto texts = testing::OfKind(ops, CanvasOp::Text);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "42");
  EXPECT_EQ(texts[0].points[0], (Point{200 - 5, 305}));
  EXPECT_EQ(axis->Grid().Ticks(), std::vector<int>{200});

  auto vertical = MakeAxis(42, 42, {false, false, 301, 100, {}});
  EXPECT_EQ(vertical->ValueToPixel(42), 201);
}

TEST(TickBoundsTest, StepsThatNeverReachTheMaximumStillEndTheDrawing) {
  auto negative = MakeAxis(0, 100, {true, false, 0, 500, {}});
  negative->SetManualTickStep(-10);
  DrawAxis(*negative, {});
  EXPECT_EQ(negative->Grid().Ticks(), std::vector<int>{0});

  auto tiny = MakeAxis(0, 6000, {true, false, 0, 500, {}});
  tiny->SetManualTickStep(1e-9);
  DrawAxis(*tiny, {});
  EXPECT_EQ(tiny->Grid().Ticks().size(), static_cast<size_t>(CPlotAxis::kMaxTicks));
}

TEST(AxisDrawingTest, SecondaryVerticalAxisPlacesMarksLabelsAndGrid) {
  // The right axis of a plotting area (40, 10)-(400, 210): its room lies right of x = 400.
  auto axis = MakeAxis(0, 200, {false, true, 210, 10, {400, 0, 460, 240}});
  axis->SetManualTickStep(100);
  axis->SetAxisColour(Rgb(255, 0, 0));
  axis->SetTextColour(Rgb(0, 0, 255));
  const auto ops = DrawAxis(*axis, {40, 10, 400, 210});

  const auto lines = testing::OfKind(ops, CanvasOp::Line);
  ASSERT_GE(lines.size(), 4u);
  // The axis line along the span, then a 3-pixel mark per tick.
  EXPECT_EQ(lines[0].points, (std::vector<Point>{{401, 210}, {401, 10}}));
  EXPECT_EQ(lines[0].pen.colour, Rgb(255, 0, 0));
  EXPECT_EQ(lines[2].points, (std::vector<Point>{{401, 110}, {404, 110}}));

  const auto* label = testing::FindText(ops, "100");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->points[0], (Point{406, 105}));
  EXPECT_EQ(label->colour, Rgb(0, 0, 255));
  EXPECT_EQ(label->font, (platform::Font{"Microsoft Sans Serif", 80}));

  // Grid: dashes from x = 40 every 6 pixels while x < 400, for each of the 3 ticks.
  std::vector<testing::RecordedOp> grid;
  for (const auto& op : lines) {
    if (op.pen.colour == Rgb(128, 128, 128)) grid.push_back(op);
  }
  ASSERT_EQ(grid.size(), 3u * 60u);
  EXPECT_EQ(grid[0].points, (std::vector<Point>{{40, 210}, {43, 210}}));
  EXPECT_EQ(grid[59].points, (std::vector<Point>{{394, 210}, {397, 210}}));
  EXPECT_EQ(grid[0].clip, (Rect{40, 10, 400, 210}));
}

TEST(AxisDrawingTest, HiddenGridAndHiddenAxisDrawNothingOfTheirOwn) {
  auto axis = MakeAxis(0, 10, {true, false, 0, 100, {0, 100, 100, 130}});
  axis->SetManualTickStep(5);
  axis->Grid().SetVisible(false);
  auto ops = DrawAxis(*axis, {0, 0, 100, 100});
  EXPECT_EQ(testing::OfKind(ops, CanvasOp::Line).size(), 1u + 3u);  // axis line and three marks

  axis->SetVisible(false);
  ops = DrawAxis(*axis, {0, 0, 100, 100});
  EXPECT_TRUE(ops.empty());
  Rect plot{0, 0, 100, 100};
  RecordingCanvas canvas(100, 100);
  EXPECT_EQ(axis->ReserveMargin(plot, canvas, {0, 0, 100, 130}), 0);
  EXPECT_EQ(plot, (Rect{0, 0, 100, 100}));
}

TEST(AxisMarginTest, VerticalAxisWithoutTitleReservesTickRoomOnlyAndLabelsAtLeftPlusFour) {
  auto axis = MakeAxis(0, 70, {false, false, 297, 3, {3, 3, 3, 297}});
  axis->SetManualTickStep(10);
  axis->ComputeFirstTick();
  RecordingCanvas canvas(600, 300);
  Rect plot{3, 3, 597, 297};
  // Widest label "70": 10 pixels, 10 high.
  EXPECT_EQ(axis->ReserveMargin(plot, canvas, {3, 3, 597, 297}), 10 + 10);
  EXPECT_EQ(plot, (Rect{23, 11, 597, 297}));

  axis->Place(297, 11, {3, 3, 23, 297});
  const auto ops = DrawAxis(*axis, plot);
  const auto* label = testing::FindText(ops, "10");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->points[0].x, 3 + 4);
}

TEST(AxisMarginTest, FixedMarginReplacesTheComputedRoom) {
  auto axis = MakeAxis(0, 6000, {true, false, 3, 597, {3, 3, 597, 297}});
  axis->SetManualTickStep(1000);
  axis->SetAutomaticMargin(false, 50);
  axis->ComputeFirstTick();
  RecordingCanvas canvas(600, 300);
  Rect plot{3, 3, 597, 297};
  EXPECT_EQ(axis->ReserveMargin(plot, canvas, {3, 3, 597, 297}), 50);
  // Bottom up by the margin, right in by 3 and half of "6000".
  EXPECT_EQ(plot, (Rect{3, 3, 584, 247}));
}

TEST(AxisMarginTest, TickLabelsOutsideTheSpanDoNotWidenTheRoom) {
  auto axis = MakeAxis(0, 100000, {true, false, 0, 100, {}});
  axis->SetManualTickStep(1);
  axis->SetDiscreteMode(true);
  axis->SetRange(99999, 100000);
  axis->ComputeFirstTick();
  RecordingCanvas canvas(10, 10);
  // Ticks 99998, 99999 and 100000 sit at -50, 50 and 150: only "99999" lies on the span.
  EXPECT_EQ(axis->MaxTickLabelSize(canvas), (Size{25, 10}));
}

TEST(AxisPanTest, ContentFollowsThePointerAndTheRememberedRangeStays) {
  auto axis = MakeAxis(0, 6000, {true, false, 0, 600, {}});
  axis->PanBy(300, 250);  // 50 pixels to the left: 500 further along
  EXPECT_DOUBLE_EQ(axis->Minimum(), 500);
  EXPECT_DOUBLE_EQ(axis->Maximum(), 6500);
  EXPECT_EQ(axis->RememberedMinimum(), 0);
  EXPECT_EQ(axis->RememberedMaximum(), 6000);

  auto vertical = MakeAxis(0, 70, {false, false, 280, 0, {}});
  vertical->PanBy(100, 140);  // 40 pixels down: the values move down with the pointer
  EXPECT_DOUBLE_EQ(vertical->Minimum(), 10);
  EXPECT_DOUBLE_EQ(vertical->Maximum(), 80);
}

TEST(AxisPanTest, NeverNarrowerThanTheMinimumSpanAndNothingOnAnEmptyRange) {
  auto narrow = MakeAxis(1, 1.0005, {true, false, 0, 100, {}});
  narrow->PanBy(0, 0);
  EXPECT_DOUBLE_EQ(narrow->Minimum(), 1);
  EXPECT_DOUBLE_EQ(narrow->Maximum(), 1.001);

  auto empty = MakeAxis(3, 3, {true, false, 0, 100, {}});
  empty->PanBy(50, 10);
  EXPECT_EQ(empty->Minimum(), 3);
  EXPECT_EQ(empty->Maximum(), 3);

  auto locked = MakeAxis(0, 10, {true, false, 0, 100, {}});
  locked->SetPanAllowed(false);
  locked->PanBy(50, 10);
  EXPECT_EQ(locked->Minimum(), 0);
  EXPECT_EQ(locked->Maximum(), 10);
}

}  // namespace
}  // namespace kemlog::chart
