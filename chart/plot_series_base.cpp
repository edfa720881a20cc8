#include "chart/plot_series_base.h"

#include <algorithm>

#include "chart/plot_axis.h"
#include "chart/plot_ctrl.h"

namespace kemlog::chart {
namespace {

// The index next to the boundary of v among ascending keys in [lo, hi]: the last key at or below v
// or the first above it.
template <typename KeyOf>
uint32_t Search(uint32_t lo, uint32_t hi, double v, const KeyOf& key) {
  for (;;) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (key(mid) > v) {
      if (lo >= mid) return lo;
      hi = mid - 1;
    } else {
      if (mid >= hi) return hi;
      lo = mid + 1;
    }
  }
}

}  // namespace

bool CPlotSeriesBase::SetPoints(std::span<const double> xs, std::span<const double> ys) {
  if (!points_.Assign(xs, ys)) return false;
  RefreshAxes();
  return true;
}

void CPlotSeriesBase::ClearPoints() {
  points_.Clear();
  lastDrawn_ = 0;
  RefreshAxes();
}

void CPlotSeriesBase::SetOrdering(PointOrdering ordering) {
  points_.SetOrdering(ordering);
  RefreshAxes();
}

void CPlotSeriesBase::RefreshAxes() {
  CPlotCtrl* parent = Parent();
  if (parent) parent->EnableRedraw(false);
  if (HorizontalAxis()) HorizontalAxis()->RefreshAutoRange();
  if (VerticalAxis()) VerticalAxis()->RefreshAutoRange();
  if (parent) {
    parent->RedrawChart();
    parent->EnableRedraw(true);
  }
}

Point CPlotSeriesBase::PointToPixel(uint32_t index) const {
  const SPlotXYPoint& p = points_[index];
  return {HorizontalAxis()->ValueToPixel(p.x), VerticalAxis()->ValueToPixel(p.y)};
}

bool CPlotSeriesBase::DataRangeX(double& smallest, double& largest) const {
  if (!IsVisible() || points_.Count() == 0 || !(points_.MinX() <= points_.MaxX())) return false;
  smallest = points_.MinX();
  largest = points_.MaxX();
  return true;
}

bool CPlotSeriesBase::DataRangeY(double& smallest, double& largest) const {
  if (!IsVisible() || points_.Count() == 0 || !(points_.MinY() <= points_.MaxY())) return false;
  smallest = points_.MinY();
  largest = points_.MaxY();
  return true;
}

bool CPlotSeriesBase::VisibleBounds(bool ofX, double& smallest, double& largest) const {
  uint32_t first = 0;
  uint32_t last = 0;
  if (!IsVisible() || !VisiblePointRange(first, last)) return false;
  bool found = false;
  for (uint32_t i = first; i <= last; ++i) {
    const double v = ofX ? points_[i].x : points_[i].y;
    if (!(v == v)) continue;  // NaN
    smallest = found ? std::min(smallest, v) : v;
    largest = found ? std::max(largest, v) : v;
    found = true;
  }
  return found;
}

bool CPlotSeriesBase::VisibleDataRangeX(double& smallest, double& largest) const {
  return points_.Ordering() == PointOrdering::ByY && VisibleBounds(true, smallest, largest);
}

bool CPlotSeriesBase::VisibleDataRangeY(double& smallest, double& largest) const {
  return points_.Ordering() == PointOrdering::ByX && VisibleBounds(false, smallest, largest);
}

bool CPlotSeriesBase::VisiblePointRange(uint32_t& first, uint32_t& last) const {
  const uint32_t count = points_.Count();
  if (count == 0) return false;
  if (points_.Ordering() == PointOrdering::None) {
    first = 0;
    last = count - 1;
    return true;
  }
  const CPlotAxis* axis = points_.Ordering() == PointOrdering::ByX ? HorizontalAxis() : VerticalAxis();
  if (!axis) return false;
  const auto key = [this](uint32_t i) { return points_.Key(i); };
  first = Search(0, count - 1, axis->Minimum(), key);
  last = Search(first, count - 1, axis->Maximum(), key);
  return true;
}

bool CPlotSeriesBase::DrawnPointRange(uint32_t& first, uint32_t& last) const {
  if (!IsVisible() || !HorizontalAxis() || !VerticalAxis() || !VisiblePointRange(first, last)) return false;
  if (first > 0) --first;
  if (last + 1 < points_.Count()) ++last;
  return first != last;
}

bool CPlotSeriesBase::OnMouseEvent(PlotMouseEvent event, Point point) {
  if (!listener_) return false;
  const bool wanted = event == PlotMouseEvent::MouseMove ? NotifiesMoves() : NotifiesClicks();
  uint32_t index = 0;
  if (!wanted || !IsPointOnSeries(point, index)) return false;
  listener_->OnSeriesMouseEvent(event, point.x, point.y, *this, index);
  return true;
}

}  // namespace kemlog::chart
