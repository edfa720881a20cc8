#pragma once
// The log download as the desktop program shows it: the popup's text, rows in the log page's history
// list, entries in its log file list, and the popup's close request at the end.

#include <atomic>
#include <functional>
#include <string>

#include "device/log_download.h"
#include "settings/main_services.h"

namespace kemlog::app {

class PopupDownloadSink : public device::LogDownloadSink {
 public:
  // historyList may be invalid (no log page): rows then go nowhere. addLogFile runs on the
  // user-interface thread, in order, before the popup's close request is handled; firstIndex is the
  // log file list's count when the download starts.
  PopupDownloadSink(settings::MainServices& services, platform::WindowId historyList, int firstIndex,
                    std::function<void(const std::string&)> addLogFile);

  void ShowMessage(const std::string& text) override;
  int LogFileCount() override { return count_.load(); }
  void InsertHistoryRow(int index, const track::HistoryRow& row) override;
  int AddLogFile(const std::string& path) override;
  void ReportFileError(const std::string& message) override;
  void RequestClose() override;

 private:
  settings::MainServices& services_;
  platform::WindowId historyList_;
  std::atomic<int> count_;
  std::function<void(const std::string&)> addLogFile_;
};

}  // namespace kemlog::app
