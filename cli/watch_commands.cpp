// kemlog-cli ports, version, gps-update and firmware-update: finding and maintaining the watch.

#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/watch_connection.h"
#include "device/firmware_update.h"
#include "device/gps_data_update.h"
#include "device/messages.h"
#include "device/port_discovery.h"
#include "device/version_query.h"
#include "platform/clock.h"
#include "platform/serial.h"

namespace kemlog::cli {
namespace {

int Usage(std::ostream& err, const std::string& command, const std::string& problem) {
  err << "kemlog-cli " << command << ": " << problem << "\nTry 'kemlog-cli " << command << " --help'.\n";
  return 2;
}

// The progress popup on a terminal: a bar on stderr, and a wait until the transfer asks to close.
class ConsoleFirmwareUi : public device::FirmwareUpdateUi {
 public:
  explicit ConsoleFirmwareUi(std::ostream& err) : err_(err) {}

  void RunProgressPopup() override {
    {
      std::lock_guard lock(mutex_);
      err_ << device::kUpdatingMessage << '\n';
    }
    std::unique_lock lock(mutex_);
    closed_.wait(lock, [this] { return closeRequested_; });
    err_ << '\n';
  }
  void SetProgress(int percent) override {
    std::lock_guard lock(mutex_);
    if (percent == shown_) return;
    shown_ = percent;
    const int filled = percent / 2;
    err_ << "\r[" << std::string(static_cast<size_t>(filled), '#') << std::string(static_cast<size_t>(50 - filled), ' ')
         << "] " << percent << "%" << std::flush;
  }
  void ShowMessage(const std::string& text) override {
    std::lock_guard lock(mutex_);
    err_ << '\n' << text << '\n';
  }
  void RequestClose() override {
    std::lock_guard lock(mutex_);
    closeRequested_ = true;
    closed_.notify_all();
  }
  void ShowConnectionMessage() override {
    std::lock_guard lock(mutex_);
    err_ << device::kConnectionMessage << '\n';
  }

 private:
  std::ostream& err_;
  std::mutex mutex_;
  std::condition_variable closed_;
  bool closeRequested_ = false;
  int shown_ = -1;
};

const char* FirmwareOutcomeText(device::FirmwareUpdateOutcome outcome) {
  switch (outcome) {
    case device::FirmwareUpdateOutcome::Completed: return "firmware update completed";
    case device::FirmwareUpdateOutcome::NotReachable: return "cannot reach the watch";
    case device::FirmwareUpdateOutcome::InvalidImage: return "not a ZQN-4170 firmware image (.bin starting with \"KRV ZQN 4170\")";
    case device::FirmwareUpdateOutcome::Refused: return "the watch refused to switch to its boot loader";
    case device::FirmwareUpdateOutcome::NoBootLoader: return "the boot loader did not answer";
    case device::FirmwareUpdateOutcome::TransferFailed: return "the transfer broke off";
  }
  return "unknown outcome";
}

}  // namespace

int PortsCommand(const Args& args, std::ostream& out, std::ostream& err) {
  const Arguments a(args, {}, {});
  if (!a.Error().empty() || !a.Positional().empty()) return Usage(err, "ports", "takes no arguments");
  const auto devices = platform::SystemDeviceList();
  const auto present = devices->PresentDevices();
  out << "present devices:\n";
  if (!present) out << "  (the device list cannot be read)\n";
  for (const auto& device : present ? present->devices : std::vector<platform::PresentDevice>{})
    out << "  " << (device.friendlyName.empty() ? "(no name)" : device.friendlyName) << '\n';
  std::string found;
  const int byName = device::FindDevicePort(*devices, found);
  out << "watch by friendly name: " << (byName && !found.empty() ? found : "none") << '\n';
  out << "serial ports answering the identification request:\n";
  device::DevicePort port(platform::OpenSerialPort, platform::SystemClock());
  for (const std::string& name : devices->CandidatePortNames()) {
    if (!devices->PortExists(name)) continue;
    out << "  " << name << (port.ProbeDevicePort(name) ? "  watch" : "  no answer") << '\n' << std::flush;
    port.CloseDevicePort();
  }
  return 0;
}

int VersionCommand(const Args& args, std::ostream& out, std::ostream& err) {
  const Arguments a(args, kWatchOptions, kWatchFlags);
  if (!a.Error().empty() || !a.Positional().empty()) return Usage(err, "version", a.Error().empty() ? "takes no arguments" : a.Error());
  std::string problem;
  const std::optional<DemoOptions> demo = ParseDemoOptions(a, problem);
  if (!demo) return Usage(err, "version", problem);
  WatchConnection watch;
  if (!watch.Connect(a, *demo, err, "version")) return 1;
  device::DeviceLink link = watch.Port().Link();
  const device::VersionAnswer answer = device::AskDeviceVersion(link);
  if (!answer.answered) {
    err << "kemlog-cli version: the watch did not answer\n" << device::kConnectionMessage << '\n';
    return 1;
  }
  out << answer.text << '\n';
  return 0;
}

int GpsUpdateCommand(const Args& args, std::ostream& out, std::ostream& err) {
  const Arguments a(args, kWatchOptions, kWatchFlags);
  if (!a.Error().empty() || a.Positional().size() != 1) return Usage(err, "gps-update", "needs one FILE");
  std::string problem;
  const std::optional<DemoOptions> demo = ParseDemoOptions(a, problem);
  if (!demo) return Usage(err, "gps-update", problem);
  const std::string& path = a.Positional()[0];
  const auto showMessage = [&err](const std::string& text) { err << text << '\n'; };
  if (!device::CheckGpsDataFile(path, showMessage)) return 1;
  WatchConnection watch;
  if (!watch.Connect(a, *demo, err, "gps-update")) return 1;
  err << device::kUpdatingMessage << '\n';
  device::DeviceLink link = watch.Port().Link();
  const device::GpsDataSendResult result = device::SendGpsData(link, path, showMessage);
  out << "GPS data " << (result.dataSent ? "sent" : "not sent") << ", information block "
      << (result.infoSent ? "sent" : "not sent") << '\n';
  err << device::kDoneMessage << '\n';
  return result.Complete() ? 0 : 1;
}

int FirmwareUpdateCommand(const Args& args, std::ostream& out, std::ostream& err) {
  const Arguments a(args, kWatchOptions, kWatchFlags);
  if (!a.Error().empty() || a.Positional().size() != 1) return Usage(err, "firmware-update", "needs one FILE.bin");
  std::string problem;
  const std::optional<DemoOptions> demo = ParseDemoOptions(a, problem);
  if (!demo) return Usage(err, "firmware-update", problem);
  const std::string& path = a.Positional()[0];
  if (!device::CheckFirmwareFile(path)) {
    err << "kemlog-cli firmware-update: " << FirmwareOutcomeText(device::FirmwareUpdateOutcome::InvalidImage) << '\n';
    return 1;
  }
  WatchConnection watch;
  if (!watch.Connect(a, *demo, err, "firmware-update")) return 1;
  ConsoleFirmwareUi ui(err);
  const device::FirmwareUpdateOutcome outcome = device::RunFirmwareUpdate(watch.Port(), watch.Devices(), path, ui);
  (outcome == device::FirmwareUpdateOutcome::Completed ? out : err) << FirmwareOutcomeText(outcome) << '\n';
  return outcome == device::FirmwareUpdateOutcome::Completed ? 0 : 1;
}

}  // namespace kemlog::cli
