// Line series on two axes of their own: the point store, the visible range, drawing, hit testing,
// the listener and the automatic ranges of the axes.

#include "chart/plot_line_series.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "chart/plot_standard_axis.h"
#include "tests/chart/chart_test_support.h"

namespace kemlog::chart {
namespace {

using testing::CanvasOp;
using testing::RecordingCanvas;

// Both axes map the values 0 to 1000 onto pixels 0 to 1000, so a value's pixel is its floor (the
// vertical axis is inverted to grow downwards like the pixels).
class LineSeriesTest : public ::testing::Test {
 protected:
  LineSeriesTest() {
    horizontal.Attach(nullptr, true, false);
    horizontal.Place(0, 1000, {});
    horizontal.SetRange(0, 1000);
    vertical.Attach(nullptr, false, false);
    vertical.Place(1000, 0, {});
    vertical.SetRange(0, 1000);
    vertical.SetInverted(true);
    series.SetAxes(&horizontal, &vertical);
    series.SetClipRect({0, 0, 1001, 1001});
  }

  void Set(const std::vector<double>& xs, const std::vector<double>& ys) { ASSERT_TRUE(series.SetPoints(xs, ys)); }

  std::vector<Point> Drawn() {
    RecordingCanvas canvas(1000, 1000);
    series.DrawAll(canvas);
    const auto lines = canvas.OpsOf(CanvasOp::Polyline, 0);
    return lines.empty() ? std::vector<Point>{} : lines.front().points;
  }

  std::vector<double> Ys() const {
    std::vector<double> ys;
    for (const SPlotXYPoint& p : series.Points().Points()) ys.push_back(p.y);
    return ys;
  }

  CPlotStandardAxis horizontal;
  CPlotStandardAxis vertical;
  CPlotLineSeries series{nullptr};
};

TEST_F(LineSeriesTest, StoreGrowsToExactlyTheCountAndClearingShrinksItBack) {
  EXPECT_EQ(series.Points().Capacity(), 1000u);
  std::vector<double> xs(1500), ys(1500);
  for (size_t i = 0; i < xs.size(); ++i) xs[i] = static_cast<double>(i);
  Set(xs, ys);
  EXPECT_EQ(series.Points().Capacity(), 1500u);
  EXPECT_EQ(series.PointCount(), 1500u);
  Set({1, 2}, {3, 4});
  EXPECT_EQ(series.Points().Capacity(), 1500u);
  EXPECT_EQ(series.PointCount(), 2u);
  series.ClearPoints();
  EXPECT_EQ(series.Points().Capacity(), 1000u);
  EXPECT_EQ(series.PointCount(), 0u);
  uint32_t first = 0, last = 0;
  EXPECT_FALSE(series.VisiblePointRange(first, last));
}

TEST_F(LineSeriesTest, SortsByXKeepingEqualXInTheOrderGiven) {
  Set({0, 10, 10, 20}, {1, 2, 3, 4});
  EXPECT_EQ(Ys(), (std::vector<double>{1, 2, 3, 4}));
  Set({20, 10, 0, 10}, {1, 2, 3, 4});
  EXPECT_EQ(Ys(), (std::vector<double>{3, 2, 4, 1}));
  double lo = 0, hi = 0;
  ASSERT_TRUE(series.DataRangeX(lo, hi));
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 20);
  ASSERT_TRUE(series.DataRangeY(lo, hi));
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 4);
}

TEST_F(LineSeriesTest, ArraysOfDifferentLengthAreRefused) {
  Set({1, 2}, {3, 4});
  const std::vector<double> xs{5, 6, 7};
  const std::vector<double> ys{8, 9};
  EXPECT_FALSE(series.SetPoints(xs, ys));
  EXPECT_EQ(Ys(), (std::vector<double>{3, 4}));
}

