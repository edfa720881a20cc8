#pragma once
// A series drawn as a polyline through its points in key order.

#include <vector>

#include "chart/plot_series_base.h"

namespace kemlog::chart {

class CPlotLineSeries : public CPlotSeriesBase {
 public:
  using CPlotSeriesBase::CPlotSeriesBase;

  void SetPenWidth(int pixels);
  int PenWidth() const { return penWidth_; }
  void SetPenStyle(platform::PenStyle style);
  platform::PenStyle PenStyle() const { return penStyle_; }

  // On the line when within 3 pixels of a drawn segment; the index is a segment end within 5
  // pixels (the later one when both are), else kNoPoint.
  bool IsPointOnSeries(Point point, uint32_t& index) const override;
  // The visible points and one neighbour each side, consecutive points on one pixel merged.
  void DrawAll(platform::Canvas& canvas) override;

  // Whether p lies within 3 pixels, in x and in y, of its projection onto the segment from a to b.
  static bool IsNearSegment(Point a, Point b, Point p);

 private:
  int penWidth_ = 1;
  platform::PenStyle penStyle_ = platform::PenStyle::Solid;
  std::vector<Point> polyline_;  // kept between frames to save allocations
};

}  // namespace kemlog::chart
