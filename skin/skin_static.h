#pragma once
// A static control that paints one picture stretched over its client area, and nothing without one.

#include <optional>

#include "platform/ui.h"
#include "skin/skin_bitmap.h"

namespace kemlog::skin {

class CSkinStatic : public platform::ControlDelegate {
 public:
  // The owner sets it and then invalidates the control.
  std::optional<CSkinBitmap> Picture;

  void Paint(platform::Canvas& canvas, const platform::PaintState& state) override;
};

}  // namespace kemlog::skin
