#pragma once
// A push button that shows one of three pictures: normal at rest, pressed while held down (or
// always while `Latched`), hover while the mouse is over it. Without a hover picture the hover
// look is the normal picture brightened. Without a normal picture the button draws nothing.
//
// The owner writes the picture members before the button first paints; the pictures shown are
// prepared at that first paint and kept for the button's life, so later writes are not shown.
// Each picture is drawn stretched over the client area and alpha blended over what lies behind.

#include <optional>

#include "platform/ui.h"
#include "skin/skin_bitmap.h"

namespace kemlog::skin {

class CSkinButton : public platform::ControlDelegate {
 public:
  enum class Look { None, Normal, Pressed, Hover };

  // Show the pressed picture whatever the mouse does (tabs of the active page or view).
  bool Latched = false;
  std::optional<CSkinBitmap> NormalImage;
  // Without it (while NormalImage is set) the pressed look is the normal picture.
  std::optional<CSkinBitmap> PressedImage;
  std::optional<CSkinBitmap> HoverImage;
  // The pixels behind the button (the size of its client area), when the owner has them. Set before
  // the first paint, each prepared picture is this background with the picture stretched over it and
  // alpha blended once; an empty picture then leaves the background alone. Unset, the pictures are
  // kept as they are and the canvas blends them over what lies behind at every paint.
  std::optional<CSkinBitmap> Background;

  void Paint(platform::Canvas& canvas, const platform::PaintState& state) override;
  void OnMouse(const platform::MouseEvent& event) override;
  void OnSize(platform::Size client) override { client_ = client; }

  // The look a paint in this state shows; None without NormalImage.
  Look ChooseLook(const platform::PaintState& state) const;
  // The prepared picture of a look, nullptr before the first paint or for None.
  const CSkinBitmap* Prepared(Look look) const;
  // The look of the last paint (None before it).
  Look CurrentLook() const { return current_; }

  bool Hovering() const { return hovering_; }
  bool HeldDown() const { return down_; }
  // Left-button releases over the button after a press on it; a double-click counts as a press.
  int Clicks() const { return clicks_; }

 private:
  struct Surfaces {
    CSkinBitmap normal;
    CSkinBitmap pressed;
    CSkinBitmap hover;
  };
  void Prepare();
  bool Inside(platform::Point at) const;

  std::optional<Surfaces> surfaces_;
  std::optional<platform::Size> client_;
  Look current_ = Look::None;
  bool hovering_ = false;
  bool down_ = false;
  int clicks_ = 0;
};

}  // namespace kemlog::skin
