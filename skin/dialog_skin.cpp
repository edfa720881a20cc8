#include "skin/dialog_skin.h"

namespace kemlog::skin {

namespace {

// The picture of a resource id, or nothing for id 0. A resource that is missing or does not decode
// still gives a (empty) picture: the control then shows nothing of it.
std::optional<CSkinBitmap> Picture(int id) {
  if (id == 0) return std::nullopt;
  CSkinBitmapResource picture;
  LoadPngResource(id, picture);
  return picture;
}

}  // namespace

DialogSkin::~DialogSkin() { Detach(); }

void DialogSkin::Detach() {
  if (ui_ != nullptr) {
    for (const auto& [id, control] : statics_) ui_->SetDelegate(ui_->Control(dialog_, id), nullptr);
  }
  statics_.clear();
  buttons_.clear();
  ui_ = nullptr;
}

void DialogSkin::Attach(platform::Ui& ui, platform::WindowId dialog, const platform::DialogTemplate& tmpl) {
  Detach();
  ui_ = &ui;
  dialog_ = dialog;
  for (const platform::ControlTemplate& c : tmpl.controls) {
    const platform::WindowId control = ui.Control(dialog, c.id);
    if (!control || c.pictures.normal == 0) continue;
    if (c.kind == platform::ControlKind::PictureStatic) {
      auto skinned = std::make_unique<CSkinStatic>();
      skinned->Picture = Picture(c.pictures.normal);
      ui.SetDelegate(control, skinned.get());
      ui.Invalidate(control);
      statics_[c.id] = std::move(skinned);
    } else if (c.kind == platform::ControlKind::PushButton && (c.style & platform::kOwnerDraw) != 0) {
      auto skinned = std::make_unique<CSkinButton>();
      skinned->NormalImage = Picture(c.pictures.normal);
      skinned->PressedImage = Picture(c.pictures.pressed);
      skinned->HoverImage = Picture(c.pictures.hover);
      skinned->Subclass(ui, control);
      buttons_[c.id] = std::move(skinned);
    }
  }
}

CSkinButton* DialogSkin::Button(platform::ControlId id) const {
  auto it = buttons_.find(id);
  return it == buttons_.end() ? nullptr : it->second.get();
}

CSkinStatic* DialogSkin::Static(platform::ControlId id) const {
  auto it = statics_.find(id);
  return it == statics_.end() ? nullptr : it->second.get();
}

void DialogSkin::SetLatched(platform::ControlId id, bool latched) {
  CSkinButton* button = Button(id);
  if (button == nullptr || button->Latched == latched) return;
  button->Latched = latched;
  ui_->Invalidate(ui_->Control(dialog_, id));
}

bool DialogSkin::IsLatched(platform::ControlId id) const {
  const CSkinButton* button = Button(id);
  return button != nullptr && button->Latched;
}

}  // namespace kemlog::skin
