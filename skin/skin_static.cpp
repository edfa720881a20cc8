#include "skin/skin_static.h"

namespace kemlog::skin {

void CSkinStatic::Paint(platform::Canvas& canvas, const platform::PaintState& /*state*/) {
  if (!Picture || Picture->Empty()) return;
  const platform::Size size = canvas.SurfaceSize();
  canvas.DrawPicture(platform::Rect{0, 0, size.cx, size.cy}, Picture->Image());
}

}  // namespace kemlog::skin
