// The chart control in a fake window: redraw batching, the layout of a frame, the registry of axes
// and series, and mouse handling (panning, the zoom band, dispatch to the series).

#include "chart/plot_ctrl.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/chart/chart_test_support.h"

namespace kemlog::chart {
namespace {

using testing::CanvasOp;
using testing::FakePlotHost;
using testing::RecordedOp;

class RecordingListener : public CPlotSeriesMouseListener {
 public:
  void OnSeriesMouseEvent(PlotMouseEvent event, int, int, CPlotSeriesBase&, uint32_t index) override {
    events.push_back(event);
    indexes.push_back(index);
  }
  std::vector<PlotMouseEvent> events;
  std::vector<uint32_t> indexes;
};

// The log graph's set-up in a 600 x 300 window. With the recording canvas's text rule the plotting
// area comes out as (39, 11)-(556, 265): 517 pixels for 0 to 6000 m, 254 for 0 to 70 and 0 to 210.
class GraphChartTest : public ::testing::Test {
 protected:
  GraphChartTest() {
    chart.Attach(&host);
    chart.SetBackgroundColour(kWhite);
    chart.SetZoomEnabled(false);
    bottom = chart.AddStandardAxis(PlotAxisPosition::Bottom);
    bottom->SetRange(0, 6000);
    left = chart.AddStandardAxis(PlotAxisPosition::Left);
    left->SetRange(0, 70);
    right = chart.AddStandardAxis(PlotAxisPosition::Right);
    right->SetRange(0, 210);
    bottom->SetManualTickStep(1000);
    left->SetManualTickStep(10);
    right->SetManualTickStep(30);
    right->SetTextColour(Rgb(255, 0, 0));
    right->SetAxisColour(Rgb(255, 0, 0));
    left->SetTextColour(Rgb(0, 120, 0));
    left->SetAxisColour(Rgb(0, 120, 0));
    left->Label().SetText("Pace(/km)");
    left->Label().SetColour(Rgb(0, 120, 0));
    right->Label().SetText("脈拍数(bpm)");
    right->Label().SetColour(Rgb(255, 0, 0));
    bottom->Label().SetText("距離(m)");
  }

  CPlotLineSeries* AddSeries(const std::vector<double>& xs, const std::vector<double>& ys) {
    CPlotLineSeries* series = chart.AddLineSeries();
    EXPECT_NE(series, nullptr);
    if (series) {
      EXPECT_TRUE(series->SetPoints(xs, ys));
    }
    return series;
  }

  std::vector<RecordedOp> Frame() {
    chart.RedrawChart();
    return host.LastFrame();
  }

  FakePlotHost host{600, 300};
  CPlotCtrl chart;
  CPlotStandardAxis* bottom = nullptr;
  CPlotStandardAxis* left = nullptr;
  CPlotStandardAxis* right = nullptr;
};

TEST_F(GraphChartTest, FrameLaysOutAxesAroundThePlottingArea) {
  const auto frame = Frame();
  EXPECT_EQ(chart.PlottingRect(), (Rect{39, 11, 556, 265}));
  ASSERT_FALSE(frame.empty());
  EXPECT_EQ(frame[0].rect, (Rect{0, 0, 600, 300}));
  EXPECT_EQ(frame[0].colour, kWhite);
  EXPECT_EQ(frame[1].kind, CanvasOp::Edge);
  EXPECT_EQ(frame[1].rect, (Rect{0, 0, 600, 300}));

  const auto border = testing::OfKind(frame, CanvasOp::Polyline);
  ASSERT_EQ(border.size(), 1u);
  EXPECT_EQ(border[0].points, (std::vector<Point>{{39, 11}, {556, 11}, {556, 265}, {39, 265}, {39, 11}}));
  EXPECT_EQ(border[0].pen.colour, kBlack);

  struct Expected {
    const char* text;
    Point at;
    Colour colour;
    bool vertical;
  };
  const Expected expected[] = {
      {"2000", {201, 270}, kBlack, false},       {"1000", {115, 270}, kBlack, false},
      {"6000", {546, 270}, kBlack, false},       {"距離(m)", {280, 279}, kBlack, false},
      {"10", {23, 224}, Rgb(0, 120, 0), false},  {"Pace(/km)", {5, 167}, Rgb(0, 120, 0), true},
      {"90", {562, 152}, Rgb(255, 0, 0), false}, {"脈拍数(bpm)", {581, 164}, Rgb(255, 0, 0), true},
  };
  for (const Expected& e : expected) {
    const RecordedOp* text = testing::FindText(frame, e.text);
    ASSERT_NE(text, nullptr) << e.text;
    EXPECT_EQ(text->points[0], e.at) << e.text;
    EXPECT_EQ(text->colour, e.colour) << e.text;
    EXPECT_EQ(text->font.vertical, e.vertical) << e.text;
  }
  const auto texts = testing::Texts(frame);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "210"), 1);
  EXPECT_EQ(texts.size(), 7u + 8u + 8u + 3u);  // bottom, left and right ticks, three titles
}

