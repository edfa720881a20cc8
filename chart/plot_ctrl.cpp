#include "chart/plot_ctrl.h"

#include <algorithm>

namespace kemlog::chart {
namespace {

constexpr std::array<PlotAxisPosition, kAxisPositions> kLayoutOrder = {
    PlotAxisPosition::Left, PlotAxisPosition::Bottom, PlotAxisPosition::Right, PlotAxisPosition::Top};
constexpr std::array<PlotAxisPosition, kAxisPositions> kRestoreOrder = {
    PlotAxisPosition::Bottom, PlotAxisPosition::Left, PlotAxisPosition::Top, PlotAxisPosition::Right};

constexpr PlotMouseEvent DownEvent(MouseButton b) {
  return b == MouseButton::Left ? PlotMouseEvent::LButtonDown : PlotMouseEvent::RButtonDown;
}
constexpr PlotMouseEvent UpEvent(MouseButton b) {
  return b == MouseButton::Left ? PlotMouseEvent::LButtonUp : PlotMouseEvent::RButtonUp;
}
constexpr PlotMouseEvent DoubleClickEvent(MouseButton b) {
  return b == MouseButton::Left ? PlotMouseEvent::LButtonDoubleClick : PlotMouseEvent::RButtonDoubleClick;
}

}  // namespace

void CPlotCtrl::Attach(PlotHost* host) {
  host_ = host;
  surface_.reset();
  firstPaintDone_ = false;
}

void CPlotCtrl::RedrawChart() {
  if (!host_) return;
  if (redrawCounter_ < 1) {
    redrawPending_ = true;
    return;
  }
  const Size client = host_->ClientSize();
  Rect rect{0, 0, std::max(client.cx, 0), std::max(client.cy, 0)};
  plot_ = rect;
  if (!surface_) surface_ = host_->CreateSurface(rect.right, rect.bottom);
  if (!surface_) return;
  PaintBackground(*surface_, rect);
  rect = {rect.left + 3, rect.top + 3, rect.right - 3, rect.bottom - 3};
  PaintChart(*surface_, rect);
  host_->Invalidate();
}

void CPlotCtrl::EnableRedraw(bool enable) {
  redrawCounter_ += enable ? 1 : -1;
  if (redrawCounter_ > 0 && redrawPending_) {
    redrawPending_ = false;
    RedrawChart();
  }
}

CPlotStandardAxis* CPlotCtrl::AddStandardAxis(PlotAxisPosition position) {
  auto axis = std::make_unique<CPlotStandardAxis>();
  axis->Attach(this, IsHorizontal(position), IsSecondary(position));
  CPlotStandardAxis* added = axis.get();
  std::unique_ptr<CPlotAxis>& slot = axes_[static_cast<int>(position)];
  // Series on the old axis move to the new one before the old one goes.
  for (auto& [id, series] : series_) series->ReplaceAxis(slot.get(), added);
  slot = std::move(axis);
  return added;
}

CPlotLineSeries* CPlotCtrl::AddLineSeries() {
  CPlotAxis* left = Axis(PlotAxisPosition::Left);
  CPlotAxis* bottom = Axis(PlotAxisPosition::Bottom);
  if (!left || !bottom) return nullptr;
  auto series = std::make_unique<CPlotLineSeries>(this);
  CPlotLineSeries* added = series.get();
  added->SetClipRect(plot_);
  added->SetColour(kSeriesPalette[series_.size() % kSeriesPalette.size()]);
  added->SetAxes(bottom, left);
  series_[added->SeriesId()] = std::move(series);
  EnableRedraw(false);
  left->RefreshAutoRange();
  bottom->RefreshAutoRange();
  RedrawChart();
  EnableRedraw(true);
  return added;
}

void CPlotCtrl::SetBackgroundColour(Colour colour) {
  background_ = colour;
  RedrawChart();
}

void CPlotCtrl::SetBorderColour(Colour colour) {
  border_ = colour;
  RedrawChart();
}

void CPlotCtrl::PaintBackground(platform::Canvas& canvas, const Rect& rect) {
  canvas.FillRect(rect, background_);
  canvas.DrawRaisedEdge(rect);
}

void CPlotCtrl::PlaceAxis(CPlotAxis& axis, const Rect& plot, const Rect& chart) {
  Rect room = chart;
  if (axis.IsHorizontal()) {
    if (axis.IsSecondary()) {
      room.bottom = plot.top;
    } else {
      room.top = plot.bottom;
    }
    axis.Place(plot.left, plot.right, room);
  } else {
    if (axis.IsSecondary()) {
      room.left = plot.right;
    } else {
      room.right = plot.left;
    }
    axis.Place(plot.bottom, plot.top, room);
  }
  if (axis.HasAutomaticTicks()) axis.ComputeTickStep();
  axis.ComputeFirstTick();
}

void CPlotCtrl::PaintChart(platform::Canvas& canvas, Rect rect) {
  plot_ = rect;
  // First pass: every axis takes its room; second pass: each draws in the final plotting area.
  for (const PlotAxisPosition position : kLayoutOrder) {
    CPlotAxis* axis = Axis(position);
    if (!axis) continue;
    PlaceAxis(*axis, plot_, rect);
    axis->ReserveMargin(plot_, canvas, rect);
  }
  for (const PlotAxisPosition position : kLayoutOrder) {
    CPlotAxis* axis = Axis(position);
    if (!axis) continue;
    PlaceAxis(*axis, plot_, rect);
    axis->Draw(canvas, plot_);
  }
  const std::array<Point, 5> frame = {Point{plot_.left, plot_.top}, Point{plot_.right, plot_.top},
                                      Point{plot_.right, plot_.bottom}, Point{plot_.left, plot_.bottom},
                                      Point{plot_.left, plot_.top}};
  canvas.DrawPolyline(frame, {platform::PenStyle::Solid, 1, border_});
  for (auto& [id, series] : series_) {
    series->SetClipRect({plot_.left, plot_.top, plot_.right + 1, plot_.bottom + 1});
    series->DrawAll(canvas);
  }
}

void CPlotCtrl::OnPaint(platform::Canvas& window) {
  if (!firstPaintDone_) {
    RedrawChart();
    firstPaintDone_ = true;
  }
  if (surface_) window.CopySurface(*surface_, {0, 0});
  if (zoomEnabled_ && zooming_) {
    const Rect band{std::min(zoomFrom_.x, zoomTo_.x), std::min(zoomFrom_.y, zoomTo_.y),
                    std::max(zoomFrom_.x, zoomTo_.x) + 1, std::max(zoomFrom_.y, zoomTo_.y) + 1};
    window.DrawRectangle(band, {platform::PenStyle::Solid, 1, zoomColour_});
  }
}

void CPlotCtrl::OnSize() {
  surface_.reset();
  RedrawChart();
}

void CPlotCtrl::PanTo(Point point) {
  if (!panning_ || !panEnabled_ || point == lastPan_) return;
  EnableRedraw(false);
  for (const PlotAxisPosition position : kLayoutOrder) {
    CPlotAxis* axis = Axis(position);
    if (!axis) continue;
    if (axis->IsHorizontal()) {
      axis->PanBy(lastPan_.x, point.x);
    } else {
      axis->PanBy(lastPan_.y, point.y);
    }
  }
  RedrawChart();
  EnableRedraw(true);
  if (host_) host_->UpdateNow();
  lastPan_ = point;
}

void CPlotCtrl::OnMouseMove(Point point) {
  PanTo(point);
  if (zoomEnabled_ && zooming_) {
    zoomTo_ = point;
    if (host_) host_->Invalidate();
  }
  if (host_) {
    host_->SetCursor(!arrowCursor_ && plot_.Contains(point) ? PlotCursor::Hidden : PlotCursor::Arrow);
  }
  DispatchMouseEvent(PlotMouseEvent::MouseMove, point);
}

void CPlotCtrl::OnButtonDown(MouseButton button, Point point) {
  if (host_) host_->SetCapture();
  if (button == MouseButton::Right) {
    panning_ = true;
    if (panEnabled_) lastPan_ = point;
  } else if (zoomEnabled_) {
    zooming_ = true;
    zoomFrom_ = zoomTo_ = point;
  }
  DispatchMouseEvent(DownEvent(button), point);
}

void CPlotCtrl::OnButtonUp(MouseButton button, Point point) {
  if (host_) host_->ReleaseCapture();
  if (button == MouseButton::Right) {
    panning_ = false;
  } else {
    // Only a band that this press started counts.
    const bool banding = zooming_;
    zooming_ = false;
    if (zoomEnabled_ && banding) ZoomToBand();
  }
  DispatchMouseEvent(UpEvent(button), point);
}

void CPlotCtrl::OnDoubleClick(MouseButton button, Point point) { DispatchMouseEvent(DoubleClickEvent(button), point); }

void CPlotCtrl::ZoomToBand() {
  // A band drawn leftwards or upwards undoes the zooming.
  if (zoomTo_.x < zoomFrom_.x || zoomTo_.y < zoomFrom_.y) {
    RestoreAxisRanges();
    return;
  }
  if (zoomTo_.x == zoomFrom_.x || zoomTo_.y == zoomFrom_.y) return;
  for (const auto& axis : axes_) {
    if (!axis) continue;
    const bool horizontal = axis->IsHorizontal();
    const double a = axis->PixelToValue(horizontal ? zoomFrom_.x : zoomFrom_.y);
    const double b = axis->PixelToValue(horizontal ? zoomTo_.x : zoomTo_.y);
    axis->SetViewRange(std::min(a, b), std::max(a, b));
  }
  RedrawChart();
}

void CPlotCtrl::DispatchMouseEvent(PlotMouseEvent event, Point point) {
  for (auto it = series_.rbegin(); it != series_.rend(); ++it) {
    if (it->second->OnMouseEvent(event, point)) return;
  }
}

void CPlotCtrl::RestoreAxisRanges() {
  EnableRedraw(false);
  for (const PlotAxisPosition position : kRestoreOrder) {
    CPlotAxis* axis = Axis(position);
    if (axis) axis->SetRange(axis->RememberedMinimum(), axis->RememberedMaximum());
  }
  EnableRedraw(true);
}

}  // namespace kemlog::chart
