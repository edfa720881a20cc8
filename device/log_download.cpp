#include "device/log_download.h"

#include <new>
#include <optional>
#include <vector>

#include "device/block_transfer.h"
#include "device/messages.h"
#include "device/sentence.h"
#include "track/device_time.h"
#include "track/gpx_file.h"
#include "track/log_records.h"

namespace kemlog::device {
namespace {

constexpr int kAccepted = 3;

// A zeroed payload buffer of count records, or nothing when it does not fit or cannot be had.
std::optional<std::vector<uint8_t>> AllocatePayload(uint64_t count, size_t recordSize) {
  const auto size = track::PayloadSize(count, recordSize);
  if (!size) return std::nullopt;
  try {
    return std::vector<uint8_t>(*size);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

// Sends a data request and tells whether the watch accepted it with "PKRV900,<n>,3".
// nullopt: no answer at all.
std::optional<bool> RequestAccepted(DeviceLink& link, const std::string& body) {
  SendSentence(link, body);
  const std::optional<ReplyFields> reply = WaitReplyFields(link, 900, kReplyBudget);
  if (!reply) return std::nullopt;
  return reply->second == kAccepted;
}

class Download {
 public:
  Download(DeviceLink& link, const std::string& folder, LogDownloadSink& sink)
      : link_(link), folder_(folder), sink_(sink) {}

  DownloadOutcome Run() {
    link_.Purge();
    const std::optional<int> count = LogCount();
    if (!count) return QuietEnd(DownloadOutcome::NoAnswer);
    if (*count <= 0) return QuietEnd(DownloadOutcome::NoLogs);
    std::optional<std::vector<uint8_t>> summaries = AllocatePayload(static_cast<uint64_t>(*count), track::kLogSummarySize);
    if (!summaries) return QuietEnd(DownloadOutcome::OutOfMemory);
    if (RequestAccepted(link_, FormatBody("PKRV712,0,%d", *count)) != true || !ReceiveBlocks(link_, *summaries))
      return FailureEnd();
    link_.Sleep(kBetweenRequestsMs);

    const std::vector<track::LogSummaryRecord> records = track::DecodeLogSummaries(*summaries);
    for (size_t i = 0; i < records.size(); ++i) {
      const int number = static_cast<int>(i) + 1;
      sink_.ShowMessage(FormatBody(kHistoryLogMessage, number));
      sink_.OnProgress(number, *count);
      if (!FetchLog(records[i])) return FailureEnd();
      link_.Sleep(kBetweenRequestsMs);
    }
    return QuietEnd(DownloadOutcome::Completed);
  }

 private:
  std::optional<int> LogCount() {
    SendSentence(link_, "PKRV711");
    const std::optional<ReplyFields> reply = WaitReplyFields(link_, 611, kReplyBudget);
    if (!reply) return std::nullopt;
    return reply->first;
  }

  // Fetches and stores one log; false ends the download with the failure notice. A log that the
  // watch refuses is skipped and counts as done.
  bool FetchLog(track::LogSummaryRecord summary) {
    const std::optional<bool> accepted =
        RequestAccepted(link_, FormatBody("PKRV713,%d,%d", summary.pointStart, static_cast<int>(summary.pointCount)));
    if (!accepted) return false;
    if (!*accepted) return true;
    std::optional<std::vector<uint8_t>> payload = AllocatePayload(summary.pointCount, track::kTrackPointSize);
    if (!payload || !ReceiveBlocks(link_, *payload)) return false;
    const std::vector<track::TrackPointRecord> points = track::DecodeTrackPoints(*payload);
    track::WriteGpxFile(points, track::kLocalTimeOffset, summary, folder_,
                        [this](const std::string& message) { sink_.ReportFileError(message); });
    sink_.InsertHistoryRow(sink_.LogFileCount(), track::DownloadHistoryRow(summary));
    sink_.AddLogFile(track::GpxFilePath(folder_, summary.startTime));
    return true;
  }

  DownloadOutcome QuietEnd(DownloadOutcome outcome) {
    sink_.RequestClose();
    return outcome;
  }

  DownloadOutcome FailureEnd() {
    sink_.ShowMessage(kConnectionMessage);
    link_.Sleep(kFailureNoticeMs);
    sink_.RequestClose();
    return DownloadOutcome::TransferFailed;
  }

  DeviceLink& link_;
  const std::string& folder_;
  LogDownloadSink& sink_;
};

}  // namespace

DownloadOutcome LogDownloadWorker(DeviceLink& link, const std::string& logFolder, LogDownloadSink& sink) {
  return Download(link, logFolder, sink).Run();
}

}  // namespace kemlog::device
