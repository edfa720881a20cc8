#pragma once
// Puts a chart control into a custom control of a dialog: the control's paints, size changes and
// mouse go to the chart, and the chart's surface, invalidation, capture and cursor go to the toolkit.

#include <memory>

#include "chart/plot_ctrl.h"
#include "chart/plot_host.h"
#include "platform/ui.h"

namespace kemlog::viewer {

class CPlotControlHost : public chart::PlotHost, public platform::ControlDelegate {
 public:
  CPlotControlHost(platform::Ui& ui, chart::CPlotCtrl& chart) : ui_(ui), chart_(chart) {}
  ~CPlotControlHost() override;
  CPlotControlHost(const CPlotControlHost&) = delete;
  CPlotControlHost& operator=(const CPlotControlHost&) = delete;

  // Binds the chart to the control (an invalid control unbinds it).
  void Attach(platform::WindowId control);
  void Detach();
  platform::WindowId Control() const { return control_; }

  // PlotHost.
  platform::Size ClientSize() const override;
  std::unique_ptr<platform::Canvas> CreateSurface(int width, int height) override;
  void Invalidate() override;
  void UpdateNow() override;
  void SetCapture() override;
  void ReleaseCapture() override;
  void SetCursor(chart::PlotCursor cursor) override;

  // ControlDelegate.
  void Paint(platform::Canvas& canvas, const platform::PaintState& state) override;
  void OnMouse(const platform::MouseEvent& event) override;
  void OnSize(platform::Size client) override;

 private:
  platform::Ui& ui_;
  chart::CPlotCtrl& chart_;
  platform::WindowId control_;
};

}  // namespace kemlog::viewer
