#pragma once
// The program's two pages in the main window's slots: the log data page with its graph panel, and
// the settings page.

#include <memory>
#include <string>
#include <vector>

#include "app/main_pages.h"
#include "settings/main_services.h"
#include "settings/setting_dlg.h"
#include "viewer/graph_panel.h"
#include "viewer/log_data_dlg.h"

namespace kemlog::app {

class LogPageSlot : public MainLogPage {
 public:
  LogPageSlot(settings::MainServices& services, viewer::LogPageOptions options);

  bool CreateInPlaceholder(platform::WindowId parent, platform::ControlId placeholder) override;
  platform::WindowId Window() const override { return page_.Window(); }
  platform::WindowId HistoryList() const override { return page_.HistoryList(); }
  int AddLogFile(const std::string& path) override { return page_.AddLogFile(path); }
  std::vector<std::string> LogFilePaths() const override { return page_.LogFilePaths(); }
  void ClearLogFiles() override { page_.ClearLogFiles(); }
  void RefreshLogCount() override { page_.RefreshLogCount(); }
  void LayoutLogPage(int width, int height) override { page_.LayoutLogPage(width, height); }

  viewer::CLogDataDlg& Page() { return page_; }

 private:
  // The panel holds listeners on the page's chart, so it is declared after the page and goes first.
  viewer::CLogDataDlg page_;
  viewer::CGraphPanel panel_;
};

class SettingPageSlot : public MainPage {
 public:
  explicit SettingPageSlot(settings::MainServices& services) : page_(services) {}

  bool CreateInPlaceholder(platform::WindowId parent, platform::ControlId placeholder) override {
    return page_.CreateInPlaceholder(parent, placeholder);
  }
  platform::WindowId Window() const override { return page_.Window(); }

  settings::CSettingDlg& Page() { return page_; }

 private:
  settings::CSettingDlg page_;
};

// Makers of both pages; the log page with the given options (its graph hooks are the panel's).
PageMakers ProgramPages(viewer::LogPageOptions options = {});

}  // namespace kemlog::app
