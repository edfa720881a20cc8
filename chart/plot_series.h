#pragma once
// A set of points drawn in the plotting area through one horizontal and one vertical axis.

#include <cstdint>

#include "chart/plot_types.h"
#include "platform/canvas.h"

namespace kemlog::chart {

class CPlotAxis;
class CPlotCtrl;

class CPlotSeries {
 public:
  // Takes the next series ID of the process; later series have higher IDs.
  explicit CPlotSeries(CPlotCtrl* parent);
  // Leaves the series lists of both axes.
  virtual ~CPlotSeries();
  CPlotSeries(const CPlotSeries&) = delete;
  CPlotSeries& operator=(const CPlotSeries&) = delete;

  uint32_t SeriesId() const { return id_; }
  CPlotCtrl* Parent() const { return parent_; }

  // Set by the control when the series is registered; registers the series with both axes.
  void SetAxes(CPlotAxis* horizontal, CPlotAxis* vertical);
  // Moves the series from an axis that the control replaces to its successor.
  void ReplaceAxis(const CPlotAxis* old, CPlotAxis* replacement);
  CPlotAxis* HorizontalAxis() const { return horizontal_; }
  CPlotAxis* VerticalAxis() const { return vertical_; }

  bool IsVisible() const { return visible_; }
  void SetVisible(bool visible);
  Colour GetColour() const { return colour_; }
  void SetColour(Colour colour);
  // Drawing is clipped to it; the control sets it to the plotting area.
  const Rect& ClipRect() const { return clip_; }
  void SetClipRect(const Rect& clip) { clip_ = clip; }
  // Whether the listener hears clicks (on by default) and moves (off).
  bool NotifiesClicks() const { return notifyClicks_; }
  bool NotifiesMoves() const { return notifyMoves_; }
  void SetNotifyClicks(bool on) { notifyClicks_ = on; }
  void SetNotifyMoves(bool on) { notifyMoves_ = on; }

  virtual uint32_t PointCount() const = 0;
  virtual Point PointToPixel(uint32_t index) const = 0;
  // Bounds of all points; false when invisible or empty.
  virtual bool DataRangeY(double& smallest, double& largest) const = 0;
  virtual bool DataRangeX(double& smallest, double& largest) const = 0;
  // Bounds over the points inside the visible range of the sort key's axis.
  virtual bool VisibleDataRangeX(double& smallest, double& largest) const = 0;
  virtual bool VisibleDataRangeY(double& smallest, double& largest) const = 0;
  // Whether `point` lies on the drawn line; `index` is the point near it, or kNoPoint.
  virtual bool IsPointOnSeries(Point point, uint32_t& index) const = 0;
  // The points inside the visible range of the sort key's axis, each end possibly one beyond it.
  virtual bool VisiblePointRange(uint32_t& first, uint32_t& last) const = 0;
  virtual void DrawAll(platform::Canvas& canvas) = 0;
  // True when the series took the event, which ends the control's dispatch.
  virtual bool OnMouseEvent(PlotMouseEvent event, Point point) = 0;

 protected:
  void Redraw() const;

 private:
  CPlotCtrl* parent_;
  CPlotAxis* vertical_ = nullptr;
  CPlotAxis* horizontal_ = nullptr;
  bool visible_ = true;
  Colour colour_ = kSeriesPalette[0];
  Rect clip_;
  uint32_t id_;
  bool notifyClicks_ = true;
  bool notifyMoves_ = false;
};

}  // namespace kemlog::chart
