#include "chart/plot_axis_label.h"

#include "chart/plot_ctrl.h"

namespace kemlog::chart {

void CPlotAxisLabel::SetHorizontal(bool horizontal) {
  horizontal_ = horizontal;
  font_.vertical = !horizontal;
}

void CPlotAxisLabel::SetText(std::string text) {
  text_ = std::move(text);
  if (parent_) parent_->RedrawChart();
}

void CPlotAxisLabel::SetColour(Colour colour) {
  colour_ = colour;
  if (parent_) parent_->RedrawChart();
}

void CPlotAxisLabel::SetVisible(bool visible) {
  visible_ = visible;
  if (parent_) parent_->RedrawChart();
}

void CPlotAxisLabel::SetFont(const SPlotFontSpec& font) {
  font_ = font;
  font_.vertical = !horizontal_;
  if (parent_) parent_->RedrawChart();
}

Size CPlotAxisLabel::LabelSize(platform::Canvas& canvas) const {
  if (!visible_ || text_.empty()) return {0, 0};
  const Size extent = canvas.TextExtent(text_, font_.ToFont());
  if (horizontal_) return {extent.cx + 4, extent.cy + 4};
  return {extent.cy + 4, extent.cx + 4};
}

void CPlotAxisLabel::Draw(platform::Canvas& canvas, Point at) const {
  if (!visible_ || text_.empty()) return;
  const Point origin = horizontal_ ? Point{at.x, at.y + 2} : Point{at.x + 2, at.y};
  canvas.DrawText(origin, text_, font_.ToFont(), colour_);
}

}  // namespace kemlog::chart
