#include "platform/posix/sysfs_device_list.h"

#include <linux/netlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

namespace kemlog::platform::posix {
namespace {

namespace fs = std::filesystem;

constexpr const char* kWatchVendor = "03eb";
constexpr const char* kWatchProduct = "2404";
constexpr const char* kWatchName = "Communication Device Class ASF example";
// Serial device families a scan probes, in this order.
constexpr std::array<const char*, 3> kPortFamilies = {"ttyACM", "ttyUSB", "ttyS"};
constexpr int kPollIntervalMs = 250;

std::string ReadLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// The family's index and the number after it ("ttyACM3" -> {0, 3}), or {-1, 0}.
std::pair<int, long> PortOrder(const std::string& name) {
  for (size_t f = 0; f < kPortFamilies.size(); ++f) {
    const std::string family = kPortFamilies[f];
    if (name.rfind(family, 0) != 0 || name.size() == family.size()) continue;
    const std::string digits = name.substr(family.size());
    if (!std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); })) continue;
    return {static_cast<int>(f), std::stol(digits)};
  }
  return {-1, 0};
}

// A netlink socket for kernel uevents, or -1.
int OpenUeventSocket() {
  const int fd = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
  if (fd < 0) return -1;
  sockaddr_nl address{};
  address.nl_family = AF_NETLINK;
  address.nl_groups = 1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

bool UeventMeansChange(long received, int error, std::string_view message) {
  // The kernel dropped notices it could not queue; any of them may have been ours.
  if (received < 0) return error == ENOBUFS;
  return message.find("SUBSYSTEM=usb") != std::string_view::npos ||
         message.find("SUBSYSTEM=tty") != std::string_view::npos;
}

SysfsDeviceList::SysfsDeviceList(std::string sysRoot, std::string devRoot, bool useUevents)
    : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)), useUevents_(useUevents) {}

SysfsDeviceList::~SysfsDeviceList() { StopWatching(); }

// The /dev path of the first tty whose device lies below the USB device, or "".
std::string SysfsDeviceList::TtyOf(const std::string& usbDevicePath) const {
  if (usbDevicePath.empty()) return "";
  std::error_code ec;
  std::vector<std::string> found;
  for (fs::directory_iterator it(fs::path(sysRoot_) / "class/tty", ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code linkError;
    const fs::path device = fs::weakly_canonical(it->path() / "device", linkError);
    if (linkError || device.string().rfind(usbDevicePath + "/", 0) != 0) continue;
    found.push_back(it->path().filename().string());
  }
  std::sort(found.begin(), found.end());
  return found.empty() ? "" : devRoot_ + "/" + found.front();
}

std::optional<DeviceEnumeration> SysfsDeviceList::ListUsb() const {
  std::error_code ec;
  fs::directory_iterator it(fs::path(sysRoot_) / "bus/usb/devices", ec);
  if (ec) return std::nullopt;
  DeviceEnumeration list;
  std::vector<fs::path> paths;
  for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) paths.push_back(it->path());
  // A walk that broke off keeps the devices read until then.
  if (ec) list.complete = false;
  std::sort(paths.begin(), paths.end());
  for (const fs::path& link : paths) {
    const std::string vendor = ReadLine(link / "idVendor");
    const std::string product = ReadLine(link / "idProduct");
    if (vendor.empty() || product.empty()) continue;  // interfaces, not devices
    // Where the device's real place cannot be told, it has no port to show.
    std::error_code linkError;
    const fs::path real = fs::weakly_canonical(link, linkError);
    const std::string tty = linkError ? "" : TtyOf(real.string());
    const bool watch = vendor == kWatchVendor && product == kWatchProduct;
    std::string name = watch ? kWatchName : ReadLine(link / "product");
    if (!tty.empty()) name += " (" + tty + ")";
    const std::string id = "USB\\VID_" + Upper(vendor) + "&PID_" + Upper(product);
    const std::string revision = ReadLine(link / "bcdDevice");
    PresentDevice device{name, {}};
    if (!revision.empty()) device.hardwareIds.push_back(id + "&REV_" + Upper(revision));
    device.hardwareIds.push_back(id);
    list.devices.push_back(std::move(device));
  }
  return list;
}

