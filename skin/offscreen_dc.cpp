#include "skin/offscreen_dc.h"

namespace kemlog::skin {

COffscreenDC::COffscreenDC(platform::Canvas& target, const platform::Rect& rect) : target_(target), rect_(rect) {
  if (rect_.Width() <= 0 || rect_.Height() <= 0) {
    const platform::Size size = target.SurfaceSize();
    rect_ = {0, 0, size.cx, size.cy};
  }
  if (rect_.Width() > 0 && rect_.Height() > 0) surface_ = target.CreateSurface(rect_.Width(), rect_.Height());
}

COffscreenDC::~COffscreenDC() {
  if (surface_) target_.CopySurface(*surface_, {rect_.left, rect_.top});
}

}  // namespace kemlog::skin
