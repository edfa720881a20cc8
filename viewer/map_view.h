#pragma once
// The map view of the log data page: the map host's dialog (template 151) created over the page's
// "Map" placeholder, with the host's script calls going to the web view of its browser control.

#include <memory>
#include <string>

#include "map/html_map_host.h"
#include "platform/ui.h"

namespace kemlog::viewer {

class CMapView : public platform::DialogHandler {
 public:
  explicit CMapView(platform::Ui& ui) : ui_(ui) {}
  ~CMapView() override;
  CMapView(const CMapView&) = delete;
  CMapView& operator=(const CMapView&) = delete;

  // Replaces the placeholder control of `parent` by the host dialog, in the placeholder's rectangle
  // shrunk by 2 pixels on every side, on top of its siblings and shown. False (and no window) when
  // the placeholder does not exist or the dialog cannot be made.
  bool CreateInPlaceholder(platform::WindowId parent, platform::ControlId placeholder);

  platform::WindowId Window() const { return self_; }
  // The host of the map page; nullptr before creation or when the dialog holds no web view.
  map::CHtmlMapDlg* Host() const { return host_.get(); }

  // DialogHandler.
  void OnInitDialog(platform::WindowId self) override { self_ = self; }
  void OnShow(bool shown) override;
  void OnDestroy() override;

 private:
  platform::Ui& ui_;
  platform::WindowId self_;
  std::unique_ptr<map::CHtmlMapDlg> host_;
};

}  // namespace kemlog::viewer