TEST_F(GraphChartTest, BottomGridIsDashedAcrossThePlottingArea) {
  const auto frame = Frame();
  std::vector<RecordedOp> dashes;
  for (const RecordedOp& op : testing::OfKind(frame, CanvasOp::Line)) {
    if (op.pen.colour == Rgb(128, 128, 128) && op.points[0].x == op.points[1].x) dashes.push_back(op);
  }
  // From y = 265 up in steps of 6 while y > 11: 43 dashes for each of the 7 ticks.
  ASSERT_EQ(dashes.size(), 7u * 43u);
  EXPECT_EQ(dashes[0].points, (std::vector<Point>{{39, 265}, {39, 262}}));
  EXPECT_EQ(dashes[43].points, (std::vector<Point>{{125, 265}, {125, 262}}));
  EXPECT_EQ(dashes[42].points, (std::vector<Point>{{39, 13}, {39, 10}}));
  EXPECT_EQ(dashes[0].clip, (Rect{39, 11, 556, 265}));
}

TEST_F(GraphChartTest, SeriesAreDrawnInsideThePlottingAreaInPaletteOrder) {
  AddSeries({0, 3000, 6000}, {0, 35, 70});
  AddSeries({0, 6000}, {10, 10});
  const auto lines = testing::OfKind(Frame(), CanvasOp::Polyline);
  ASSERT_EQ(lines.size(), 3u);  // the border, then the series by ID
  EXPECT_EQ(lines[1].points, (std::vector<Point>{{39, 265}, {297, 138}, {556, 11}}));
  EXPECT_EQ(lines[1].clip, (Rect{39, 11, 557, 266}));
  EXPECT_EQ(lines[1].pen.colour, Rgb(255, 0, 0));
  EXPECT_EQ(lines[2].points, (std::vector<Point>{{39, 229}, {556, 229}}));
  EXPECT_EQ(lines[2].pen.colour, Rgb(0, 150, 0));
}

TEST_F(GraphChartTest, PaletteRepeatsAfterTenSeries) {
  std::vector<CPlotLineSeries*> added;
  for (int i = 0; i < 11; ++i) added.push_back(chart.AddLineSeries());
  ASSERT_EQ(chart.SeriesCount(), 11u);
  EXPECT_EQ(added[3]->GetColour(), Rgb(255, 255, 0));
  EXPECT_EQ(added[9]->GetColour(), Rgb(64, 128, 128));
  EXPECT_EQ(added[10]->GetColour(), Rgb(255, 0, 0));
  EXPECT_EQ(added[0]->HorizontalAxis(), bottom);
  EXPECT_EQ(added[0]->VerticalAxis(), left);
}

