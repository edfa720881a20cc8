#include "chart/plot_grid.h"

#include "chart/plot_ctrl.h"

namespace kemlog::chart {

void CPlotGrid::SetColour(Colour colour) {
  colour_ = colour;
  if (parent_) parent_->RedrawChart();
}

void CPlotGrid::SetVisible(bool visible) {
  visible_ = visible;
  if (parent_) parent_->RedrawChart();
}

void CPlotGrid::Draw(platform::Canvas& canvas, const Rect& plot) const {
  if (!visible_) return;
  const platform::Pen pen{platform::PenStyle::Solid, 1, colour_};
  canvas.PushClip(plot);
  for (const int b : ticks_) {
    if (horizontal_) {
      for (int y = plot.bottom; y > plot.top; y -= 6) canvas.DrawLine({b, y}, {b, y - 3}, pen);
    } else {
      for (int x = plot.left; x < plot.right; x += 6) canvas.DrawLine({x, b}, {x + 3, b}, pen);
    }
  }
  canvas.PopClip();
}

}  // namespace kemlog::chart
