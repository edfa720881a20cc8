// The graph panel on a chart drawn into the recording canvas: its axes and series, the fill of a
// log, and the point listener moving the selection marker.

#include "viewer/graph_panel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "tests/chart/chart_test_support.h"

namespace kemlog::viewer {
namespace {

using chart::CPlotLineSeries;
using chart::CPlotStandardAxis;
using chart::MouseButton;
using chart::PlotAxisPosition;
using chart::PlotMouseEvent;
using chart::Point;
using chart::testing::FakePlotHost;
using track::tagTrackLog;

struct Marker {
  double latitude;
  double longitude;
  bool operator==(const Marker&) const = default;
};

// Point i of a log: i x 100 m from the start, pace 5 + i / 10 min/km, 150 bpm, a position of its own.
tagTrackLog LogPoint(uint32_t i) {
  tagTrackLog p;
  p.latitude = 35.0 + 0.001 * i;
  p.longitude = 139.0 + 0.002 * i;
  p.distance = 100 * i;
  p.pace = 5.0f + 0.1f * static_cast<float>(i);
  p.heartRate = 150;
  return p;
}

std::vector<tagTrackLog> Log(uint32_t count) {
  std::vector<tagTrackLog> log;
  for (uint32_t i = 0; i < count; ++i) log.push_back(LogPoint(i));
  return log;
}

Marker At(const tagTrackLog& p) { return {p.latitude, p.longitude}; }

std::vector<double> Xs(const CPlotLineSeries& series) {
  std::vector<double> xs;
  for (const auto& p : series.Points().Points()) xs.push_back(p.x);
  return xs;
}

std::vector<double> Ys(const CPlotLineSeries& series) {
  std::vector<double> ys;
  for (const auto& p : series.Points().Points()) ys.push_back(p.y);
  return ys;
}

class GraphPanelTest : public ::testing::Test {
 protected:
  GraphPanelTest() {
    chart.Attach(&host);
    panel.SetUp();
  }

  CPlotStandardAxis& Bottom() { return *panel.DistanceAxis(); }
  CPlotLineSeries& Pace() { return *panel.PaceSeries(); }
  CPlotLineSeries& HeartRate() { return *panel.HeartRateSeries(); }

  void Click(MouseButton button, Point at) {
    chart.OnButtonDown(button, at);
    chart.OnButtonUp(button, at);
  }