TEST_F(GraphChartTest, DisabledRedrawBatchesChangesIntoOneFrame) {
  const int before = host.Frames();
  chart.EnableRedraw(false);
  bottom->SetRange(0, 5432);
  left->SetRange(0, 60);
  bottom->Label().SetText("x");
  EXPECT_EQ(host.Frames(), before);
  EXPECT_TRUE(chart.RedrawPending());
  chart.EnableRedraw(true);
  EXPECT_EQ(host.Frames(), before + 1);
  EXPECT_FALSE(chart.RedrawPending());
  EXPECT_NE(testing::FindText(host.LastFrame(), "5000"), nullptr);

  // Nothing pending: enabling renders nothing.
  chart.EnableRedraw(true);
  EXPECT_EQ(host.Frames(), before + 1);
  chart.EnableRedraw(false);

  // Nested: only the outermost enable renders.
  chart.EnableRedraw(false);
  chart.EnableRedraw(false);
  left->SetRange(0, 50);
  chart.EnableRedraw(true);
  EXPECT_EQ(host.Frames(), before + 1);
  chart.EnableRedraw(true);
  EXPECT_EQ(host.Frames(), before + 2);
}

TEST_F(GraphChartTest, SettingPointsRendersExactlyOneFrame) {
  CPlotLineSeries* series = chart.AddLineSeries();
  ASSERT_NE(series, nullptr);
  const int before = host.Frames();
  const std::vector<double> xs{0, 100, 200};
  ASSERT_TRUE(series->SetPoints(xs, xs));
  EXPECT_EQ(host.Frames(), before + 1);
  series->ClearPoints();
  EXPECT_EQ(host.Frames(), before + 2);
  EXPECT_EQ(chart.RedrawCounter(), 1);
}

TEST_F(GraphChartTest, PaintCopiesTheFrameAndRendersOnlyTheFirstTime) {
  platform::headless::RecordingCanvas window(600, 300);
  const int before = host.Frames();
  chart.OnPaint(window);
  EXPECT_EQ(host.Frames(), before + 1);
  chart.OnPaint(window);
  EXPECT_EQ(host.Frames(), before + 1);
  const auto copies = window.OpsOf(CanvasOp::CopySurface, 0);
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_EQ(copies[0].other, 1);  // the one surface made so far
  EXPECT_EQ(copies[0].points[0], (Point{0, 0}));
}

TEST_F(GraphChartTest, ResizeRecreatesTheSurfaceAtTheNewSize) {
  host.size = {400, 200};
  chart.OnSize();
  const auto surfaces = host.window.OpsOf(CanvasOp::CreateSurface, 0);
  ASSERT_EQ(surfaces.size(), 2u);
  EXPECT_EQ(surfaces[1].rect, (Rect{0, 0, 400, 200}));
  const auto frame = host.LastFrame();
  ASSERT_FALSE(frame.empty());
  EXPECT_EQ(frame[0].surface, 2);
  EXPECT_EQ(frame[0].rect, (Rect{0, 0, 400, 200}));
}

TEST_F(GraphChartTest, RightDragPansEachAxisByItsOwnScale) {
  chart.RedrawChart();
  chart.OnMouseMove({300, 100});  // no button: nothing moves
  EXPECT_EQ(bottom->Minimum(), 0);
  chart.OnButtonDown(MouseButton::Right, {300, 100});
  EXPECT_TRUE(host.captured);
  const int before = host.Frames();
  chart.OnMouseMove({250, 130});
  EXPECT_EQ(host.Frames(), before + 1);
  EXPECT_EQ(host.updates, 1);
  chart.OnButtonUp(MouseButton::Right, {250, 130});
  EXPECT_FALSE(host.captured);

  EXPECT_NEAR(bottom->Minimum(), 50.0 / 517 * 6000, 1e-9);
  EXPECT_NEAR(bottom->Maximum(), 6000 + 50.0 / 517 * 6000, 1e-9);
  EXPECT_NEAR(left->Minimum(), 30.0 / 254 * 70, 1e-9);
  EXPECT_NEAR(right->Minimum(), 30.0 / 254 * 210, 1e-9);
  EXPECT_EQ(bottom->RememberedMinimum(), 0);

  chart.OnMouseMove({100, 100});  // released: nothing moves
  EXPECT_NEAR(bottom->Minimum(), 50.0 / 517 * 6000, 1e-9);

  chart.RestoreAxisRanges();
  EXPECT_EQ(bottom->Minimum(), 0);
  EXPECT_EQ(left->Maximum(), 70);
  EXPECT_EQ(right->Maximum(), 210);
}

