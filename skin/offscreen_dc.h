#pragma once
// An off-screen drawing surface over a rectangle of a canvas: drawing goes to the surface, and the
// destructor copies the surface onto the target at the rectangle.
// When no surface can be made, drawing goes straight to the target.

#include <memory>

#include "platform/canvas.h"

namespace kemlog::skin {

class COffscreenDC {
 public:
  // An empty rectangle means the whole target.
  COffscreenDC(platform::Canvas& target, const platform::Rect& rect);
  ~COffscreenDC();
  COffscreenDC(const COffscreenDC&) = delete;
  COffscreenDC& operator=(const COffscreenDC&) = delete;

  // Where to draw; its (0, 0) is the rectangle's top-left corner.
  platform::Canvas& Canvas() { return surface_ ? *surface_ : target_; }
  bool OffScreen() const { return surface_ != nullptr; }
  const platform::Rect& Area() const { return rect_; }

 private:
  platform::Canvas& target_;
  platform::Rect rect_;
  std::unique_ptr<platform::Canvas> surface_;
};

}  // namespace kemlog::skin
