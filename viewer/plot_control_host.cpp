#include "viewer/plot_control_host.h"

namespace kemlog::viewer {

CPlotControlHost::~CPlotControlHost() { Detach(); }

void CPlotControlHost::Attach(platform::WindowId control) {
  Detach();
  if (!control) return;
  control_ = control;
  ui_.SetDelegate(control_, this);
  chart_.Attach(this);
}

void CPlotControlHost::Detach() {
  if (!control_) return;
  chart_.Attach(nullptr);
  ui_.SetDelegate(control_, nullptr);
  control_ = {};
}

platform::Size CPlotControlHost::ClientSize() const { return ui_.ClientSize(control_); }

std::unique_ptr<platform::Canvas> CPlotControlHost::CreateSurface(int width, int height) {
  return ui_.CreateSurface(control_, width, height);
}

void CPlotControlHost::Invalidate() { ui_.Invalidate(control_, false); }

void CPlotControlHost::UpdateNow() { ui_.UpdateNow(control_); }

void CPlotControlHost::SetCapture() { ui_.SetCapture(control_); }

void CPlotControlHost::ReleaseCapture() { ui_.ReleaseCapture(); }

// The toolkit has no hidden cursor: over the plotting area the cursor stays as it is.
void CPlotControlHost::SetCursor(chart::PlotCursor cursor) {
  if (cursor == chart::PlotCursor::Arrow) ui_.SetCursor(platform::CursorKind::Arrow);
}

void CPlotControlHost::Paint(platform::Canvas& canvas, const platform::PaintState& /*state*/) {
  chart_.OnPaint(canvas);
}

void CPlotControlHost::OnMouse(const platform::MouseEvent& event) {
  const chart::MouseButton button =
      event.button == platform::MouseButton::Right ? chart::MouseButton::Right : chart::MouseButton::Left;
  switch (event.action) {
    case platform::MouseAction::Down:
      chart_.OnButtonDown(button, event.at);
      break;
    case platform::MouseAction::Up:
      chart_.OnButtonUp(button, event.at);
      break;
    case platform::MouseAction::DoubleClick:
      chart_.OnDoubleClick(button, event.at);
      break;
    case platform::MouseAction::Move:
      chart_.OnMouseMove(event.at);
      break;
    case platform::MouseAction::Leave:
      break;
  }
}

void CPlotControlHost::OnSize(platform::Size /*client*/) { chart_.OnSize(); }

}  // namespace kemlog::viewer