TEST_F(GraphChartTest, PanDisabledLeavesTheRanges) {
  chart.RedrawChart();
  chart.SetPanEnabled(false);
  chart.OnButtonDown(MouseButton::Right, {300, 100});
  chart.OnMouseMove({250, 130});
  EXPECT_EQ(bottom->Minimum(), 0);
  EXPECT_EQ(left->Minimum(), 0);
}

TEST_F(GraphChartTest, ClickWithZoomOffReachesTheSeriesAndLeavesTheRanges) {
  CPlotLineSeries* series = AddSeries({0, 6000}, {35, 35});  // y = 138
  RecordingListener listener;
  series->SetMouseListener(&listener);
  chart.RedrawChart();
  chart.OnButtonDown(MouseButton::Left, {200, 138});
  chart.OnMouseMove({300, 140});
  chart.OnButtonUp(MouseButton::Left, {300, 140});
  chart.OnDoubleClick(MouseButton::Left, {300, 139});
  chart.OnButtonDown(MouseButton::Right, {300, 180});  // away from the line
  EXPECT_EQ(listener.events, (std::vector<PlotMouseEvent>{PlotMouseEvent::LButtonDown, PlotMouseEvent::LButtonUp,
                                                          PlotMouseEvent::LButtonDoubleClick}));
  EXPECT_EQ(bottom->Maximum(), 6000);
  EXPECT_EQ(left->Maximum(), 70);
}

TEST_F(GraphChartTest, ZoomBandSetsTheViewAndABackwardBandRestores) {
  chart.SetZoomEnabled(true);
  chart.RedrawChart();
  chart.OnButtonDown(MouseButton::Left, {100, 50});
  chart.OnMouseMove({300, 200});
  platform::headless::RecordingCanvas window(600, 300);
  chart.OnPaint(window);
  const auto band = window.OpsOf(CanvasOp::Rectangle, 0);
  ASSERT_EQ(band.size(), 1u);
  EXPECT_EQ(band[0].rect, (Rect{100, 50, 301, 201}));
  EXPECT_EQ(band[0].pen.colour, kWhite);
  chart.OnButtonUp(MouseButton::Left, {300, 200});

  EXPECT_NEAR(bottom->Minimum(), 61.0 / 517 * 6000, 1e-9);
  EXPECT_NEAR(bottom->Maximum(), 261.0 / 517 * 6000, 1e-9);
  EXPECT_NEAR(left->Minimum(), 65.0 / 254 * 70, 1e-9);
  EXPECT_NEAR(left->Maximum(), 215.0 / 254 * 70, 1e-9);

  chart.OnButtonDown(MouseButton::Left, {300, 200});
  chart.OnMouseMove({100, 250});
  chart.OnButtonUp(MouseButton::Left, {100, 250});
  EXPECT_EQ(bottom->Minimum(), 0);
  EXPECT_EQ(bottom->Maximum(), 6000);
  EXPECT_EQ(left->Maximum(), 70);
}

TEST_F(GraphChartTest, OverlappingSeriesOfferTheClickToTheLatestFirst) {
  CPlotLineSeries* earlier = AddSeries({0, 6000}, {35, 35});
  CPlotLineSeries* later = AddSeries({0, 6000}, {35, 35});
  ASSERT_GT(later->SeriesId(), earlier->SeriesId());
  RecordingListener first, second;
  earlier->SetMouseListener(&first);
  later->SetMouseListener(&second);
  chart.RedrawChart();

  chart.DispatchMouseEvent(PlotMouseEvent::LButtonUp, {297, 138});
  EXPECT_EQ(second.events.size(), 1u);
  EXPECT_TRUE(first.events.empty());

  // When the later one declines, the earlier one is offered the event.
  later->SetNotifyClicks(false);
  chart.DispatchMouseEvent(PlotMouseEvent::LButtonUp, {297, 138});
  EXPECT_EQ(first.events.size(), 1u);
  EXPECT_EQ(second.events.size(), 1u);

  chart.DispatchMouseEvent(PlotMouseEvent::MouseMove, {297, 138});
  EXPECT_EQ(first.events.size(), 1u);
}

