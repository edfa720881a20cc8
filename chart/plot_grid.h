#pragma once
// The dashed grid of an axis across the plotting area, one line per tick.

#include <vector>

#include "chart/plot_types.h"

namespace kemlog::chart {

class CPlotCtrl;

class CPlotGrid {
 public:
  Colour GetColour() const { return colour_; }
  void SetColour(Colour colour);
  bool IsVisible() const { return visible_; }
  void SetVisible(bool visible);
  // A horizontal axis's grid draws vertical lines.
  void SetHorizontal(bool horizontal) { horizontal_ = horizontal; }
  void SetParent(CPlotCtrl* parent) { parent_ = parent; }

  void ClearTicks() { ticks_.clear(); }
  void AddTick(int pixel) { ticks_.push_back(pixel); }
  const std::vector<int>& Ticks() const { return ticks_; }

  // Dashes of 3 pixels every 6 across the plotting rectangle, clipped to it.
  void Draw(platform::Canvas& canvas, const Rect& plot) const;

 private:
  Colour colour_ = Rgb(128, 128, 128);
  CPlotCtrl* parent_ = nullptr;
  bool visible_ = true;
  std::vector<int> ticks_;  // tick pixels of the latest drawing of the axis
  bool horizontal_ = true;
};

}  // namespace kemlog::chart