  FakePlotHost host{600, 400};
  chart::CPlotCtrl chart;
  std::vector<Marker> markers;
  CGraphPanel panel{chart, [this](double latitude, double longitude) { markers.push_back({latitude, longitude}); }};
};

TEST_F(GraphPanelTest, SetUpMakesThreeManualAxesWithTheirColoursAndTitles) {
  const CPlotStandardAxis defaults;
  struct Case {
    PlotAxisPosition position;
    CPlotStandardAxis* axis;
    double maximum;
    double step;
    chart::Colour colour;
    chart::Colour textColour;
    const char* title;
    chart::Colour titleColour;
  };
  const Case cases[] = {
      {PlotAxisPosition::Bottom, panel.DistanceAxis(), 6000, 1000, defaults.AxisColour(), defaults.TextColour(), "距離(m)",
       defaults.Label().GetColour()},
      {PlotAxisPosition::Left, panel.PaceAxis(), 70, 10, chart::Rgb(0, 120, 0), chart::Rgb(0, 120, 0), "Pace(/km)", chart::Rgb(0, 120, 0)},
      {PlotAxisPosition::Right, panel.HeartRateAxis(), 210, 30, chart::Rgb(255, 0, 0), chart::Rgb(255, 0, 0), "脈拍数(bpm)",
       chart::Rgb(255, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    ASSERT_NE(c.axis, nullptr);
    EXPECT_EQ(chart.Axis(c.position), c.axis);
    EXPECT_EQ(c.axis->Minimum(), 0);
    EXPECT_EQ(c.axis->Maximum(), c.maximum);
    EXPECT_EQ(c.axis->TickStep(), c.step);
    EXPECT_FALSE(c.axis->HasAutomaticTicks());
    EXPECT_EQ(c.axis->AutomaticMode(), chart::AutoRangeMode::Manual);
    EXPECT_FALSE(c.axis->IsDiscrete());
    EXPECT_EQ(c.axis->AxisColour(), c.colour);
    EXPECT_EQ(c.axis->TextColour(), c.textColour);
    EXPECT_EQ(c.axis->Label().Text(), c.title);
    EXPECT_EQ(c.axis->Label().GetColour(), c.titleColour);
  }
  EXPECT_EQ(chart.Axis(PlotAxisPosition::Top), nullptr);
  EXPECT_EQ(chart.BackgroundColour(), chart::kWhite);
}

TEST_F(GraphPanelTest, SetUpMakesTwoEmptySeriesOnThePaceAndDistanceAxesHeartRateFirst) {
  ASSERT_EQ(chart.SeriesCount(), 2u);
  for (CPlotLineSeries* series : {panel.HeartRateSeries(), panel.PaceSeries()}) {
    ASSERT_NE(series, nullptr);
    EXPECT_EQ(series->HorizontalAxis(), panel.DistanceAxis());
    EXPECT_EQ(series->VerticalAxis(), panel.PaceAxis());
    EXPECT_EQ(series->PointCount(), 0u);
    EXPECT_EQ(series->MouseListener(), nullptr);
  }
  EXPECT_LT(HeartRate().SeriesId(), Pace().SeriesId());
  EXPECT_TRUE(panel.HeartRateAxis()->AttachedSeries().empty());

  panel.SetUp();  // a second set-up changes nothing
  EXPECT_EQ(chart.SeriesCount(), 2u);
  EXPECT_EQ(chart.Axis(PlotAxisPosition::Left), panel.PaceAxis());
}

TEST_F(GraphPanelTest, TheDistanceAxisFitsTheLargestDistanceWithATickStepByItsMagnitude) {
  struct Case {
    uint32_t largest;
    double step;
  };
  const Case cases[] = {
      {5432, 1000},   {99, 10},        {100, 100},      {123456, 100000}, {1, 10},
      {999, 100},     {1000, 1000},    {9999, 1000},    {10000, 10000},   {99999, 10000},
      {100000, 100000}, {1000000, 100000},
  };
  const auto log = Log(3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.largest);
    panel.FillGraph(log, c.largest);
    EXPECT_EQ(Bottom().Minimum(), 0);
    EXPECT_EQ(Bottom().Maximum(), static_cast<double>(c.largest));
    EXPECT_EQ(Bottom().TickStep(), c.step);
    EXPECT_FALSE(Bottom().HasAutomaticTicks());
  }
}

TEST_F(GraphPanelTest, NoLargestDistanceGivesZeroToTenAndKeepsTheTickStep) {
  panel.FillGraph({}, 0);
  EXPECT_EQ(Bottom().Maximum(), 10);
  EXPECT_EQ(Bottom().TickStep(), 1000);  // from the set-up
  EXPECT_EQ(Pace().PointCount(), 0u);
  EXPECT_EQ(HeartRate().PointCount(), 0u);

  panel.FillGraph(Log(20), 1900);
  panel.FillGraph({}, 0);  // a log without points after a full one
  EXPECT_EQ(Bottom().Minimum(), 0);
  EXPECT_EQ(Bottom().Maximum(), 10);
  EXPECT_EQ(Bottom().TickStep(), 1000);
  EXPECT_EQ(Pace().PointCount(), 0u);
  EXPECT_EQ(HeartRate().PointCount(), 0u);
  panel.ShowPointOnMap(0);
  EXPECT_TRUE(markers.empty());

  panel.FillGraph(Log(5), 99);
  panel.FillGraph(Log(5), 0);  // the same points refilled with no distance: lines kept, 0 to 10
  EXPECT_EQ(Bottom().Maximum(), 10);
  EXPECT_EQ(Bottom().TickStep(), 10);
  EXPECT_EQ(Pace().PointCount(), 5u);
  EXPECT_EQ(HeartRate().PointCount(), 5u);
}

TEST_F(GraphPanelTest, FillPlotsDistanceAgainstPaceAndAThirdOfTheHeartRate) {
  // Colours and pen widths are applied by each fill, whatever they were before.
  Pace().SetColour(chart::Rgb(1, 2, 3));
  HeartRate().SetPenWidth(5);
  const int32_t heartRates[] = {150, 151, 152, 153, 0, 2};
  const float paces[] = {0.0f, 5.25f, 6.5f, 90.0f, 7.0f, 4.75f};
  std::vector<tagTrackLog> log;
  for (uint32_t i = 0; i < 6; ++i) {
    tagTrackLog p = LogPoint(i);
    p.heartRate = heartRates[i];
    p.pace = paces[i];
    p.distance = 250 * i;
    log.push_back(p);
  }
  panel.FillGraph(log, 1250);

  const std::vector<double> distances = {0, 250, 500, 750, 1000, 1250};
  EXPECT_EQ(Xs(HeartRate()), distances);
  EXPECT_EQ(Xs(Pace()), distances);
  EXPECT_EQ(Ys(HeartRate()), (std::vector<double>{50, 50, 50, 51, 0, 0}));
  EXPECT_EQ(Ys(Pace()), (std::vector<double>{0, 5.25, 6.5, 90, 7, 4.75}));
  EXPECT_EQ(HeartRate().GetColour(), chart::Rgb(255, 0, 0));
  EXPECT_EQ(Pace().GetColour(), chart::Rgb(0, 120, 0));
  EXPECT_EQ(HeartRate().PenWidth(), 2);
  EXPECT_EQ(Pace().PenWidth(), 2);
  // No automatic range: a pace of 90 lies above the pace axis.
  EXPECT_EQ(panel.PaceAxis()->Maximum(), 70);
  EXPECT_EQ(panel.HeartRateAxis()->Maximum(), 210);

  // 150 bpm is drawn level with 150 on the heart-rate axis, and 151 on the same height.
  EXPECT_EQ(HeartRate().PointToPixel(0).y, panel.HeartRateAxis()->ValueToPixel(150));
  EXPECT_EQ(HeartRate().PointToPixel(1).y, HeartRate().PointToPixel(0).y);
  // A pace of 0 starts the pace line on the distance axis.
  EXPECT_EQ(Pace().PointToPixel(0).y, panel.PaceAxis()->ValueToPixel(0));
}

TEST_F(GraphPanelTest, LeftDragDoesNotZoom) {
  panel.FillGraph(Log(20), 1900);
  const Point from = Pace().PointToPixel(3);
  const Point to = {from.x + 120, from.y + 60};
  chart.OnButtonDown(MouseButton::Left, {from.x, from.y - 40});
  chart.OnMouseMove(to);
  chart.OnButtonUp(MouseButton::Left, to);
  EXPECT_EQ(Bottom().Minimum(), 0);
  EXPECT_EQ(Bottom().Maximum(), 1900);
  EXPECT_EQ(panel.PaceAxis()->Maximum(), 70);
}

TEST_F(GraphPanelTest, FillBeforeSetUpDoesNothing) {
  chart::CPlotCtrl other;
  CGraphPanel unset(other, [this](double latitude, double longitude) { markers.push_back({latitude, longitude}); });
  unset.FillGraph(Log(5), 400);
  unset.ShowPointOnMap(0);
  EXPECT_EQ(other.SeriesCount(), 0u);
  EXPECT_TRUE(markers.empty());
}

// A log of 20 points, 25 pixels apart on the chart, the pace line far below the heart-rate line.
class GraphClickTest : public GraphPanelTest {
 protected:
  GraphClickTest() { panel.FillGraph(log, 1900); }

  std::vector<tagTrackLog> log = Log(20);
};

TEST_F(GraphClickTest, ALeftButtonReleaseOnAPointMovesTheMarkerToThatTrackPoint) {
  const Point pace12 = Pace().PointToPixel(12);
  chart.OnButtonDown(MouseButton::Left, pace12);
  EXPECT_TRUE(markers.empty());  // the press alone does nothing
  chart.OnButtonUp(MouseButton::Left, pace12);
  EXPECT_EQ(markers, (std::vector<Marker>{At(log[12])}));

  markers.clear();
  Click(MouseButton::Left, {pace12.x + 2, pace12.y - 2});  // a few pixels beside it
  EXPECT_EQ(markers, (std::vector<Marker>{At(log[12])}));

  markers.clear();
  Click(MouseButton::Left, HeartRate().PointToPixel(7));
  EXPECT_EQ(markers, (std::vector<Marker>{At(log[7])}));
}

TEST_F(GraphClickTest, NoMarkerMoveAwayFromPointsOrForOtherMouseEvents) {
  const Point pace12 = Pace().PointToPixel(12);
  const Point pace13 = Pace().PointToPixel(13);
  const Point heart12 = HeartRate().PointToPixel(12);
  ASSERT_GT(pace13.x - pace12.x, 20);
  ASSERT_GT(pace12.y - heart12.y, 100);

  Click(MouseButton::Left, {pace12.x, (pace12.y + heart12.y) / 2});             // between the lines
  Click(MouseButton::Left, {(pace12.x + pace13.x) / 2, (pace12.y + pace13.y) / 2});  // on the line, between points
  Click(MouseButton::Right, pace12);
  chart.OnDoubleClick(MouseButton::Left, pace12);
  chart.OnMouseMove(pace12);
  Pace().SetNotifyMoves(true);
  chart.OnMouseMove(pace12);
  EXPECT_TRUE(markers.empty());
}

TEST_F(GraphClickTest, TheListenerActsOnlyOnALeftButtonReleaseTheSeriesConfirms) {
  auto* listener = Pace().MouseListener();
  ASSERT_NE(listener, nullptr);
  const Point pace12 = Pace().PointToPixel(12);
  for (const PlotMouseEvent event :
       {PlotMouseEvent::MouseMove, PlotMouseEvent::LButtonDown, PlotMouseEvent::LButtonDoubleClick,
        PlotMouseEvent::RButtonUp, PlotMouseEvent::RButtonDown, PlotMouseEvent::RButtonDoubleClick}) {
    listener->OnSeriesMouseEvent(event, pace12.x, pace12.y, Pace(), 12);
  }
  listener->OnSeriesMouseEvent(PlotMouseEvent::LButtonUp, pace12.x, pace12.y, Pace(), chart::kNoPoint);
  listener->OnSeriesMouseEvent(PlotMouseEvent::LButtonUp, pace12.x, pace12.y - 80, Pace(), 12);  // off the line
  EXPECT_TRUE(markers.empty());

  // The index is the one the series finds under the pointer, not the one reported.
  listener->OnSeriesMouseEvent(PlotMouseEvent::LButtonUp, pace12.x, pace12.y, Pace(), 3);
  EXPECT_EQ(markers, (std::vector<Marker>{At(log[12])}));
}

TEST_F(GraphClickTest, ARefillListensWithTheNewLogsPositions) {
  std::vector<tagTrackLog> moved = Log(20);
  for (tagTrackLog& p : moved) p.latitude = -p.latitude;
  panel.FillGraph(moved, 1900);
  ASSERT_NE(Pace().MouseListener(), nullptr);
  ASSERT_NE(HeartRate().MouseListener(), nullptr);
  Click(MouseButton::Left, Pace().PointToPixel(12));
  EXPECT_EQ(markers, (std::vector<Marker>{At(moved[12])}));

  markers.clear();
  panel.FillGraph(Log(5), 400);
  panel.ShowPointOnMap(5);
  panel.ShowPointOnMap(chart::kNoPoint);
  EXPECT_TRUE(markers.empty());
  panel.ShowPointOnMap(4);
  EXPECT_EQ(markers, (std::vector<Marker>{At(Log(5)[4])}));
}

TEST_F(GraphPanelTest, ADistanceThatDropsShowsTheTrackPointOfTheSeriesIndex) {
  std::vector<tagTrackLog> log = Log(8);
  log[3].distance = 150;  // 0 100 200 150 400 ...: sorted, series point 2 is track point 3
  panel.FillGraph(log, 700);
  ASSERT_EQ(Pace().Points()[2].x, 150);
  Click(MouseButton::Left, Pace().PointToPixel(2));
  EXPECT_EQ(markers, (std::vector<Marker>{At(log[2])}));
}

TEST(GraphPanelLifetime, APanelGoneLeavesTheSeriesWithoutListeners) {
  FakePlotHost host(600, 400);
  chart::CPlotCtrl chart;
  chart.Attach(&host);
  int moves = 0;
  std::optional<CGraphPanel> panel;
  panel.emplace(chart, [&moves](double, double) { ++moves; });
  panel->SetUp();
  panel->FillGraph(Log(20), 1900);
  CPlotLineSeries* pace = panel->PaceSeries();
  const Point at = pace->PointToPixel(12);
  panel.reset();
  EXPECT_EQ(pace->MouseListener(), nullptr);
  chart.OnButtonUp(MouseButton::Left, at);
  EXPECT_EQ(moves, 0);
}

}  // namespace
}  // namespace kemlog::viewer