TEST_F(GraphChartTest, ReplacingAnAxisMovesItsSeriesToTheNewOne) {
  CPlotLineSeries* series = AddSeries({0, 3000, 6000}, {0, 35, 70});
  CPlotStandardAxis* replacement = chart.AddStandardAxis(PlotAxisPosition::Bottom);
  replacement->SetRange(0, 3000);
  replacement->SetManualTickStep(1000);
  EXPECT_EQ(chart.Axis(PlotAxisPosition::Bottom), replacement);
  EXPECT_EQ(series->HorizontalAxis(), replacement);
  EXPECT_EQ(replacement->AttachedSeries(), std::vector<CPlotSeries*>{series});
  const auto lines = testing::OfKind(Frame(), CanvasOp::Polyline);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].points.back().y, 11);  // 6000 lies past 3000, drawn as the neighbour
}

TEST_F(GraphChartTest, CursorIsHiddenOverThePlotOnlyWithoutTheArrowFlag) {
  chart.RedrawChart();
  chart.OnMouseMove({300, 100});
  EXPECT_EQ(host.cursor, PlotCursor::Arrow);
  chart.SetArrowCursor(false);
  chart.OnMouseMove({300, 100});
  EXPECT_EQ(host.cursor, PlotCursor::Hidden);
  chart.OnMouseMove({10, 100});
  EXPECT_EQ(host.cursor, PlotCursor::Arrow);
}

TEST(PlotCtrlTest, WithoutAWindowRedrawsDoNothingUntilTheFirstPaint) {
  CPlotCtrl chart;
  chart.AddStandardAxis(PlotAxisPosition::Bottom)->SetRange(0, 10);
  chart.RedrawChart();
  EXPECT_FALSE(chart.RedrawPending());
  FakePlotHost host(200, 100);
  chart.Attach(&host);
  EXPECT_EQ(host.Frames(), 0);
  chart.OnPaint(host.window);
  EXPECT_EQ(host.Frames(), 1);
  EXPECT_EQ(host.invalidations, 1);
}

TEST(PlotCtrlTest, LineSeriesNeedsTheLeftAndBottomAxes) {
  CPlotCtrl chart;
  EXPECT_EQ(chart.AddLineSeries(), nullptr);
  chart.AddStandardAxis(PlotAxisPosition::Bottom);
  EXPECT_EQ(chart.AddLineSeries(), nullptr);
  chart.AddStandardAxis(PlotAxisPosition::Left);
  EXPECT_NE(chart.AddLineSeries(), nullptr);
  EXPECT_EQ(chart.SeriesCount(), 1u);
}

TEST(PlotCtrlTest, AxesTakeOrientationAndSideFromTheirPlace) {
  CPlotCtrl chart;
  struct Case {
    PlotAxisPosition position;
    bool horizontal;
    bool secondary;
  };
  for (const Case& c : {Case{PlotAxisPosition::Left, false, false}, Case{PlotAxisPosition::Bottom, true, false},
                        Case{PlotAxisPosition::Right, false, true}, Case{PlotAxisPosition::Top, true, true}}) {
    CPlotStandardAxis* axis = chart.AddStandardAxis(c.position);
    EXPECT_EQ(axis->IsHorizontal(), c.horizontal);
    EXPECT_EQ(axis->IsSecondary(), c.secondary);
    EXPECT_EQ(axis->Label().Font().vertical, !c.horizontal);
  }
}

}  // namespace
}  // namespace kemlog::chart
