#include "device/port_discovery.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/headless/scripted_device_list.h"
#include "scripted_peer.h"

namespace kemlog::device {
namespace {

using platform::PresentDevice;
using platform::headless::MemoryLink;
using platform::headless::ScriptedDeviceList;
using platform::headless::VirtualClock;
using testing::ScriptedPeer;

struct NameCase {
  const char* name;
  std::vector<PresentDevice> devices;
  int result;
  const char* portName;
};

TEST(FindDevicePort, ReadsThePortNameFromTheFriendlyName) {
  const std::vector<NameCase> cases = {
      {"COM12", {{"Communication Device Class ASF example (COM12)", {}}}, 1, "COM12"},
      {"no brackets", {{"Communication Device Class ASF example", {}}}, 1, ""},
      {"first match wins",
       {{"USB Mass Storage", {}}, {"", {}}, {"Communication Device Class ASF example (COM3)", {}},
        {"Communication Device Class ASF example (COM4)", {}}},
       1, "COM3"},
      {"case-sensitive marker", {{"communication device class asf example (COM5)", {}}}, 0, "unchanged"},
      {"linux device path", {{"Communication Device Class ASF example (/dev/ttyACM0)", {}}}, 1, "/dev/ttyACM0"},
      {"nothing present", {}, 0, "unchanged"},
  };
  for (const NameCase& c : cases) {
    ScriptedDeviceList devices;
    for (const PresentDevice& d : c.devices) devices.Plug(d);
    std::string portName = "unchanged";
    EXPECT_EQ(FindDevicePort(devices, portName), c.result) << c.name;
    EXPECT_EQ(portName, c.portName) << c.name;
  }
}

TEST(FindDevicePort, AListThatCannotBeReadCountsAsFoundWithTheNameUnchanged) {
  for (bool unreadable : {true, false}) {
    ScriptedDeviceList devices;
    devices.Plug({"Keyboard", {}});
    devices.listUnreadable = unreadable;
    devices.walkBreaksOff = !unreadable;
    std::string portName = "COM7";
    EXPECT_EQ(FindDevicePort(devices, portName), 1);
    EXPECT_EQ(portName, "COM7");
  }
}

// Serial ports on in-memory links; some of them answered by a scripted watch.
struct Ports {
  explicit Ports(std::vector<std::string> names) {
    for (const std::string& name : names) {
      links.push_back(std::make_unique<MemoryLink>(clock));
      peers.push_back(std::make_unique<ScriptedPeer>(*links.back()));
      byName[name] = links.back().get();
      devices.AddPort(name);
    }
  }
  // The port's peer answers the identification request like the watch (or with another sentence).
  void AnswerProbe(size_t index, const std::string& firstBody = "") {
    ScriptedPeer& peer = *peers[index];
    peer.onLine = [&peer, firstBody](const std::string& line) {
      if (line.rfind("$PKRV829*", 0) != 0) return;
      if (!firstBody.empty()) peer.SendSentence(firstBody);
      peer.SendSentence("PKRV861,10203,161231");
    };
  }
  std::string Written(size_t index) const { return links[index]->ProgramOutput(); }

  VirtualClock clock;
  std::vector<std::unique_ptr<MemoryLink>> links;
  std::vector<std::unique_ptr<ScriptedPeer>> peers;
  std::map<std::string, MemoryLink*> byName;
  ScriptedDeviceList devices;
  DevicePort port{[this](const std::string& name, const platform::SerialSettings& settings) {
                    return platform::headless::LinkOpener(byName)(name, settings);
                  },
                  clock};
};

TEST(ScanDevicePorts, ProbesEveryExistingPortAndGivesUpWithoutAWatch) {
  Ports p({"COM1", "COM3"});
  std::string portName = "before";
  EXPECT_FALSE(ScanDevicePorts(p.port, p.devices, portName));
  EXPECT_EQ(portName, "before");
  EXPECT_FALSE(p.port.IsOpen());
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(p.Written(i), FormatSentence("PKRV829"));
    EXPECT_EQ(p.links[i]->OpenCount(), 1);
    EXPECT_EQ(p.links[i]->OpenNow(), 0);  // closed again
  }
  EXPECT_GE(p.clock.TickCount(), 1000u);  // about 500 ms per silent port
  EXPECT_LT(p.clock.TickCount(), 1020u);
  EXPECT_EQ(p.devices.PortExistsCalls(), 255);
}

TEST(ScanDevicePorts, TheLowestAnsweringPortWinsAndStaysOpen) {
  Ports p({"COM0", "COM1"});
  p.AnswerProbe(0);
  p.AnswerProbe(1);
  std::string portName;
  EXPECT_TRUE(ScanDevicePorts(p.port, p.devices, portName));
  EXPECT_EQ(portName, "COM0");
  EXPECT_TRUE(p.port.IsOpen());
  EXPECT_EQ(p.links[1]->OpenCount(), 0);
}

TEST(ScanDevicePorts, APortThatSaysSomethingElseFirstIsNotTheWatch) {
  Ports p({"COM2", "COM5"});
  p.AnswerProbe(0, "PKRV555,1");
  p.AnswerProbe(1);
  std::string portName;
  EXPECT_TRUE(ScanDevicePorts(p.port, p.devices, portName));
  EXPECT_EQ(portName, "COM5");
}

TEST(EnsureDevicePort, ReopensTheNameFoundAtStartWithoutScanning) {
  Ports p({"COM4"});
  p.port.portName = "COM4";
  p.port.nameFoundAtStart = 1;
  EnsureDevicePort(p.port, p.devices);
  EXPECT_TRUE(p.port.IsOpen());
  EXPECT_EQ(p.port.DevicePresent, 1);
  EXPECT_EQ(p.Written(0), "");  // opened, nothing sent
  EXPECT_EQ(p.devices.PortExistsCalls(), 0);
  EnsureDevicePort(p.port, p.devices);  // already open: nothing happens
  EXPECT_EQ(p.links[0]->OpenCount(), 1);
}

TEST(EnsureDevicePort, ScansAndOpensWhatTheScanFound) {
  Ports p({"COM6"});
  p.AnswerProbe(0);
  EnsureDevicePort(p.port, p.devices);
  EXPECT_EQ(p.port.foundByScan, 1);
  EXPECT_EQ(p.port.portName, "COM6");
  EXPECT_TRUE(p.port.IsOpen());
  EXPECT_EQ(p.links[0]->OpenCount(), 2);  // the probe, then the open proper
}

TEST(EnsureDevicePort, StaysClosedWhenNoWatchAnswers) {
  Ports p({"COM6"});
  EnsureDevicePort(p.port, p.devices);
  EXPECT_EQ(p.port.foundByScan, 0);
  EXPECT_FALSE(p.port.IsOpen());
}

TEST(DevicePort, ClosingWithoutAnOpenPortChangesNothing) {
  Ports p({"COM1"});
  EXPECT_FALSE(p.port.CloseDevicePort());
  p.port.portName = "COM1";
  ASSERT_TRUE(p.port.OpenDevicePort());
  DeviceLink inUse = p.port.Link();
  EXPECT_TRUE(p.port.CloseDevicePort());
  EXPECT_FALSE(p.port.CloseDevicePort());
  EXPECT_EQ(inUse.ReadByte(), -1);  // an exchange still holding the port sees it closed
  EXPECT_EQ(inUse.Write("x"), -1);
}

}  // namespace
}  // namespace kemlog::device
