#include "chart/plot_axis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chart/plot_ctrl.h"
#include "chart/plot_series.h"

namespace kemlog::chart {
namespace {

// Pixel offsets are kept within what every backend's coordinates hold; a far-off neighbour point
// then still gives a line in the right direction instead of an overflow.
constexpr double kPixelLimit = 1 << 27;

int ClampedPixelOffset(double offset) {
  if (std::isnan(offset)) return 0;
  return static_cast<int>(std::clamp(offset, -kPixelLimit, kPixelLimit));
}

}  // namespace

void CPlotAxis::Attach(CPlotCtrl* parent, bool horizontal, bool secondary) {
  parent_ = parent;
  horizontal_ = horizontal;
  secondary_ = secondary;
  grid_.SetParent(parent);
  grid_.SetHorizontal(horizontal);
  label_.SetParent(parent);
  label_.SetHorizontal(horizontal);
}

void CPlotAxis::Place(int startPixel, int endPixel, const Rect& rect) {
  start_ = startPixel;
  end_ = endPixel;
  rect_ = rect;
}

void CPlotAxis::Redraw() const {
  if (parent_) parent_->RedrawChart();
}

void CPlotAxis::SetRange(double minimum, double maximum) {
  minimum_ = rememberedMinimum_ = minimum;
  maximum_ = rememberedMaximum_ = maximum;
  Redraw();
}

void CPlotAxis::SetInverted(bool inverted) {
  inverted_ = inverted;
  Redraw();
}

void CPlotAxis::SetVisible(bool visible) {
  visible_ = visible;
  Redraw();
}

void CPlotAxis::SetAutomaticMode(AutoRangeMode mode) {
  autoMode_ = mode;
  RefreshAutoRange();
}

void CPlotAxis::SetDiscreteMode(bool discrete) {
  discrete_ = discrete;
  Redraw();
}

void CPlotAxis::SetAutomaticMargin(bool automatic, int margin) {
  automaticMargin_ = automatic;
  margin_ = margin;
  Redraw();
}

void CPlotAxis::SetAxisColour(Colour colour) {
  axisColour_ = colour;
  Redraw();
}

void CPlotAxis::SetTextColour(Colour colour) {
  textColour_ = colour;
  Redraw();
}

void CPlotAxis::SetTickFont(std::string face, int size) {
  tickFontFace_ = std::move(face);
  tickFontSize_ = size;
  Redraw();
}

bool CPlotAxis::InSpan(int pixel) const {
  return horizontal_ ? (start_ <= pixel && pixel <= end_) : (end_ <= pixel && pixel <= start_);
}

int CPlotAxis::LinearValueToPixel(double value) const {
  const int length = std::abs(end_ - start_);
  const int half = length / 2;
  if (maximum_ == minimum_) return horizontal_ ? start_ + half : start_ - half;
  const int d = ClampedPixelOffset(std::floor(length * (value - minimum_) / (maximum_ - minimum_)));
  if (horizontal_) return inverted_ ? end_ - d : start_ + d;
  return inverted_ ? end_ + d : start_ - d;
}

int CPlotAxis::ValueToPixel(double value) const {
  if (maximum_ != minimum_ && discrete_) return DiscreteValueToPixel(value);
  return LinearValueToPixel(value);
}

double CPlotAxis::PixelToValue(int pixel) const {
  const int length = std::abs(end_ - start_);
  if (maximum_ == minimum_ || length == 0) return minimum_;
  int d = 0;
  if (horizontal_) {
    d = inverted_ ? end_ - pixel : pixel - start_;
  } else {
    d = inverted_ ? pixel - end_ : start_ - pixel;
  }
  return minimum_ + static_cast<double>(d) / length * (maximum_ - minimum_);
}

void CPlotAxis::PanBy(int fromPixel, int toPixel) {
  const double shift = PixelToValue(fromPixel) - PixelToValue(toPixel);
  SetViewRange(minimum_ + shift, maximum_ + shift);
}

void CPlotAxis::SetViewRange(double minimum, double maximum) {
  if (!panAllowed_ || maximum_ == minimum_) return;
  minimum_ = minimum;
  maximum_ = maximum - minimum < kMinimumSpan ? minimum + kMinimumSpan : maximum;
}

Size CPlotAxis::MaxTickLabelSize(platform::Canvas& canvas) const {
  const platform::Font font = TickFont();
  if (maximum_ == minimum_) return canvas.TextExtent(TickLabelText(minimum_), font);
  Size largest;
  ForEachTick([&](double value) {
    if (!InSpan(ValueToPixel(value))) return;
    const Size size = canvas.TextExtent(TickLabelText(value), font);
    largest.cx = std::max(largest.cx, size.cx);
    largest.cy = std::max(largest.cy, size.cy);
  });
  return largest;
}

int CPlotAxis::ReserveMargin(Rect& plot, platform::Canvas& canvas, const Rect& chart) {
  if (!visible_) return 0;
  const Size ticks = MaxTickLabelSize(canvas);
  const Size label = label_.LabelSize(canvas);
  if (horizontal_) {
    if (automaticMargin_) margin_ = label.cy + ticks.cy + 6;
    if (secondary_) {
      plot.top = std::max(plot.top, chart.top + margin_);
    } else {
      plot.bottom = std::min(plot.bottom, chart.bottom - margin_);
    }
    plot.right = std::min(plot.right, chart.right - 3 - ticks.cx / 2);
  } else {
    if (automaticMargin_) margin_ = label.cx + ticks.cx + 10;
    plot.top = std::max(plot.top, chart.top + ticks.cy / 2 + 3);
    if (secondary_) {
      plot.right = std::min(plot.right, chart.right - margin_);
    } else {
      plot.left = std::max(plot.left, chart.left + margin_);
    }
  }
  return margin_;
}

void CPlotAxis::Draw(platform::Canvas& canvas, const Rect& plot) {
  if (!visible_) return;
  const platform::Pen pen{platform::PenStyle::Solid, 1, axisColour_};
  if (horizontal_) {
    const int y = secondary_ ? rect_.bottom - 1 : rect_.top + 1;
    canvas.DrawLine({start_, y}, {end_, y}, pen);
  } else {
    const int x = secondary_ ? rect_.left + 1 : rect_.right - 1;
    canvas.DrawLine({x, start_}, {x, end_}, pen);
  }
  const Size labelSize = label_.LabelSize(canvas);
  DrawAxisLabel(canvas, labelSize, MaxTickLabelSize(canvas).cy);
  grid_.ClearTicks();
  ForEachTick([&](double value) { DrawTickAt(canvas, value, labelSize.cx); });
  grid_.Draw(canvas, plot);
}

void CPlotAxis::DrawAxisLabel(platform::Canvas& canvas, Size size, int tickLabelHeight) const {
  const int mid = static_cast<int>(std::fabs((start_ + end_) * 0.5));
  Point at;
  if (horizontal_) {
    at = {mid - size.cx / 2, secondary_ ? rect_.top : rect_.top + tickLabelHeight + 2};
  } else {
    at = {secondary_ ? rect_.right - size.cx - 2 : rect_.left, mid + size.cy / 2};
  }
  label_.Draw(canvas, at);
}

void CPlotAxis::DrawTickAt(platform::Canvas& canvas, double value, int labelWidth) {
  const int t = TickPixel(value);
  const int p = ValueToPixel(value);
  const std::string text = TickLabelText(value);
  const platform::Font font = TickFont();
  const Size size = canvas.TextExtent(text, font);
  // Mark from `from` towards `to` (3 pixels), text at `at`, for the four places of an axis.
  Point from, to, at;
  if (horizontal_ && !secondary_) {
    from = {t, rect_.top + 1}, to = {t, rect_.top + 4}, at = {p - size.cx / 2, rect_.top + 5};
  } else if (horizontal_) {
    from = {t, rect_.bottom - 1}, to = {t, rect_.bottom - 4}, at = {p - size.cx / 2, rect_.bottom - size.cy - 5};
  } else if (!secondary_) {
    from = {rect_.right - 1, t}, to = {rect_.right - 4, t}, at = {rect_.left + labelWidth + 4, p - size.cy / 2};
  } else {
    from = {rect_.left + 1, t}, to = {rect_.left + 4, t}, at = {rect_.left + 6, p - size.cy / 2};
  }
  if (InSpan(t)) canvas.DrawLine(from, to, {platform::PenStyle::Solid, 1, axisColour_});
  if (InSpan(p)) canvas.DrawText(at, text, font, textColour_);
  grid_.AddTick(t);
}

void CPlotAxis::RegisterSeries(CPlotSeries* series) {
  if (std::find(series_.begin(), series_.end(), series) == series_.end()) series_.push_back(series);
}

void CPlotAxis::UnregisterSeries(CPlotSeries* series) { std::erase(series_, series); }

void CPlotAxis::RefreshAutoRange() {
  if (autoMode_ == AutoRangeMode::Manual) return;
  bool found = false;
  double low = 0;
  double high = 0;
  for (const CPlotSeries* series : series_) {
    double a = 0;
    double b = 0;
    const bool full = autoMode_ == AutoRangeMode::Full;
    const bool ok = horizontal_ ? (full ? series->DataRangeX(a, b) : series->VisibleDataRangeX(a, b))
                                : (full ? series->DataRangeY(a, b) : series->VisibleDataRangeY(a, b));
    if (!ok) continue;
    low = found ? std::min(low, a) : a;
    high = found ? std::max(high, b) : b;
    found = true;
  }
  if (!found || (low == minimum_ && high == maximum_)) return;
  SetRange(low, high);
}

}  // namespace kemlog::chart
