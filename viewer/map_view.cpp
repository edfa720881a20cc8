#include "viewer/map_view.h"

#include "resources/dialog_templates.h"

namespace kemlog::viewer {

namespace {

platform::Rect Shrunk(const platform::Rect& r, int by) {
  return platform::Rect{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

}  // namespace

CMapView::~CMapView() {
  // The window must not outlive its handler.
  if (self_) ui_.DestroyWindow(self_);
}

bool CMapView::CreateInPlaceholder(platform::WindowId parent, platform::ControlId placeholder) {
  const platform::WindowId spot = ui_.Control(parent, placeholder);
  const platform::DialogTemplate* dialog = resources::FindDialogTemplate(resources::kMapHostDialog);
  if (!spot || dialog == nullptr) return false;
  const platform::Rect rect = ui_.Geometry(spot);
  ui_.DestroyWindow(spot);
  if (!ui_.CreateChildDialog(*dialog, parent, *this)) return false;
  ui_.Move(self_, Shrunk(rect, 2), true);
  ui_.BringToTop(self_);
  ui_.Show(self_, true);
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
