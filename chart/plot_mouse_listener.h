#pragma once
// What a series tells about mouse events over its line.

#include <cstdint>

#include "chart/plot_types.h"

namespace kemlog::chart {

class CPlotSeriesBase;

// The point index of an event near the line but away from every point.
inline constexpr uint32_t kNoPoint = 0xFFFFFFFFu;

class CPlotSeriesMouseListener {
 public:
  virtual ~CPlotSeriesMouseListener() = default;
  // `x`, `y`: the pointer in client pixels; `index`: the point under it, or kNoPoint.
  virtual void OnSeriesMouseEvent(PlotMouseEvent event, int x, int y, CPlotSeriesBase& series, uint32_t index) = 0;
};

}  // namespace kemlog::chart
