#pragma once
// A series of SPlotXYPoint: its point store, ranges, visible point range and mouse listener.

#include <cstdint>
#include <span>

#include "chart/plot_mouse_listener.h"
#include "chart/plot_point_array.h"
#include "chart/plot_series.h"

namespace kemlog::chart {

class CPlotSeriesBase : public CPlotSeries {
 public:
  using CPlotSeries::CPlotSeries;

  // Replaces all points by (xs[i], ys[i]), copied once and sorted once, then refreshes the axes and
  // redraws in one frame. False, changing nothing, when the arrays differ in length.
  bool SetPoints(std::span<const double> xs, std::span<const double> ys);
  void ClearPoints();
  const CPlotPointArray& Points() const { return points_; }
  // Re-sorts the points by another key.
  virtual void SetOrdering(PointOrdering ordering);

  // The caller keeps ownership; nullptr removes the listener.
  void SetMouseListener(CPlotSeriesMouseListener* listener) { listener_ = listener; }
  CPlotSeriesMouseListener* MouseListener() const { return listener_; }
  // The last point of the latest full drawing.
  uint32_t LastDrawnIndex() const { return lastDrawn_; }

  uint32_t PointCount() const override { return points_.Count(); }
  Point PointToPixel(uint32_t index) const override;
  bool DataRangeY(double& smallest, double& largest) const override;
  bool DataRangeX(double& smallest, double& largest) const override;
  bool VisibleDataRangeX(double& smallest, double& largest) const override;
  bool VisibleDataRangeY(double& smallest, double& largest) const override;
  bool VisiblePointRange(uint32_t& first, uint32_t& last) const override;
  bool OnMouseEvent(PlotMouseEvent event, Point point) override;

 protected:
  // VisiblePointRange and one more point at each end, when the range has at least one segment.
  bool DrawnPointRange(uint32_t& first, uint32_t& last) const;
  uint32_t lastDrawn_ = 0;

 private:
  void RefreshAxes();
  // Smallest and largest of one coordinate over the visible points.
  bool VisibleBounds(bool ofX, double& smallest, double& largest) const;

  CPlotPointArray points_;
  CPlotSeriesMouseListener* listener_ = nullptr;
};

}  // namespace kemlog::chart
