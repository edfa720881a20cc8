#pragma once
// The window around a chart control: what the control needs of the desktop layer. The desktop
// program implements it over its window; tests use a fake.

#include <memory>

#include "chart/plot_types.h"
#include "platform/canvas.h"

namespace kemlog::chart {

enum class PlotCursor : uint8_t { Arrow, Hidden };

class PlotHost {
 public:
  virtual ~PlotHost() = default;
  virtual Size ClientSize() const = 0;
  // An off-screen surface compatible with the window, or nullptr.
  virtual std::unique_ptr<platform::Canvas> CreateSurface(int width, int height) = 0;
  // Asks for a paint of the whole window later.
  virtual void Invalidate() = 0;
  // Paints pending invalid parts now (the control's OnPaint is called before this returns).
  virtual void UpdateNow() = 0;
  virtual void SetCapture() = 0;
  virtual void ReleaseCapture() = 0;
  virtual void SetCursor(PlotCursor cursor) = 0;
};

}  // namespace kemlog::chart
