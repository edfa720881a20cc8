#include "chart/plot_line_series.h"

#include <cmath>
#include <cstdlib>

namespace kemlog::chart {
namespace {

constexpr double kSegmentTolerance = 3;
constexpr int kPointTolerance = 5;

bool Near(Point a, Point b) {
  return std::abs(a.x - b.x) <= kPointTolerance && std::abs(a.y - b.y) <= kPointTolerance;
}

}  // namespace

void CPlotLineSeries::SetPenWidth(int pixels) {
  penWidth_ = pixels;
  Redraw();
}

void CPlotLineSeries::SetPenStyle(platform::PenStyle style) {
  penStyle_ = style;
  Redraw();
}

bool CPlotLineSeries::IsNearSegment(Point a, Point b, Point p) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double lengthSquared = dx * dx + dy * dy;
  // Both ends on one pixel: no direction to project onto.
  if (lengthSquared == 0) return false;
  const double r = ((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared;
  if (r < 0 || r > 1) return false;
  return std::fabs(p.x - (a.x + r * dx)) <= kSegmentTolerance && std::fabs(p.y - (a.y + r * dy)) <= kSegmentTolerance;
}

bool CPlotLineSeries::IsPointOnSeries(Point point, uint32_t& index) const {
  index = kNoPoint;
  uint32_t first = 0;
  uint32_t last = 0;
  if (!DrawnPointRange(first, last)) return false;
  Point a = PointToPixel(first);
  for (uint32_t i = first; i < last; ++i) {
    const Point b = PointToPixel(i + 1);
    if (IsNearSegment(a, b, point)) {
      if (Near(point, a)) index = i;
      if (Near(point, b)) index = i + 1;
      return true;
    }
    a = b;
  }
  return false;
}

void CPlotLineSeries::DrawAll(platform::Canvas& canvas) {
  uint32_t first = 0;
  uint32_t last = 0;
  if (!DrawnPointRange(first, last)) return;
  polyline_.clear();
  for (uint32_t i = first; i <= last; ++i) {
    const Point p = PointToPixel(i);
    if (polyline_.empty() || polyline_.back() != p) polyline_.push_back(p);
  }
  lastDrawn_ = last;
  canvas.PushClip(ClipRect());
  canvas.DrawPolyline(polyline_, {penStyle_, penWidth_, GetColour()});
  canvas.PopClip();
}

}  // namespace kemlog::chart