TEST_F(LineSeriesTest, MissingXValuesSortLastAndStayOutOfTheBounds) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Set({5, nan, 1, 3}, {50, 0, 10, 30});
  EXPECT_EQ(Ys(), (std::vector<double>{10, 30, 50, 0}));
  double lo = 0, hi = 0;
  ASSERT_TRUE(series.DataRangeX(lo, hi));
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 5);
}

TEST_F(LineSeriesTest, OtherOrderingsResortByTheirKey) {
  Set({0, 10, 20}, {30, 10, 20});
  series.SetOrdering(PointOrdering::ByY);
  EXPECT_EQ(Ys(), (std::vector<double>{10, 20, 30}));
  // The visible range now comes from the vertical axis.
  vertical.SetRange(22, 28);
  uint32_t first = 0, last = 0;
  ASSERT_TRUE(series.VisiblePointRange(first, last));
  EXPECT_EQ(first, 2u);
  EXPECT_EQ(last, 2u);
  series.SetOrdering(PointOrdering::None);
  ASSERT_TRUE(series.VisiblePointRange(first, last));
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(last, 2u);
}

struct VisibleCase {
  double minimum;
  double maximum;
  uint32_t first;
  uint32_t last;
};

class VisiblePointRangeTest : public LineSeriesTest, public ::testing::WithParamInterface<VisibleCase> {};

TEST_P(VisiblePointRangeTest, FindsTheBoundaryPointsByBinarySearch) {
  Set({0, 10, 20, 30}, {0, 0, 0, 0});
  horizontal.SetRange(GetParam().minimum, GetParam().maximum);
  uint32_t first = 99, last = 99;
  ASSERT_TRUE(series.VisiblePointRange(first, last));
  EXPECT_EQ(first, GetParam().first);
  EXPECT_EQ(last, GetParam().last);
}

INSTANTIATE_TEST_SUITE_P(Ranges, VisiblePointRangeTest,
                         ::testing::Values(VisibleCase{15, 25, 2, 3}, VisibleCase{-5, 35, 0, 3}, VisibleCase{0, 30, 0, 3},
                                           VisibleCase{12, 18, 2, 2}, VisibleCase{31, 40, 3, 3},
                                           VisibleCase{-10, -5, 0, 0}));

TEST_F(LineSeriesTest, DrawsTheVisiblePointsWidenedByOneAndClipped) {
  Set({0, 10, 20, 30}, {100, 200, 300, 400});
  horizontal.SetRange(15, 25);
  const std::vector<Point> expected{{-500, 200}, {500, 300}, {1500, 400}};
  EXPECT_EQ(Drawn(), expected);
  EXPECT_EQ(series.LastDrawnIndex(), 3u);

  RecordingCanvas canvas(10, 10);
  series.SetColour(Rgb(0, 120, 0));
  series.SetPenWidth(2);
  series.DrawAll(canvas);
  const auto ops = canvas.OpsOf(CanvasOp::Polyline, 0);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].clip, (Rect{0, 0, 1001, 1001}));
  EXPECT_EQ(ops[0].pen, (platform::Pen{platform::PenStyle::Solid, 2, Rgb(0, 120, 0)}));
}

TEST_F(LineSeriesTest, DrawsOneNeighbourOnEachSideAndNoMore) {
  Set({0, 10, 20, 30, 40}, {100, 200, 300, 400, 500});
  // Both searches land on point 1 (x = 10), just below the range; widened to points 0 to 2.
  horizontal.SetRange(12, 18);
  EXPECT_EQ(Drawn(), (std::vector<Point>{{-2000, 100}, {-334, 200}, {1333, 300}}));
  EXPECT_EQ(series.LastDrawnIndex(), 2u);
}

TEST_F(LineSeriesTest, MergesOnlyConsecutivePointsOnOnePixel) {
  Set({0, 0.3, 0.6, 1, 1.5, 2}, {5, 5, 5, 5, 5.9, 5});
  EXPECT_EQ(Drawn(), (std::vector<Point>{{0, 5}, {1, 5}, {2, 5}}));
  Set({0, 0.5, 0.9}, {5, 9, 5});
  EXPECT_EQ(Drawn(), (std::vector<Point>{{0, 5}, {0, 9}, {0, 5}}));
}

