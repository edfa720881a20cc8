#include "skin/skin_button.h"

#include "skin/offscreen_dc.h"

namespace kemlog::skin {

using platform::MouseAction;
using platform::MouseButton;

platform::ColourMatrix HoverBrightening() {
  platform::ColourMatrix matrix = platform::ColourMatrix::Identity();
  for (int i = 0; i < 3; ++i) {
    matrix.m[i][i] = 1.05f;
    matrix.m[4][i] = 0.05f;
  }
  return matrix;
}

CSkinButton::~CSkinButton() {
  if (ui_ != nullptr) ui_->SetDelegate(window_, nullptr);
}

void CSkinButton::Subclass(platform::Ui& ui, platform::WindowId control) {
  if (ui_ != nullptr) ui_->SetDelegate(window_, nullptr);
  ui_ = &ui;
  window_ = control;
  client_ = ui.ClientSize(control);
  ui.SetDelegate(control, this);
}

CSkinButton::Look CSkinButton::ChooseLook(const platform::PaintState& state) const {
  if (!NormalImage) return Look::None;
  if (Latched) return Look::Pressed;
  if (state.pressed || down_) return Look::Pressed;
  if (state.hover || hovering_) return Look::Hover;
  return Look::Normal;
}

std::unique_ptr<platform::Canvas> CSkinButton::MakeSurface(platform::Canvas& compatible, const CSkinBitmap& picture,
                                                           const platform::ColourMatrix& matrix) const {
  const platform::Size size = compatible.SurfaceSize();
  auto surface = compatible.CreateSurface(size.cx, size.cy);
  if (!surface) return nullptr;
  if (background_) surface->CopySurface(*background_, {0, 0});
  surface->DrawPicture({0, 0, size.cx, size.cy}, picture.Image(), matrix);
  return surface;
}

void CSkinButton::PrepareSurfaces(platform::Canvas& canvas) {
  if (!NormalImage) return;
  const platform::Size size = canvas.SurfaceSize();
  COffscreenDC offscreen(canvas, {0, 0, size.cx, size.cy});
  platform::Canvas& dc = offscreen.Canvas();
  platform::Picture behind;
  if (!background_ && ui_ != nullptr && ui_->CopyParentPixels(window_, behind)) {
    background_ = dc.CreateSurface(size.cx, size.cy);
    if (background_) background_->DrawPicture({0, 0, size.cx, size.cy}, behind);
  }
  if (!normal_) {
    const platform::ColourMatrix plain = platform::ColourMatrix::Identity();
    normal_ = MakeSurface(dc, *NormalImage, plain);
    if (!pressed_) pressed_ = MakeSurface(dc, PressedImage ? *PressedImage : *NormalImage, plain);
    if (!hover_) hover_ = HoverImage ? MakeSurface(dc, *HoverImage, plain) : MakeSurface(dc, *NormalImage, HoverBrightening());
  }
  // Captured again at the next preparation; used only while surfaces are missing.
  background_.reset();
}

const platform::Canvas* CSkinButton::Prepared(Look look) const {
  switch (look) {
    case Look::Normal:
      return normal_.get();
    case Look::Pressed:
      return pressed_.get();
    case Look::Hover:
      return hover_.get();
    case Look::None:
      break;
  }
  return nullptr;
}

void CSkinButton::Paint(platform::Canvas& canvas, const platform::PaintState& state) {
  const Look look = ChooseLook(state);
  if (look == Look::None) return;
  if (!normal_) PrepareSurfaces(canvas);
  current_ = look;
  if (const platform::Canvas* surface = Prepared(look)) canvas.CopySurface(*surface, {0, 0});
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
