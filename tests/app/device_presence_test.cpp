#include "app/device_presence.h"

#include <gtest/gtest.h>

#include "platform/headless/scripted_device_list.h"
#include "../device/scripted_peer.h"

namespace kemlog::app {
namespace {

using platform::headless::MemoryLink;
using platform::headless::ScriptedDeviceList;
using platform::headless::VirtualClock;
using platform::headless::WatchDevice;

// A machine with one built-in serial port (COM1, silent) and a watch that can be plugged in as COM5.
struct Machine {
  Machine() {
    devices.AddPort("COM1");
    devices.Plug({"USB Keyboard", {"USB\\VID_046D&PID_C31C"}});
    devices.Plug({"USB Mouse", {"USB\\VID_046D&PID_C077"}});
    watchPeer.onLine = [this](const std::string& line) {
      if (line.rfind("$PKRV829*", 0) == 0) watchPeer.SendSentence("PKRV861,10203,161231");
    };
    devices.WatchChanges([this] { OnDeviceChange(port, devices); });
  }
  void PlugWatch() { devices.Plug(WatchDevice("COM5"), "COM5"); }
  void UnplugWatch() {
    watchLink.Unplug();
    devices.Unplug(WatchDevice("COM5").friendlyName);
  }

  VirtualClock clock;
  MemoryLink builtInLink{clock};
  MemoryLink watchLink{clock};
  testing::ScriptedPeer watchPeer{watchLink};
  ScriptedDeviceList devices;
  device::DevicePort port{platform::headless::LinkOpener({{"COM1", &builtInLink}, {"COM5", &watchLink}}), clock};
};

TEST(DevicePresence, PluggingTheWatchInFindsAndOpensItsPort) {
  Machine m;
  m.PlugWatch();
  EXPECT_EQ(m.port.DevicePresent, 1);
  EXPECT_EQ(m.port.portName, "COM5");
  EXPECT_TRUE(m.port.IsOpen());
  EXPECT_NE(m.builtInLink.ProgramOutput().find("PKRV829"), std::string::npos);  // COM1 was probed first
}

TEST(DevicePresence, ANoticeWithoutAChangeStartsNoScan) {
  Machine m;
  m.PlugWatch();
  const int existsBefore = m.devices.PortExistsCalls();
  const int opensBefore = m.watchLink.OpenCount();
  m.devices.Plug({"USB Stick", {"USB\\VID_0781&PID_5567"}});
  EXPECT_EQ(m.port.DevicePresent, 1);
  EXPECT_EQ(m.devices.PortExistsCalls(), existsBefore);
  EXPECT_EQ(m.watchLink.OpenCount(), opensBefore);
  EXPECT_TRUE(m.port.IsOpen());
}

TEST(DevicePresence, PullingTheWatchOutClosesThePortAndForgetsItsName) {
  Machine m;
  m.PlugWatch();
  m.UnplugWatch();
  EXPECT_EQ(m.port.DevicePresent, 0);
  EXPECT_FALSE(m.port.IsOpen());
  EXPECT_EQ(m.port.portName, "");
}

TEST(DevicePresence, DuringAFirmwareTransferOnlyThePortCloses) {
  Machine m;
  m.PlugWatch();
  m.port.FirmwareUpdateActive = 1;
  m.port.FirmwareTransferActive = 1;
  const int existsBefore = m.devices.PortExistsCalls();
  m.UnplugWatch();
  EXPECT_EQ(m.port.DevicePresent, 0);
  EXPECT_FALSE(m.port.IsOpen());
  EXPECT_EQ(m.port.portName, "COM5");
  EXPECT_EQ(m.devices.PortExistsCalls(), existsBefore);  // no scan
}

TEST(DevicePresence, BeforeTheTransferBeginsAChangeOnlyUpdatesPresence) {
  Machine m;
  m.PlugWatch();
  m.port.FirmwareUpdateActive = 1;
  m.devices.Unplug(WatchDevice("COM5").friendlyName);
  EXPECT_EQ(m.port.DevicePresent, 0);
  EXPECT_TRUE(m.port.IsOpen());
}

TEST(DevicePresence, AnUnreadableListIsIgnored) {
  Machine m;
  m.devices.listUnreadable = true;
  m.PlugWatch();
  EXPECT_EQ(m.port.DevicePresent, 0);
  EXPECT_FALSE(m.port.IsOpen());
}

}  // namespace
}  // namespace kemlog::app
