#pragma once
// A push button that shows one of three pictures: normal at rest, pressed while held down (or
// always while `Latched`), hover while the mouse is over it. Without a hover picture the hover
// look is the normal picture brightened. Without a normal picture the button draws nothing.
//
// Before its first paint the button copies its parent's pixels behind it and blends each picture,
// stretched over its client area, once over them into a surface of its own; every paint after
// that copies one of the prepared surfaces. Pictures written into the members after the first
// paint are therefore not shown.

#include <memory>
#include <optional>

#include "platform/ui.h"
#include "skin/skin_bitmap.h"

namespace kemlog::skin {

// The colour matrix of the brightened hover picture: red, green and blue times 1.05 plus 0.05 of
// full scale, alpha unchanged.
platform::ColourMatrix HoverBrightening();

class CSkinButton : public platform::ControlDelegate {
 public:
  enum class Look { None, Normal, Pressed, Hover };

  CSkinButton() = default;
  ~CSkinButton() override;
  CSkinButton(const CSkinButton&) = delete;
  CSkinButton& operator=(const CSkinButton&) = delete;

  // Show the pressed picture whatever the mouse does (tabs of the active page or view).
  bool Latched = false;
  std::optional<CSkinBitmap> NormalImage;
  // Without it (while NormalImage is set) the pressed look is the normal picture.
  std::optional<CSkinBitmap> PressedImage;
  std::optional<CSkinBitmap> HoverImage;

  // Takes over painting and the mouse of an owner-drawn push button; the button's parent provides
  // the pixels behind it. Detached again when the button object ends.
  void Subclass(platform::Ui& ui, platform::WindowId control);

  void Paint(platform::Canvas& canvas, const platform::PaintState& state) override;
  void OnMouse(const platform::MouseEvent& event) override;
  void OnSize(platform::Size client) override { client_ = client; }

  // The look a paint in this state shows; None without NormalImage.
  Look ChooseLook(const platform::PaintState& state) const;
  // The prepared surface of a look, nullptr before the first paint or for None.
  const platform::Canvas* Prepared(Look look) const;
  // The look of the last paint (None before it).
  Look CurrentLook() const { return current_; }

  bool Hovering() const { return hovering_; }
  bool HeldDown() const { return down_; }
  // Left-button releases over the button after a press on it; a double-click counts as a press.
  int Clicks() const { return clicks_; }

 private:
  // The colour request before the first paint: captures the background and prepares the surfaces.
  void PrepareSurfaces(platform::Canvas& canvas);
  std::unique_ptr<platform::Canvas> MakeSurface(platform::Canvas& compatible, const CSkinBitmap& picture,
                                                const platform::ColourMatrix& matrix) const;
  bool Inside(platform::Point at) const;

  platform::Ui* ui_ = nullptr;
  platform::WindowId window_;
  std::unique_ptr<platform::Canvas> background_;
  std::unique_ptr<platform::Canvas> normal_;
  std::unique_ptr<platform::Canvas> pressed_;
  std::unique_ptr<platform::Canvas> hover_;
  std::optional<platform::Size> client_;
  Look current_ = Look::None;
  bool hovering_ = false;
  bool down_ = false;
  int clicks_ = 0;
};

}  // namespace kemlog::skin
