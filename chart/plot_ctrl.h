#pragma once
// The line-chart control: a background with a raised edge, up to four numeric axes around a
// plotting area, and line series drawn into it. Frames are rendered off screen once per change and
// painting only copies them; the redraw counter batches several changes into one frame. The right
// button pans the axes, the left button drags a zoom band (when zoom is on), and mouse events go to
// the series, the latest first.

#include <array>
#include <cstdint>
#include <map>
#include <memory>

#include "chart/plot_axis.h"
#include "chart/plot_host.h"
#include "chart/plot_line_series.h"
#include "chart/plot_standard_axis.h"
#include "chart/plot_types.h"

namespace kemlog::chart {

class CPlotCtrl {
 public:
  CPlotCtrl() = default;
  virtual ~CPlotCtrl() = default;
  CPlotCtrl(const CPlotCtrl&) = delete;
  CPlotCtrl& operator=(const CPlotCtrl&) = delete;

  // Binds the control to its window (nullptr unbinds); without one, redraws do nothing.
  void Attach(PlotHost* host);

  // Renders a frame into the off-screen surface and invalidates the window, or only marks a redraw
  // as pending while redrawing is disabled.
  void RedrawChart();
  // Counts up (true) or down (false); when the count is positive again a pending redraw is done.
  void EnableRedraw(bool enable);
  int RedrawCounter() const { return redrawCounter_; }
  bool RedrawPending() const { return redrawPending_; }

  // A new numeric axis in that place, replacing (and deleting) the one there.
  CPlotStandardAxis* AddStandardAxis(PlotAxisPosition position);
  CPlotAxis* Axis(PlotAxisPosition position) const { return axes_[static_cast<int>(position)].get(); }
  // A new line series on the Left and Bottom axes, in the next palette colour; nullptr when either
  // axis is missing.
  CPlotLineSeries* AddLineSeries();
  size_t SeriesCount() const { return series_.size(); }

  void SetBackgroundColour(Colour colour);
  Colour BackgroundColour() const { return background_; }
  void SetBorderColour(Colour colour);
  void SetZoomEnabled(bool enabled) { zoomEnabled_ = enabled; }
  void SetPanEnabled(bool enabled) { panEnabled_ = enabled; }
  // Off: the cursor is hidden over the plotting area.
  void SetArrowCursor(bool on) { arrowCursor_ = on; }

  // Area of the series in client pixels, as laid out by the latest frame.
  const Rect& PlottingRect() const { return plot_; }

  // Offers the event to the series from the highest ID down, until one takes it.
  void DispatchMouseEvent(PlotMouseEvent event, Point point);
  // Every axis back to the range last set with SetRange, in one frame.
  void RestoreAxisRanges();

  // Window messages, forwarded by the host.
  void OnPaint(platform::Canvas& window);
  void OnSize();
  void OnMouseMove(Point point);
  void OnButtonDown(MouseButton button, Point point);
  void OnButtonUp(MouseButton button, Point point);
  void OnDoubleClick(MouseButton button, Point point);

  // The parts of a frame: the background over the whole client area, then the chart inside it.
  virtual void PaintBackground(platform::Canvas& canvas, const Rect& rect);
  virtual void PaintChart(platform::Canvas& canvas, Rect rect);

 private:
  // Span and room of an axis for the plotting rectangle `plot` inside the chart rectangle `chart`,
  // and its ticks for that span.
  static void PlaceAxis(CPlotAxis& axis, const Rect& plot, const Rect& chart);
  void PanTo(Point point);
  void ZoomToBand();

  PlotHost* host_ = nullptr;
  int32_t redrawCounter_ = 1;
  bool redrawPending_ = false;
  std::unique_ptr<platform::Canvas> surface_;
  bool firstPaintDone_ = false;
  Colour background_ = kButtonFace;
  Colour border_ = kBlack;
  Rect plot_;
  // Axes before series: series leave their axes when they are destroyed.
  std::array<std::unique_ptr<CPlotAxis>, kAxisPositions> axes_;
  std::map<uint32_t, std::unique_ptr<CPlotSeries>> series_;
  bool panEnabled_ = true;
  bool panning_ = false;
  Point lastPan_;
  bool zoomEnabled_ = true;
  bool zooming_ = false;
  Point zoomFrom_;
  Point zoomTo_;
  Colour zoomColour_ = kWhite;
  bool arrowCursor_ = true;
};

}  // namespace kemlog::chart