TEST_F(LineSeriesTest, DrawsNothingInvisibleEmptyOrWithOnePoint) {
  EXPECT_TRUE(Drawn().empty());
  Set({5}, {5});
  EXPECT_TRUE(Drawn().empty());
  Set({5, 6}, {5, 6});
  series.SetVisible(false);
  EXPECT_TRUE(Drawn().empty());
  uint32_t index = 0;
  EXPECT_FALSE(series.IsPointOnSeries({5, 5}, index));
  double lo = 0, hi = 0;
  EXPECT_FALSE(series.DataRangeX(lo, hi));
}

struct HitCase {
  const char* name;
  std::vector<double> xs;
  std::vector<double> ys;
  Point click;
  bool hit;
  uint32_t index;
};

class HitTest : public LineSeriesTest, public ::testing::WithParamInterface<HitCase> {};

TEST_P(HitTest, FindsTheSegmentAndThePointUnderTheClick) {
  const HitCase& c = GetParam();
  Set(c.xs, c.ys);
  uint32_t index = 12345;
  EXPECT_EQ(series.IsPointOnSeries(c.click, index), c.hit);
  EXPECT_EQ(index, c.index);
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, HitTest,
    ::testing::Values(
        HitCase{"TwoPixelsBesideLongSegment", {0, 1000}, {500, 500}, {500, 502}, true, kNoPoint},
        HitCase{"ExactlyThreePixelsInY", {0, 1000}, {500, 500}, {500, 503}, true, kNoPoint},
        HitCase{"FourPixelsInY", {0, 1000}, {500, 500}, {500, 504}, false, kNoPoint},
        HitCase{"ExactlyThreePixelsInX", {500, 500}, {0, 1000}, {503, 500}, true, kNoPoint},
        HitCase{"FourPixelsInX", {500, 500}, {0, 1000}, {504, 500}, false, kNoPoint},
        HitCase{"NearFirstEnd", {0, 1000}, {500, 500}, {4, 503}, true, 0},
        HitCase{"NearSecondEnd", {0, 1000}, {500, 500}, {996, 497}, true, 1},
        HitCase{"ShortSegmentBothEndsNearGivesTheSecond", {100, 104}, {500, 500}, {102, 501}, true, 1},
        HitCase{"BeyondTheLastEnd", {0, 1000}, {500, 500}, {1003, 500}, false, kNoPoint},
        HitCase{"BothEndsOnOnePixel", {100.2, 100.7}, {500, 500}, {100, 500}, false, kNoPoint},
        HitCase{"SecondSegmentMiddle", {0, 100, 200}, {0, 100, 0}, {150, 52}, true, kNoPoint},
        HitCase{"SharedEndGoesToTheFirstSegmentsLaterPoint", {0, 100, 200}, {0, 100, 0}, {100, 99}, true, 1},
        HitCase{"Diagonal", {0, 100}, {0, 100}, {50, 53}, true, kNoPoint},
        HitCase{"AwayFromTheLine", {0, 1000}, {500, 500}, {500, 600}, false, kNoPoint}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(LineSeriesTest, HitTestingUsesOnlyTheVisibleSegmentsAndTheirNeighbours) {
  Set({0, 10, 20, 30, 40}, {500, 500, 500, 600, 600});
  // 100 pixels a unit from x = 20. The search for 20 lands on 30, widened back to 20; 40 is the
  // neighbour beyond the maximum.
  horizontal.SetRange(20, 30);
  EXPECT_EQ(Drawn(), (std::vector<Point>{{0, 500}, {1000, 600}, {2000, 600}}));
  uint32_t index = 0;
  EXPECT_TRUE(series.IsPointOnSeries({500, 550}, index));
  EXPECT_TRUE(series.IsPointOnSeries({1500, 600}, index));
  // The segment 10-20 lies left of the view and is not looked at.
  EXPECT_FALSE(series.IsPointOnSeries({-500, 500}, index));
}

class RecordingListener : public CPlotSeriesMouseListener {
 public:
  struct Call {
    PlotMouseEvent event;
    int x;
    int y;
    const CPlotSeriesBase* series;
    uint32_t index;
  };
  void OnSeriesMouseEvent(PlotMouseEvent event, int x, int y, CPlotSeriesBase& series, uint32_t index) override {
    calls.push_back({event, x, y, &series, index});
  }
  std::vector<Call> calls;
};

TEST_F(LineSeriesTest, ListenerHearsClicksOnTheLineOnly) {
  Set({0, 1000}, {500, 500});
  EXPECT_FALSE(series.OnMouseEvent(PlotMouseEvent::LButtonUp, {2, 501}));  // no listener yet
  RecordingListener listener;
  series.SetMouseListener(&listener);

  EXPECT_TRUE(series.OnMouseEvent(PlotMouseEvent::LButtonUp, {2, 501}));
  ASSERT_EQ(listener.calls.size(), 1u);
  EXPECT_EQ(listener.calls[0].event, PlotMouseEvent::LButtonUp);
  EXPECT_EQ(listener.calls[0].x, 2);
  EXPECT_EQ(listener.calls[0].y, 501);
  EXPECT_EQ(listener.calls[0].series, &series);
  EXPECT_EQ(listener.calls[0].index, 0u);

  EXPECT_FALSE(series.OnMouseEvent(PlotMouseEvent::MouseMove, {2, 501}));
  EXPECT_FALSE(series.OnMouseEvent(PlotMouseEvent::LButtonUp, {500, 700}));
  EXPECT_EQ(listener.calls.size(), 1u);

  series.SetNotifyMoves(true);
  EXPECT_TRUE(series.OnMouseEvent(PlotMouseEvent::MouseMove, {500, 500}));
  series.SetNotifyClicks(false);
  EXPECT_FALSE(series.OnMouseEvent(PlotMouseEvent::RButtonDown, {500, 500}));
  ASSERT_EQ(listener.calls.size(), 2u);
  EXPECT_EQ(listener.calls[1].event, PlotMouseEvent::MouseMove);
  EXPECT_EQ(listener.calls[1].index, kNoPoint);
}

TEST_F(LineSeriesTest, AxesFollowTheDataInTheAutomaticModes) {
  horizontal.SetAutomaticMode(AutoRangeMode::Full);
  Set({0, 10, 20, 30}, {1, 2, 3, 4});
  EXPECT_EQ(horizontal.Minimum(), 0);
  EXPECT_EQ(horizontal.Maximum(), 30);
  EXPECT_EQ(horizontal.RememberedMaximum(), 30);
  EXPECT_EQ(vertical.Maximum(), 1000);  // manual: untouched

  horizontal.SetAutomaticMode(AutoRangeMode::Manual);
  horizontal.SetRange(15, 25);
  vertical.SetAutomaticMode(AutoRangeMode::Screen);
  EXPECT_EQ(vertical.Minimum(), 3);
  EXPECT_EQ(vertical.Maximum(), 4);
}

TEST_F(LineSeriesTest, SeriesLeavesItsAxesWhenDestroyed) {
  {
    CPlotLineSeries other(nullptr);
    other.SetAxes(&horizontal, &vertical);
    EXPECT_EQ(horizontal.AttachedSeries().size(), 2u);
    EXPECT_GT(other.SeriesId(), series.SeriesId());
  }
  EXPECT_EQ(horizontal.AttachedSeries(), std::vector<CPlotSeries*>{&series});
  EXPECT_EQ(vertical.AttachedSeries(), std::vector<CPlotSeries*>{&series});
}

}  // namespace
}  // namespace kemlog::chart
