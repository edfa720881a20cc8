#include "app/program_pages.h"

#include <utility>

namespace kemlog::app {

LogPageSlot::LogPageSlot(settings::MainServices& services, viewer::LogPageOptions options)
    : page_(services, std::move(options)), panel_(page_.Chart(), [this](double latitude, double longitude) {
        if (map::CHtmlMapDlg* map = page_.MapView().Host()) map->SetPos(latitude, longitude);
      }) {}

// The graph's set-up runs during the page's initialisation, so the hooks go in first.
bool LogPageSlot::CreateInPlaceholder(platform::WindowId parent, platform::ControlId placeholder) {
  page_.SetGraphHooks(viewer::GraphHooks{
      [this](chart::CPlotCtrl&) { panel_.SetUp(); },
      [this](std::span<const track::tagTrackLog> points, uint32_t largestDistance) {
        panel_.FillGraph(points, largestDistance);
      },
  });
  return page_.CreateInPlaceholder(parent, placeholder);
}

PageMakers ProgramPages(viewer::LogPageOptions options) {
  PageMakers pages;
  pages.logPage = [options](settings::MainServices& services) -> std::unique_ptr<MainLogPage> {
    return std::make_unique<LogPageSlot>(services, options);
  };
  pages.settingPage = [](settings::MainServices& services) -> std::unique_ptr<MainPage> {
    return std::make_unique<SettingPageSlot>(services);
  };
  return pages;
}

}  // namespace kemlog::app
