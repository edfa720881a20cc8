#include "platform/posix/sysfs_device_list.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <random>

namespace kemlog::platform::posix {
namespace {

namespace fs = std::filesystem;

// A small sysfs and /dev: the watch on ttyACM0, a keyboard, two UART slots of which one is real.
class FakeSysfs : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kemlog-sysfs-" + std::to_string(std::random_device()()));
    AddUsb("1-1", "03eb", "2404", "0110", "ZQN-4170");
    fs::create_directories(Sys("devices/usb1/1-1/1-1:1.0"));
    AddTty("ttyACM0", Sys("devices/usb1/1-1/1-1:1.0"));
    AddUsb("1-2", "046d", "c31c", "", "USB Keyboard");
    AddTty("ttyS0", Sys("devices/platform/serial8250"), "4");
    AddTty("ttyS1", Sys("devices/platform/serial8250"), "0");
    AddTty("ttyS10", Sys("devices/platform/serial8250"), "4");
    AddTty("ttyS2", Sys("devices/platform/serial8250"), "4");
    AddTty("tty0", Sys("devices/virtual/tty"));
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path Sys(const std::string& relative) const { return root_ / "sys" / relative; }
  std::string Dev(const std::string& name) const { return (root_ / "dev" / name).string(); }
  void Write(const fs::path& file, const std::string& text) { std::ofstream(file) << text << "\n"; }

  void AddUsb(const std::string& bus, const std::string& vendor, const std::string& product, const std::string& rev,
              const std::string& name) {
    const fs::path device = Sys("devices/usb1/" + bus);
    fs::create_directories(device);
    Write(device / "idVendor", vendor);
    Write(device / "idProduct", product);
    if (!rev.empty()) Write(device / "bcdDevice", rev);
    Write(device / "product", name);
    fs::create_directories(Sys("bus/usb/devices"));
    fs::create_directory_symlink(device, Sys("bus/usb/devices/" + bus));
  }
  void AddTty(const std::string& name, const fs::path& device, const std::string& type = "") {
    fs::create_directories(device);
    fs::create_directories(Sys("class/tty/" + name));
    fs::create_directory_symlink(device, Sys("class/tty/" + name + "/device"));
    if (!type.empty()) Write(Sys("class/tty/" + name + "/type"), type);
    fs::create_directories(root_ / "dev");
    std::ofstream(Dev(name)).put('\0');
  }
  SysfsDeviceList List(bool uevents = false) { return SysfsDeviceList((root_ / "sys").string(), (root_ / "dev").string(), uevents); }

  fs::path root_;
};

TEST_F(FakeSysfs, TheWatchGetsItsFriendlyNameAndHardwareIds) {
  auto list = List();
  const auto devices = list.PresentDevices();
  ASSERT_TRUE(devices);
  ASSERT_EQ(devices->devices.size(), 2u);
  EXPECT_EQ(devices->devices[0].friendlyName, "Communication Device Class ASF example (" + Dev("ttyACM0") + ")");
  EXPECT_EQ(devices->devices[0].hardwareIds,
            (std::vector<std::string>{"USB\\VID_03EB&PID_2404&REV_0110", "USB\\VID_03EB&PID_2404"}));
  EXPECT_EQ(devices->devices[1].friendlyName, "USB Keyboard");
  EXPECT_EQ(devices->devices[1].hardwareIds, std::vector<std::string>{"USB\\VID_046D&PID_C31C"});
}

TEST_F(FakeSysfs, PortsComeInFamilyAndNumberOrderAndEmptyUartSlotsDoNotExist) {
  auto list = List();
  EXPECT_EQ(list.CandidatePortNames(),
            (std::vector<std::string>{Dev("ttyACM0"), Dev("ttyS0"), Dev("ttyS1"), Dev("ttyS2"), Dev("ttyS10")}));
  EXPECT_TRUE(list.PortExists(Dev("ttyACM0")));
  EXPECT_TRUE(list.PortExists(Dev("ttyS0")));
  EXPECT_FALSE(list.PortExists(Dev("ttyS1")));
  EXPECT_FALSE(list.PortExists(Dev("ttyUSB0")));
}

TEST_F(FakeSysfs, NoUsbBusMeansNoUsbList) {
  fs::remove_all(Sys("bus/usb"));
  auto list = List();
  EXPECT_FALSE(list.PresentUsbDevices());
  ASSERT_TRUE(list.PresentDevices());
  EXPECT_TRUE(list.PresentDevices()->devices.empty());
}

TEST_F(FakeSysfs, PollingNoticesADeviceComing) {
  auto list = List(false);
  std::mutex mutex;
  std::condition_variable changed;
  int notices = 0;
  list.WatchChanges([&] {
    std::lock_guard lock(mutex);
    ++notices;
    changed.notify_all();
  });
  AddUsb("1-3", "0781", "5567", "0100", "USB Stick");
  std::unique_lock lock(mutex);
  EXPECT_TRUE(changed.wait_for(lock, std::chrono::seconds(3), [&] { return notices > 0; }));
  lock.unlock();
  list.WatchChanges({});
}

}  // namespace
}  // namespace kemlog::platform::posix
