#pragma once
// The skinned controls of one dialog, made from the picture ids its template gives: a CSkinStatic
// for each picture static and a CSkinButton for each owner-drawn push button, each with its
// pictures loaded from the program's PNG resources. The owner makes one in its dialog
// initialisation, before the controls first paint, and keeps it as long as the dialog.

#include <map>
#include <memory>

#include "platform/ui.h"
#include "skin/skin_button.h"
#include "skin/skin_static.h"

namespace kemlog::skin {

class DialogSkin {
 public:
  DialogSkin() = default;
  DialogSkin(const DialogSkin&) = delete;
  DialogSkin& operator=(const DialogSkin&) = delete;
  // Detaches the statics (the buttons detach themselves).
  ~DialogSkin();

  // Skins every control of `dialog` (a window made from `tmpl`) that has a normal picture id, after
  // dropping the controls of an earlier window.
  void Attach(platform::Ui& ui, platform::WindowId dialog, const platform::DialogTemplate& tmpl);
  void Detach();

  // nullptr when the control is not skinned.
  CSkinButton* Button(platform::ControlId id) const;
  CSkinStatic* Static(platform::ControlId id) const;

  // Latches (or releases) a tab button and repaints it.
  void SetLatched(platform::ControlId id, bool latched);
  bool IsLatched(platform::ControlId id) const;

 private:
  platform::Ui* ui_ = nullptr;
  platform::WindowId dialog_;
  std::map<platform::ControlId, std::unique_ptr<CSkinButton>> buttons_;
  std::map<platform::ControlId, std::unique_ptr<CSkinStatic>> statics_;
};

}  // namespace kemlog::skin
