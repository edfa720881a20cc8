// Pulling the watch out: the watch itself, and the headless device that tests and the demo plug in.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/sentence.h"
#include "platform/headless/scripted_device_list.h"
#include "platform/headless/virtual_clock.h"
#include "sim/headless_watch_device.h"
#include "sim/simulated_watch.h"
#include "watch_client.h"

namespace kemlog::sim {
namespace {

using testing::BodyOf;
using testing::Split;
using testing::WatchClient;

struct Watch {
  Watch() : watch(GenerateWatchLogs(7, 2, 40)) {}
  SimulatedWatch watch;
  WatchClient c{watch};
};

// Unplugged in each state that sends on its own or on input: nothing comes out, nothing is taken,
// and after Replug the watch answers again with nothing left of the exchange.
TEST(Unplug, WatchTakesNothingAndSendsNothing) {
  struct Case {
    const char* name;
    void (*setUp)(WatchClient&);
  };
  const Case cases[] = {
      {"idle", [](WatchClient&) {}},
      {"sending logs", [](WatchClient& c) {
         c.Send("PKRV712,0,2");
         c.Sentence();
       }},
      {"inside a chunk's bytes", [](WatchClient& c) {
         c.Send("PKRV704,100");
         c.Sentence();
         c.Send("PKRV901,100,00000000");
         c.Sentence();
         c.Send("PKRV902,0,100,00000000");
         c.Sentence();
         c.Write(std::string(10, 'x'));
       }},
      {"boot loader telling its text", [](WatchClient& c) {
         c.Send("PKRV806");
         c.Sentence();
         c.Write('q');
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Watch w;
    k.setUp(w.c);
    const bool bootLoader = w.watch.InBootLoader();
    w.watch.Unplug();
    EXPECT_TRUE(w.watch.Unplugged());
    w.c.TakeText();  // sent before the cable went
    const WatchStats before = w.watch.Stats();
    for (const char* body : {"PKRV829", "PKRV711", "PKRV900,901,3"}) w.c.Send(body);
    for (char ch : {'q', 'a', 'u'}) w.c.Write(static_cast<uint8_t>(ch));
    w.c.Wait(10000);
    w.c.Run(100);
    EXPECT_EQ(w.c.Pending(), 0u) << w.c.PendingText();
    EXPECT_EQ(w.watch.Stats().sentencesReceived, before.sentencesReceived);
    EXPECT_EQ(w.watch.Stats().bytesSent, before.bytesSent);

    w.watch.Replug();
    EXPECT_FALSE(w.watch.Unplugged());
    EXPECT_EQ(w.watch.InBootLoader(), bootLoader);
    if (bootLoader) {
      w.c.Write('a');
      EXPECT_EQ(w.c.TakeText(), "a");
    } else {
      w.c.Send("PKRV829");
      EXPECT_EQ(Split(w.c.Sentence()).at(0), "PKRV861");
      w.c.Wait(30000);
      EXPECT_EQ(w.c.Pending(), 0u) << "a transfer outlived the power-up: " << w.c.PendingText();
    }
  }
}

bool WriteLine(platform::SerialPort& port, const std::string& body) {
  const std::string line = device::FormatSentence(body);
  return port.Write(reinterpret_cast<const uint8_t*>(line.data()), line.size()) == static_cast<int>(line.size());
}

std::string ReadLine(platform::SerialPort& port) {
  std::string line;
  for (int idle = 0; idle < 100 && (line.empty() || line.back() != '\n');) {
    uint8_t b = 0;
    const int n = port.Read(&b, 1);
    if (n < 0) return line;
    if (n == 0) ++idle;
    if (n == 1) line.push_back(static_cast<char>(b));
  }
  return line;
}

// What a change handler sees at each notice: whether the watch is listed, its port exists, the
// opener gives a port, and whether a port opened earlier still works.
struct Seen {
  bool listed;
  bool portExists;
  bool opens;
  bool earlierPortWorks;
  bool operator==(const Seen&) const = default;
};

TEST(HeadlessWatchDevice, PluggedInAndPulledOut) {
  platform::headless::VirtualClock clock;
  platform::headless::ScriptedDeviceList list;
  HeadlessWatchDevice device(clock, GenerateWatchLogs(5, 2, 30));
  platform::SerialOpener open = device.Opener();
  const platform::SerialSettings settings{115200};
  std::unique_ptr<platform::SerialPort> earlier;
  std::vector<Seen> seen;
  list.WatchChanges([&] {
    bool listed = false;
    for (const platform::PresentDevice& d : list.PresentUsbDevices().value_or(platform::DeviceEnumeration{}).devices) {
      for (const std::string& id : d.hardwareIds) listed = listed || id.find("VID_03EB&PID_2404") != std::string::npos;
    }
    uint8_t b = 0;
    seen.push_back({listed, list.PortExists("COM7"), open("COM7", settings) != nullptr,
                    earlier != nullptr && earlier->Read(&b, 1) >= 0});
  });

  // Not plugged yet: no port.
  EXPECT_FALSE(device.Plugged());
  EXPECT_EQ(open("COM7", settings), nullptr);

  device.Plug(list, "COM7");
  ASSERT_EQ(seen, (std::vector<Seen>{{true, true, true, false}}));
  EXPECT_TRUE(device.Plugged());
  EXPECT_EQ(device.PortName(), "COM7");
  EXPECT_EQ(open("COM8", settings), nullptr);
  earlier = open("COM7", settings);
  ASSERT_NE(earlier, nullptr);
  ASSERT_TRUE(WriteLine(*earlier, "PKRV829"));
  EXPECT_EQ(BodyOf(ReadLine(*earlier)), "PKRV861,10203,161231");
  device.Plug(list, "COM9");  // already plugged: nothing changes
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(device.PortName(), "COM7");

  // Pulled out in the middle of a transfer: at the notice the line is already dead.
  ASSERT_TRUE(WriteLine(*earlier, "PKRV712,0,2"));
  device.Unplug();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1], (Seen{false, false, false, false}));
  uint8_t b = 0;
  EXPECT_LT(earlier->Read(&b, 1), 0);
  EXPECT_LT(earlier->Write(&b, 1), 0);
  EXPECT_FALSE(device.Plugged());
  device.Unplug();  // not plugged: no notice
  EXPECT_EQ(seen.size(), 2u);

  // Back in: a fresh port answers, and the old exchange is gone.
  device.Plug(list, "COM7");
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2], (Seen{true, true, true, true}));
  auto again = open("COM7", settings);
  ASSERT_NE(again, nullptr);
  ASSERT_TRUE(WriteLine(*again, "PKRV711"));
  EXPECT_EQ(Split(BodyOf(ReadLine(*again)).value_or("")).at(0), "PKRV611");
  int completed = -1;
  device.WithWatch([&](SimulatedWatch& w) { completed = w.Stats().payloadsCompleted; });
  EXPECT_EQ(completed, 0);
  list.WatchChanges({});  // the device pulls itself out when destroyed, after what the handler uses
}

}  // namespace
}  // namespace kemlog::sim
