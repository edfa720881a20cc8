#pragma once
// The log download: every log stored on the watch, fetched and stored as a GPX file, one history row
// and one log file list entry per stored log.

#include <string>

#include "device/device_link.h"
#include "track/history_row.h"

namespace kemlog::device {

// What the download reports to whoever shows it (the desktop program's popup and pages, the CLI, the
// tests). Called on the thread that runs the download.
class LogDownloadSink {
 public:
  virtual ~LogDownloadSink() = default;
  // The popup's text: "履歷%d" for the log being fetched, or the connection message on failure.
  virtual void ShowMessage(const std::string& text) = 0;
  // Log i (from 1) of count is being fetched.
  virtual void OnProgress(int /*index*/, int /*count*/) {}
  // Number of entries in the log file list, where the next row goes.
  virtual int LogFileCount() = 0;
  virtual void InsertHistoryRow(int index, const track::HistoryRow& row) = 0;
  virtual int AddLogFile(const std::string& path) = 0;
  // A GPX file could not be written; the row and entry are still added.
  virtual void ReportFileError(const std::string& message) = 0;
  // The download is over; the popup may close.
  virtual void RequestClose() = 0;
};

enum class DownloadOutcome {
  Completed,       // every log was fetched (logs refused by the watch are skipped)
  NoLogs,          // the watch holds no log
  NoAnswer,        // the watch did not answer the log count request
  OutOfMemory,     // the summaries do not fit in memory
  TransferFailed,  // a request went unanswered or a transfer failed; earlier logs stay stored
};

// Waits between logs and before the failure notice closes (milliseconds).
inline constexpr uint32_t kBetweenRequestsMs = 100;
inline constexpr uint32_t kFailureNoticeMs = 3000;

// Runs the whole exchange on an open link and stores the files in logFolder. Ends with
// sink.RequestClose() on every path.
DownloadOutcome LogDownloadWorker(DeviceLink& link, const std::string& logFolder, LogDownloadSink& sink);

}  // namespace kemlog::device
