#include "viewer/graph_panel.h"

#include <utility>

namespace kemlog::viewer {

using chart::PlotAxisPosition;

void CCustomMouseListener::OnSeriesMouseEvent(chart::PlotMouseEvent event, int x, int y,
                                              chart::CPlotSeriesBase& series, uint32_t index) {
  if (event != chart::PlotMouseEvent::LButtonUp || index == chart::kNoPoint) return;
  // The series may settle on a different point under the pointer than the one it reported.
  if (!series.IsPointOnSeries({x, y}, index)) return;
  panel_.ShowPointOnMap(index);
}

CGraphPanel::CGraphPanel(chart::CPlotCtrl& chart, SelectionMarkerMover moveSelectionMarker)
    : chart_(chart), moveSelectionMarker_(std::move(moveSelectionMarker)) {}

CGraphPanel::~CGraphPanel() {
  // The series outlive the panel's listeners.
  if (heartRateSeries_) heartRateSeries_->SetMouseListener(nullptr);
  if (paceSeries_) paceSeries_->SetMouseListener(nullptr);
}

void CGraphPanel::SetUp() {
  if (IsSetUp()) return;
  chart_.SetBackgroundColour(chart::kWhite);
  chart_.RedrawChart();
  chart_.SetZoomEnabled(false);

  bottom_ = chart_.AddStandardAxis(PlotAxisPosition::Bottom);
  bottom_->SetRange(0, 6000);
  left_ = chart_.AddStandardAxis(PlotAxisPosition::Left);
  left_->SetRange(0, 70);
  right_ = chart_.AddStandardAxis(PlotAxisPosition::Right);
  right_->SetRange(0, 210);

  bottom_->SetManualTickStep(1000);
  bottom_->SetDiscreteMode(false);
  left_->SetManualTickStep(10);
  left_->SetDiscreteMode(false);
  right_->SetManualTickStep(30);
  right_->SetDiscreteMode(false);

  right_->SetTextColour(kHeartRateColour);
  right_->SetAxisColour(kHeartRateColour);
  left_->SetTextColour(kPaceColour);
  left_->SetAxisColour(kPaceColour);

  left_->Label().SetText("Pace(/km)");
  left_->Label().SetColour(kPaceColour);
  right_->Label().SetText("脈拍数(bpm)");
  right_->Label().SetColour(kHeartRateColour);
  bottom_->Label().SetText("距離(m)");

  // Heart rate first: the pace series, made last, is offered clicks first where the lines meet.
  heartRateSeries_ = chart_.AddLineSeries();
  paceSeries_ = chart_.AddLineSeries();
}

double CGraphPanel::DistanceTickStep(uint32_t largestDistance) {
  if (largestDistance < 100) return 10;
  if (largestDistance < 1000) return 100;
  if (largestDistance < 10000) return 1000;
  if (largestDistance < 100000) return 10000;
  return 100000;
}

void CGraphPanel::FillGraph(std::span<const track::tagTrackLog> points, uint32_t largestDistance) {
  if (!IsSetUp()) return;
  if (largestDistance > 0) {
    bottom_->SetRange(0, largestDistance);
    bottom_->SetManualTickStep(DistanceTickStep(largestDistance));
  } else {
    // An empty range would put every value at one pixel; the tick step is left as it was.
    bottom_->SetRange(0, 10);
  }

  heartRateSeries_->ClearPoints();
  paceSeries_->ClearPoints();

  std::vector<double> distances;
  std::vector<double> heartRates;
  std::vector<double> paces;
  distances.reserve(points.size());
  heartRates.reserve(points.size());
  paces.reserve(points.size());
  positions_.clear();
  positions_.reserve(points.size());
  for (const track::tagTrackLog& point : points) {
    distances.push_back(point.distance);
    // Integer division of the unsigned value: 150 and 151 bpm both plot at 50.
    heartRates.push_back(static_cast<double>(static_cast<uint32_t>(point.heartRate) / 3u));
    paces.push_back(static_cast<double>(point.pace));
    positions_.push_back({point.latitude, point.longitude});
  }

  heartRateSeries_->SetPenWidth(kGraphPenWidth);
  heartRateSeries_->SetColour(kHeartRateColour);
  heartRateSeries_->SetPoints(distances, heartRates);
  paceSeries_->SetPenWidth(kGraphPenWidth);
  paceSeries_->SetColour(kPaceColour);
  paceSeries_->SetPoints(distances, paces);

  // New listeners first, so a series never holds a released one.
  auto heartRateListener = std::make_unique<CCustomMouseListener>(*this);
  auto paceListener = std::make_unique<CCustomMouseListener>(*this);
  heartRateSeries_->SetMouseListener(heartRateListener.get());
  paceSeries_->SetMouseListener(paceListener.get());
  heartRateListener_ = std::move(heartRateListener);
  paceListener_ = std::move(paceListener);
}

void CGraphPanel::ShowPointOnMap(uint32_t index) const {
  if (index >= positions_.size() || !moveSelectionMarker_) return;
  const Position& position = positions_[index];
  moveSelectionMarker_(position.latitude, position.longitude);
}

}  // namespace kemlog::viewer
