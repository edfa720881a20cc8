#include "viewer/map_view.h"

#include "resources/dialog_templates.h"

namespace kemlog::viewer {

CMapView::~CMapView() {
  // The window must not outlive its handler.
  if (self_) ui_.DestroyWindow(self_);
}

bool CMapView::CreateInPlaceholder(platform::WindowId parent, platform::ControlId placeholder) {
  const platform::DialogTemplate* dialog = resources::FindDialogTemplate(resources::kMapHostDialog);
  if (dialog == nullptr || !platform::CreateInPlaceOf(ui_, *dialog, parent, placeholder, *this)) return false;
  if (platform::WebView* view = ui_.WebViewOf(ui_.Control(self_, resources::kMapBrowser))) {
    host_ = std::make_unique<map::CHtmlMapDlg>(*view);
  }
  return true;
}

// A shown or hidden map repaints as a whole, so no part of the "Connecting..." line stays on it.
void CMapView::OnShow(bool /*shown*/) { ui_.Invalidate(self_, true); }

void CMapView::OnDestroy() {
  host_.reset();  // the web view goes with the window
  self_ = {};
}

}  // namespace kemlog::viewer
