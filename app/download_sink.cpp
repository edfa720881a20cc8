#include "app/download_sink.h"
#include "resources/program_texts.h"

#include <utility>

namespace kemlog::app {

namespace {
constexpr const char* kMessageCaption = resources::kProductName;
}

PopupDownloadSink::PopupDownloadSink(settings::MainServices& services, platform::WindowId historyList,
                                     int firstIndex, std::function<void(const std::string&)> addLogFile)
    : services_(services), historyList_(historyList), count_(firstIndex), addLogFile_(std::move(addLogFile)) {}

void PopupDownloadSink::ShowMessage(const std::string& text) {
  services_.popupMessage.Set(text);
  services_.popup.Invalidate();
}

// List rows may be set from any thread; the toolkit carries them out on the user-interface thread.
void PopupDownloadSink::InsertHistoryRow(int index, const track::HistoryRow& row) {
  const int at = services_.ui.InsertListRow(historyList_, index, row[0]);
  if (at < 0) return;
  for (size_t column = 1; column < row.size(); ++column) {
    services_.ui.SetListCell(historyList_, at, static_cast<int>(column), row[column]);
  }
}

// The page's list belongs to the user-interface thread: the entry is handed over there. The close
// request is posted after it, so the entry is in the list when the popup has closed.
int PopupDownloadSink::AddLogFile(const std::string& path) {
  const int index = count_.fetch_add(1);
  services_.ui.Post([add = addLogFile_, path] {
    if (add) add(path);
  });
  return index;
}

void PopupDownloadSink::ReportFileError(const std::string& message) {
  platform::Ui& ui = services_.ui;
  const platform::WindowId owner = services_.mainWindow;
  ui.Post([&ui, owner, message] { ui.ShowMessageBox(owner, message, kMessageCaption); });
}

void PopupDownloadSink::RequestClose() { services_.popup.RequestPopupClose(); }

}  // namespace kemlog::app
