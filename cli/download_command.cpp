// kemlog-cli download: every log from the watch into GPX files, one row per stored log on stdout.

#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <system_error>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/row_output.h"
#include "cli/watch_connection.h"
#include "device/log_download.h"
#include "device/messages.h"
#include "platform/paths.h"

namespace kemlog::cli {
namespace {

// Prints each stored log as soon as its file is listed (the download adds a log's history row right
// before its file); progress and problems go to stderr.
class ConsoleDownloadSink : public device::LogDownloadSink {
 public:
  ConsoleDownloadSink(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  void ShowMessage(const std::string&) override {}
  void OnProgress(int index, int count) override {
    err_ << "downloading log " << index << " of " << count << '\n' << std::flush;
  }
  int LogFileCount() override { return static_cast<int>(paths_); }
  void InsertHistoryRow(int, const track::HistoryRow& row) override { row_ = row; }
  int AddLogFile(const std::string& path) override {
    PrintRow(out_, row_, path);
    return static_cast<int>(paths_++);
  }
  void ReportFileError(const std::string& message) override {
    ++fileErrors_;
    err_ << "cannot write GPX file: " << message << '\n';
  }
  int FileErrors() const { return fileErrors_; }
  void RequestClose() override {}

 private:
  std::ostream& out_;
  std::ostream& err_;
  track::HistoryRow row_{};
  size_t paths_ = 0;
  int fileErrors_ = 0;
};

const std::map<device::DownloadOutcome, const char*> kFailureTexts = {
    {device::DownloadOutcome::NoAnswer, "the watch did not answer"},
    {device::DownloadOutcome::OutOfMemory, "not enough memory for the watch's log list"},
    {device::DownloadOutcome::TransferFailed, "the download broke off"},
};

int Usage(std::ostream& err, const std::string& problem) {
  err << "kemlog-cli download: " << problem << "\nTry 'kemlog-cli download --help'.\n";
  return 2;
}

}  // namespace

int DownloadCommand(const Args& args, std::ostream& out, std::ostream& err) {
  std::set<std::string> options = kWatchOptions;
  options.insert("--out");
  const Arguments a(args, options, kWatchFlags);
  if (!a.Error().empty()) return Usage(err, a.Error());
  if (!a.Positional().empty()) return Usage(err, "unexpected argument " + a.Positional().front());
  std::string problem;
  const std::optional<DemoOptions> demo = ParseDemoOptions(a, problem);
  if (!demo) return Usage(err, problem);

  const std::string folder = a.Value("--out").value_or(platform::DefaultLogFolder());
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    err << "kemlog-cli download: cannot create " << folder << ": " << ec.message() << '\n';
    return 1;
  }
  WatchConnection watch;
  if (!watch.Connect(a, *demo, err, "download")) return 1;

  ConsoleDownloadSink sink(out, err);
  device::DeviceLink link = watch.Port().Link();
  const device::DownloadOutcome outcome = device::LogDownloadWorker(link, folder, sink);
  if (outcome == device::DownloadOutcome::NoLogs) err << "the watch holds no log\n";
  const auto failure = kFailureTexts.find(outcome);
  if (failure == kFailureTexts.end()) {
    if (sink.FileErrors() == 0) return 0;
    err << "kemlog-cli download: " << sink.FileErrors() << " of the listed GPX files could not be written\n";
    return 1;
  }
  err << "kemlog-cli download: " << failure->second << " (" << sink.LogFileCount() << " logs stored)\n"
      << device::kConnectionMessage << '\n';
  return 1;
}

}  // namespace kemlog::cli
