#pragma once
// The device list read from sysfs (under a root that tests can replace), with change notices from
// the kernel's uevents, or from polling sysfs where no uevent socket can be had.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/devices.h"

namespace kemlog::platform::posix {

// Whether one receive from the uevent socket tells of devices that may have come or gone: a message
// of the usb or tty subsystem, or a failed receive with ENOBUFS (notices were lost in a burst, so a
// rescan is due). Other failures (nothing waiting, an interruption) tell of nothing.
bool UeventMeansChange(long received, int error, std::string_view message);

class SysfsDeviceList : public DeviceList {
 public:
  // sysRoot is normally "/sys" and devRoot "/dev". Without uevents, changes are found by polling.
  SysfsDeviceList(std::string sysRoot, std::string devRoot, bool useUevents = true);
  ~SysfsDeviceList() override;

  std::optional<DeviceEnumeration> PresentDevices() override;
  std::optional<DeviceEnumeration> PresentUsbDevices() override;
  std::vector<std::string> CandidatePortNames() override;
  bool PortExists(const std::string& name) override;
  void WatchChanges(std::function<void()> onChange) override;

 private:
  std::string TtyOf(const std::string& usbDevicePath) const;
  std::optional<DeviceEnumeration> ListUsb() const;
  void StopWatching();
  void Watch(std::string last);
  std::string Snapshot() const;

  std::string sysRoot_;
  std::string devRoot_;
  bool useUevents_;
  std::mutex handlerMutex_;
  std::function<void()> onChange_;
  std::thread watcher_;
  std::atomic<bool> stop_{false};
};

}  // namespace kemlog::platform::posix
