#include "platform/posix/sysfs_device_list.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// Makes `levels` nested folders of 200-character names below `base` (working relative to folder
// descriptors, as the whole path may be longer than the system takes at once) and returns the
// relative path through them.
std::string MakeNestedFolders(const fs::path& base, int levels) {
  const std::string part(200, 'd');
  std::string relative;
  int fd = ::open(base.c_str(), O_DIRECTORY | O_CLOEXEC);
  for (int i = 0; i < levels && fd >= 0; ++i) {
    ::mkdirat(fd, part.c_str(), 0755);
    const int next = ::openat(fd, part.c_str(), O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    fd = next;
    relative += (relative.empty() ? "" : "/") + part;
  }
  if (fd >= 0) ::close(fd);
  return relative;
}

TEST_F(FakeSysfs, ADeviceWhoseRealPlaceCannotBeToldShowsNoPort) {
  // The device folder lies deeper than a path can name: two hops of 15 folders each. Its files can
  // be read through the bus link, but its real path cannot be worked out.
  const fs::path usb1 = Sys("devices/usb1");
  const std::string firstHop = MakeNestedFolders(usb1, 15);
  fs::create_directory_symlink(firstHop, usb1 / "hop1");
  const std::string secondHop = MakeNestedFolders(usb1 / "hop1", 15);
  fs::create_directory_symlink(secondHop, usb1 / "hop1" / "hop2");
  const fs::path device = usb1 / "hop1" / "hop2";
  Write(device / "idVendor", "0781");
  Write(device / "idProduct", "5567");
  Write(device / "product", "Deep Device");
  fs::create_directory_symlink(device, Sys("bus/usb/devices/1-9"));
  std::error_code ec;
  (void)fs::weakly_canonical(Sys("bus/usb/devices/1-9"), ec);
  ASSERT_TRUE(ec) << "the fixture should make the real path unknowable";

  auto list = List();
  const auto devices = list.PresentUsbDevices();
  ASSERT_TRUE(devices);
  EXPECT_TRUE(devices->complete);
  ASSERT_EQ(devices->devices.size(), 3u);
  EXPECT_EQ(devices->devices[0].friendlyName, "Communication Device Class ASF example (" + Dev("ttyACM0") + ")");
  EXPECT_EQ(devices->devices[1].friendlyName, "USB Keyboard");
  EXPECT_EQ(devices->devices[2].friendlyName, "Deep Device") << "no other device's port";
  EXPECT_EQ(devices->devices[2].hardwareIds, std::vector<std::string>{"USB\\VID_0781&PID_5567"});
}

TEST_F(FakeSysfs, FoldersThatCannotBeWalkedGiveNothingInsteadOfFailing) {
  struct Case {
    const char* replaced;  // folder replaced by a plain file
    size_t ports;
    bool usbList;
  };
  const Case cases[] = {{"class/tty", 0, true}, {"bus/usb/devices", 5, false}};
  for (const Case& c : cases) {
    SetUp();
    fs::remove_all(Sys(c.replaced));
    Write(Sys(c.replaced), "not a folder");
    auto list = List();
    EXPECT_EQ(list.CandidatePortNames().size(), c.ports) << c.replaced;
    EXPECT_EQ(list.PresentUsbDevices().has_value(), c.usbList) << c.replaced;
    if (c.usbList) {
      // Without a tty folder the watch is still listed, only without its port.
      EXPECT_EQ(list.PresentUsbDevices()->devices.at(0).friendlyName, "Communication Device Class ASF example")
          << c.replaced;
    }
    TearDown();
  }
  SetUp();
}

TEST(UeventMeansChange, UsbAndTtyMessagesAndLostNoticesCallForARescan) {
  using namespace std::string_view_literals;
  struct Case {
    long received;
    int error;
    std::string_view message;
    bool change;
  };
  const Case cases[] = {
      {40, 0, "add@/devices/usb1/1-3\0ACTION=add\0SUBSYSTEM=usb\0"sv, true},
      {40, 0, "remove@/devices/virtual/tty/ttyACM0 SUBSYSTEM=tty", true},
      {40, 0, "change@/devices/system/cpu SUBSYSTEM=cpu", false},
      {0, 0, "", false},
      {-1, ENOBUFS, "", true},
      {-1, EAGAIN, "", false},
      {-1, EINTR, "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UeventMeansChange(c.received, c.error, c.message), c.change) << c.received << " " << c.error << " "
                                                                           << c.message;
  }
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
