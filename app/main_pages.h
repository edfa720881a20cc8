#pragma once
// The two pages as the main window drives them. The log data page and the settings page implement
// these through small adapters; the main window runs with an empty slot when a page is not given.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui_types.h"
#include "settings/main_services.h"

namespace kemlog::app {

class MainPage {
 public:
  virtual ~MainPage() = default;
  // Creates the page as a child of parent over the placeholder control; false when it failed.
  virtual bool CreateInPlaceholder(platform::WindowId parent, platform::ControlId placeholder) = 0;
  virtual platform::WindowId Window() const = 0;
};

// What the main window, the Load button and the close button need of the log data page.
class MainLogPage : public MainPage {
 public:
  // The history list control, where the download inserts its rows.
  virtual platform::WindowId HistoryList() const = 0;
  virtual int AddLogFile(const std::string& path) = 0;
  // The GPX paths of the log file list, in list order.
  virtual std::vector<std::string> LogFilePaths() const = 0;
  virtual void ClearLogFiles() = 0;
  virtual void RefreshLogCount() = 0;
  virtual void LayoutLogPage(int width, int height) = 0;
};

// Makers of the pages; an empty maker leaves that slot empty (its placeholder stays).
struct PageMakers {
  std::function<std::unique_ptr<MainLogPage>(settings::MainServices&)> logPage;
  std::function<std::unique_ptr<MainPage>(settings::MainServices&)> settingPage;
};

}  // namespace kemlog::app