std::optional<DeviceEnumeration> SysfsDeviceList::PresentDevices() {
  // Only USB devices carry the names and ids the program looks for; the list of every device is
  // the USB list where the machine has a USB bus, and empty where it has none.
  auto usb = ListUsb();
  return usb ? usb : std::optional<DeviceEnumeration>(DeviceEnumeration{});
}

std::optional<DeviceEnumeration> SysfsDeviceList::PresentUsbDevices() { return ListUsb(); }

std::vector<std::string> SysfsDeviceList::CandidatePortNames() {
  std::vector<std::pair<std::pair<int, long>, std::string>> ports;
  std::error_code ec;
  for (fs::directory_iterator it(fs::path(sysRoot_) / "class/tty", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const auto order = PortOrder(name);
    if (order.first >= 0) ports.push_back({order, devRoot_ + "/" + name});
  }
  std::sort(ports.begin(), ports.end());
  std::vector<std::string> names;
  for (const auto& port : ports) names.push_back(port.second);
  return names;
}

bool SysfsDeviceList::PortExists(const std::string& name) {
  std::error_code ec;
  if (!fs::exists(name, ec)) return false;
  const std::string base = fs::path(name).filename().string();
  if (base.rfind("ttyS", 0) != 0) return true;
  // Built-in UART slots without hardware behind them report port type 0.
  const std::string type = ReadLine(fs::path(sysRoot_) / "class/tty" / base / "type");
  return !type.empty() && type != "0";
}

void SysfsDeviceList::WatchChanges(std::function<void()> onChange) {
  StopWatching();
  {
    std::lock_guard lock(handlerMutex_);
    onChange_ = std::move(onChange);
    if (!onChange_) return;
  }
  stop_ = false;
  watcher_ = std::thread([this, before = Snapshot()] { Watch(before); });
}

void SysfsDeviceList::StopWatching() {
  stop_ = true;
  if (watcher_.joinable()) watcher_.join();
}

std::string SysfsDeviceList::Snapshot() const {
  std::string snapshot;
  for (const char* folder : {"bus/usb/devices", "class/tty"}) {
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(sysRoot_) / folder, ec), end; !ec && it != end; it.increment(ec))
      snapshot += it->path().filename().string() + "\n";
    // A walk that broke off differs from a whole one, so the next whole walk counts as a change.
    if (ec) snapshot += "?\n";
  }
  return snapshot;
}

// Waits for uevents of the usb and tty subsystems, or compares sysfs snapshots where no uevent
// socket can be had, and calls the handler after each change.
void SysfsDeviceList::Watch(std::string last) {
  const int fd = useUevents_ ? OpenUeventSocket() : -1;
  while (!stop_) {
    bool changed = false;
    if (fd >= 0) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, kPollIntervalMs) > 0) {
        std::array<char, 8192> message{};
        const ssize_t n = recv(fd, message.data(), message.size() - 1, 0);
        const int error = n < 0 ? errno : 0;
        changed = UeventMeansChange(n, error, std::string_view(message.data(), n > 0 ? static_cast<size_t>(n) : 0));
      }
    } else {
      usleep(kPollIntervalMs * 1000);
      const std::string now = Snapshot();
      changed = now != last;
      last = now;
    }
    if (!changed) continue;
    std::function<void()> handler;
    {
      std::lock_guard lock(handlerMutex_);
      handler = onChange_;
    }
    if (handler) handler();
  }
  if (fd >= 0) close(fd);
}

}  // namespace kemlog::platform::posix

namespace kemlog::platform {

std::unique_ptr<DeviceList> SystemDeviceList() { return std::make_unique<posix::SysfsDeviceList>("/sys", "/dev"); }

}  // namespace kemlog::platform
