#include "skin/skin_button.h"

#include <utility>

namespace kemlog::skin {

using platform::MouseAction;
using platform::MouseButton;

CSkinButton::Look CSkinButton::ChooseLook(const platform::PaintState& state) const {
  if (!NormalImage) return Look::None;
  if (Latched) return Look::Pressed;
  if (state.pressed || down_) return Look::Pressed;
  if (state.hover || hovering_) return Look::Hover;
  return Look::Normal;
}

void CSkinButton::Prepare() {
  if (surfaces_ || !NormalImage) return;
  Surfaces s;
  s.normal = *NormalImage;
  s.pressed = PressedImage ? *PressedImage : *NormalImage;
  s.hover = HoverImage ? *HoverImage : Brighten(*NormalImage);
  if (Background && !Background->Empty()) {
    s.normal = BlendOver(*Background, s.normal);
    s.pressed = BlendOver(*Background, s.pressed);
    s.hover = BlendOver(*Background, s.hover);
  }
  surfaces_ = std::move(s);
}

const CSkinBitmap* CSkinButton::Prepared(Look look) const {
  if (!surfaces_) return nullptr;
  switch (look) {
    case Look::Normal:
      return &surfaces_->normal;
    case Look::Pressed:
      return &surfaces_->pressed;
    case Look::Hover:
      return &surfaces_->hover;
    case Look::None:
      break;
  }
  return nullptr;
}

void CSkinButton::Paint(platform::Canvas& canvas, const platform::PaintState& state) {
  const Look look = ChooseLook(state);
  if (look == Look::None) return;
  Prepare();
  current_ = look;
  const CSkinBitmap* picture = Prepared(look);
  if (picture == nullptr || picture->Empty()) return;
  const platform::Size size = canvas.SurfaceSize();
  canvas.DrawPicture(platform::Rect{0, 0, size.cx, size.cy}, picture->Width(), picture->Height(),
                     picture->Pixels());
}

bool CSkinButton::Inside(platform::Point at) const {
  if (!client_) return true;  // size not told yet: the toolkit sends only events over the button
  return platform::RectXywh(0, 0, client_->cx, client_->cy).Contains(at);
}

void CSkinButton::OnMouse(const platform::MouseEvent& event) {
  switch (event.action) {
    case MouseAction::Move:
      hovering_ = Inside(event.at);
      break;
    case MouseAction::Leave:
      hovering_ = false;
      down_ = false;
      break;
    case MouseAction::Down:
    case MouseAction::DoubleClick:  // quick successive clicks each count
      if (event.button == MouseButton::Left) {
        down_ = true;
        hovering_ = Inside(event.at);
      }
      break;
    case MouseAction::Up:
      if (event.button == MouseButton::Left) {
        if (down_ && Inside(event.at)) ++clicks_;
        down_ = false;
      }
      break;
  }
}

}  // namespace kemlog::skin
