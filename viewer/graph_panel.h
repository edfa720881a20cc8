#pragma once
// The graph of the log data page: pace and heart rate of the opened log against the distance run.
// Both lines use the left axis, in minutes per kilometre; the heart rate is plotted divided by 3, so
// the right axis, three times the left one and carrying no series, reads it in beats per minute.
// A left-button release on a point of either line puts the map's selection marker on that track
// point.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "chart/plot_ctrl.h"
#include "chart/plot_line_series.h"
#include "chart/plot_mouse_listener.h"
#include "chart/plot_standard_axis.h"
#include "track/track_log.h"

namespace kemlog::viewer {

class CGraphPanel;

// Moves the map's selection marker to a position in degrees (the map host's SetPos).
using SelectionMarkerMover = std::function<void(double latitude, double longitude)>;

inline constexpr chart::Colour kPaceColour = chart::Rgb(0, 120, 0);
inline constexpr chart::Colour kHeartRateColour = chart::Rgb(255, 0, 0);
inline constexpr int kGraphPenWidth = 2;

// Installed on both series at each fill: turns a left-button release on a point into a marker move.
class CCustomMouseListener : public chart::CPlotSeriesMouseListener {
 public:
  explicit CCustomMouseListener(CGraphPanel& panel) : panel_(panel) {}
  void OnSeriesMouseEvent(chart::PlotMouseEvent event, int x, int y, chart::CPlotSeriesBase& series,
                          uint32_t index) override;

 private:
  CGraphPanel& panel_;
};

class CGraphPanel {
 public:
  // `chart` must outlive the panel; the panel owns the listeners it installs on the chart's series.
  CGraphPanel(chart::CPlotCtrl& chart, SelectionMarkerMover moveSelectionMarker);
  ~CGraphPanel();
  CGraphPanel(const CGraphPanel&) = delete;
  CGraphPanel& operator=(const CGraphPanel&) = delete;

  // Makes the axes, their titles and the two (empty) series. Done once; later calls do nothing.
  void SetUp();
  bool IsSetUp() const { return paceSeries_ != nullptr; }

  // Replaces both lines by the points of a log and fits the distance axis to `largestDistance`
  // (metres; 0 when nothing was read). Does nothing before SetUp.
  void FillGraph(std::span<const track::tagTrackLog> points, uint32_t largestDistance);

  // Puts the selection marker on track point `index` of the latest fill; other indexes do nothing.
  void ShowPointOnMap(uint32_t index) const;

  // Tick step of the distance axis for a largest distance above 0.
  static double DistanceTickStep(uint32_t largestDistance);

  chart::CPlotStandardAxis* DistanceAxis() const { return bottom_; }
  chart::CPlotStandardAxis* PaceAxis() const { return left_; }
  chart::CPlotStandardAxis* HeartRateAxis() const { return right_; }
  chart::CPlotLineSeries* HeartRateSeries() const { return heartRateSeries_; }
  chart::CPlotLineSeries* PaceSeries() const { return paceSeries_; }

 private:
  struct Position {
    double latitude = 0;
    double longitude = 0;
  };

  chart::CPlotCtrl& chart_;
  SelectionMarkerMover moveSelectionMarker_;
  chart::CPlotStandardAxis* bottom_ = nullptr;
  chart::CPlotStandardAxis* left_ = nullptr;
  chart::CPlotStandardAxis* right_ = nullptr;
  chart::CPlotLineSeries* heartRateSeries_ = nullptr;
  chart::CPlotLineSeries* paceSeries_ = nullptr;
  // Positions of the filled points, by track point index, so the marker does not depend on the
  // page's array staying alive between fills.
  std::vector<Position> positions_;
  std::unique_ptr<CCustomMouseListener> heartRateListener_;
  std::unique_ptr<CCustomMouseListener> paceListener_;
};

}  // namespace kemlog::viewer
