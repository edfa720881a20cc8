// The settings page as a user meets it, on the headless toolkit inside a main window, with the
// simulated watch plugged in as COM5 (its port not yet open) or missing: the layout, the five
// buttons, the file dialogs answered, the popups and message boxes seen, and what the watch got.

#include "settings/setting_dlg.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "device/firmware_update.h"
#include "device/gps_data_update.h"
#include "device/messages.h"
#include "platform/headless/headless_ui.h"
#include "platform/headless/scripted_device_list.h"
#include "platform/serial.h"
#include "resources/dialog_templates.h"
#include "sim/headless_watch_device.h"
#include "tests/device/test_files.h"

namespace kemlog::settings {
namespace {

namespace fs = std::filesystem;
namespace res = resources;
using platform::ControlId;
using platform::CursorKind;
using platform::RectXywh;
using platform::WindowId;
using platform::headless::HeadlessUi;
using platform::headless::ScriptedDeviceList;
using platform::headless::VirtualClock;
using testing::FirmwareImageBytes;
using testing::FirmwarePacketData;
using testing::GpsDataFileBytes;

const std::string kConnection = device::kConnectionMessage;
const std::string kUpdating = device::kUpdatingMessage;
const std::string kDone = device::kDoneMessage;

// On a real machine the firmware worker starts sending only well after the progress popup has
// opened; here it is quicker than that. While the gate is shut, reads and writes of threads other than
// the test's own wait (bounded) until a popup has opened.
class WorkerGate {
 public:
  bool enabled = true;
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }
  void Pass() {
    if (!enabled || std::this_thread::get_id() == uiThread_) return;
    std::unique_lock lock(mutex_);
    opened_.wait_for(lock, std::chrono::seconds(5), [this] { return open_; });
  }

 private:
  const std::thread::id uiThread_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

class GatedPort : public platform::SerialPort {
 public:
  GatedPort(std::unique_ptr<platform::SerialPort> inner, WorkerGate& gate) : inner_(std::move(inner)), gate_(gate) {}
  int Read(uint8_t* buffer, size_t size) override {
    gate_.Pass();
    return inner_->Read(buffer, size);
  }
  int Write(const uint8_t* data, size_t size) override {
    gate_.Pass();
    return inner_->Write(data, size);
  }
  void Purge() override { inner_->Purge(); }
  void DiscardInput() override { inner_->DiscardInput(); }

 private:
  std::unique_ptr<platform::SerialPort> inner_;
  WorkerGate& gate_;
};

platform::SerialOpener GatedOpener(platform::SerialOpener opener, WorkerGate& gate) {
  return [opener = std::move(opener), &gate](const std::string& name, const platform::SerialSettings& settings)
             -> std::unique_ptr<platform::SerialPort> {
    std::unique_ptr<platform::SerialPort> port = opener(name, settings);
    if (!port) return nullptr;
    return std::make_unique<GatedPort>(std::move(port), gate);
  };
}

// What one run of the popup showed: at its opening, and as it ended.
struct SeenPopup {
  std::string text;
  bool exitShown = false;
  bool barShown = false;
  bool progressMode = false;
  bool noticeMode = false;
  bool gpsJobMode = false;
  CursorKind cursor = CursorKind::Arrow;
  std::string messageAtEnd;
  int barAtEnd = -1;
};

// The real popup, watched: each run is recorded, and a popup that waits for the user (Exit shown)
// is closed by the user pressing Exit.
class WatchedPopup : public CPopUpDlg {
 public:
  WatchedPopup(HeadlessUi& ui, VirtualClock& clock, PopupMessage& message, WorkerGate& gate)
      : CPopUpDlg(ui, clock, message), ui_(ui), message_(message), gate_(gate) {}

  void OnInitDialog(WindowId self) override {
    CPopUpDlg::OnInitDialog(self);
    SeenPopup seen;
    seen.text = ui_.Text(ui_.Control(self, res::kPopupMessageLine));
    seen.exitShown = ui_.IsVisible(ui_.Control(self, res::kPopupExit));
    seen.barShown = ui_.IsVisible(ui_.Control(self, res::kPopupProgress));
    seen.progressMode = ProgressMode;
    seen.noticeMode = NoticeMode;
    seen.gpsJobMode = GpsDataJobMode;
    seen.cursor = ui_.Cursor();
    runs.push_back(seen);
    if (seen.exitShown) ui_.QueueStep([this, self] { ui_.PressButton(ui_.Control(self, res::kPopupExit)); });
    gate_.Open();
  }
  void OnDestroy() override {
    if (const WindowId self = Window(); self && !runs.empty()) {
      runs.back().messageAtEnd = message_.Get();
      runs.back().barAtEnd = ui_.ProgressPosition(ui_.Control(self, res::kPopupProgress));
    }
    CPopUpDlg::OnDestroy();
  }

  std::vector<SeenPopup> runs;

 private:
  HeadlessUi& ui_;
  PopupMessage& message_;
  WorkerGate& gate_;
};

// The toolkit with a hook on cursor changes, to stall the user-interface thread at a chosen moment.
class HookedUi : public HeadlessUi {
 public:
  using HeadlessUi::HeadlessUi;
  std::function<void(CursorKind)> onCursor;
  void SetCursor(CursorKind cursor) override {
    if (onCursor) onCursor(cursor);
    HeadlessUi::SetCursor(cursor);
  }
};

// The main window's stand-in: a window from the main template that holds the page.
class HostWindow : public platform::DialogHandler {
 public:
  std::function<void(WindowId)> onInit;
  void OnInitDialog(WindowId self) override { onInit(self); }
};

// The page in a main window, with the watch plugged in as COM5 (or not), a folder for the files the
// user picks, and the popup watched.
struct Bench {
  explicit Bench(bool plugged = true) {
    ui.SetLoopLimit(std::chrono::milliseconds(5000));
    if (plugged) watch.Plug(devices, "COM5");
    std::random_device random;
    dir = fs::temp_directory_path() / ("kemlog-settings-" + std::to_string(random()));
    fs::create_directories(dir);
  }
  ~Bench() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }

  // Runs body as the user's actions while the main window, with the page in it, is open.
  void Run(const std::function<void()>& body) {
    HostWindow host;
    host.onInit = [&](WindowId self) {
      services.mainWindow = self;
      created = page.CreateInPlaceholder(self, res::kMainSettingPagePlaceholder);
    };
    ui.QueueStep([&] {
      if (created) body();
      ui.EndDialog(services.mainWindow, 1);
    });
    ui.RunModal(*res::FindDialogTemplate(res::kMainDialog), {}, host);
    EXPECT_TRUE(created);
    EXPECT_FALSE(ui.LoopTimedOut());
    EXPECT_EQ(ui.OffThreadCalls(), 0);
  }

  bool Press(ControlId button) { return ui.PressButton(ui.Control(page.Window(), button)); }
  std::string Line(ControlId line) const { return ui.Text(ui.Control(page.Window(), line)); }

  std::string File(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }
  // The user presses File Select and picks path (nothing: Cancel).
  void Select(ControlId button, std::optional<std::string> path) {
    ui.QueueFileDialogAnswer(std::move(path));
    EXPECT_TRUE(Press(button));
  }
  // The watch is pulled out and the main window has closed its port.
  void PullWatch() {
    watch.Unplug();
    port.CloseDevicePort();
  }

  VirtualClock clock;
  HookedUi ui{clock};
  ScriptedDeviceList devices;
  sim::HeadlessWatchDevice watch{clock, {}};
  WorkerGate gate;
  device::DevicePort port{GatedOpener(watch.Opener(), gate), clock};
  PopupMessage message;
  WatchedPopup popup{ui, clock, message, gate};
  std::string logFolder;
  MainServices services{ui, clock, port, devices, message, popup, logFolder, "", {}};
  CSettingDlg page{services};
  bool created = false;
  fs::path dir;
};

// --- Layout ------------------------------------------------------------------------------------------

TEST(SettingPage, TakesThePlaceholdersPlaceAndLaysOutItsControls) {
  Bench b;
  b.Run([&] {
    const WindowId host = b.services.mainWindow;
    EXPECT_FALSE(b.ui.Control(host, res::kMainSettingPagePlaceholder)) << "the placeholder is replaced";
    EXPECT_EQ(b.ui.Geometry(b.page.Window()), RectXywh(3, 55, 894, 562));  // placeholder (1, 53, 898, 566) less 2
    EXPECT_TRUE(b.ui.IsVisible(b.page.Window()));
    EXPECT_EQ(b.ui.BackgroundOf(b.page.Window()), platform::Colour{0xFFFFFF});

    struct Expected {
      ControlId id;
      platform::Rect rect;
      platform::PictureIds pictures;
    };
    const Expected controls[] = {
        {res::kSettingBackground, RectXywh(43, 28, 808, 242), {154, 0, 0}},
        {res::kSettingShowVersion, RectXywh(729, 48, 110, 24), {156, 181, 180}},
        {res::kSettingFirmwareSelect, RectXywh(611, 112, 110, 24), {158, 177, 176}},
        {res::kSettingFirmwareUpdate, RectXywh(729, 112, 110, 24), {159, 179, 178}},
        {res::kSettingGpsDataSelect, RectXywh(611, 175, 110, 24), {158, 177, 176}},
        {res::kSettingGpsDataUpdate, RectXywh(729, 175, 110, 24), {159, 179, 178}},
        {res::kSettingVersionLine, RectXywh(202, 52, 500, 72), {}},
        {res::kSettingFirmwarePath, RectXywh(147, 113, 450, 22), {}},
        {res::kSettingGpsDataPath, RectXywh(147, 176, 450, 22), {}},
        {res::kSettingProgramVersion, RectXywh(160, 241, 500, 72), {}},
    };
    for (const Expected& c : controls) {
      const WindowId control = b.ui.Control(b.page.Window(), c.id);
      EXPECT_EQ(b.ui.Geometry(control), c.rect) << c.id;
      EXPECT_EQ(b.ui.Pictures(control).normal, c.pictures.normal) << c.id;
      EXPECT_EQ(b.ui.Pictures(control).pressed, c.pictures.pressed) << c.id;
      EXPECT_EQ(b.ui.Pictures(control).hover, c.pictures.hover) << c.id;
    }

    EXPECT_EQ(b.Line(res::kSettingProgramVersion), "1.00");
    for (ControlId line : {res::kSettingVersionLine, res::kSettingFirmwarePath, res::kSettingGpsDataPath}) {
      EXPECT_EQ(b.Line(line), "") << line;
    }
    for (ControlId line : {res::kSettingVersionLine, res::kSettingFirmwarePath, res::kSettingGpsDataPath,
                           res::kSettingProgramVersion}) {
      const platform::TextStyle style = b.ui.TextStyleOf(b.ui.Control(b.page.Window(), line));
      EXPECT_EQ(style.text, 0x000000u) << line;
      EXPECT_FALSE(style.background.has_value()) << line;
      ASSERT_TRUE(style.font.has_value()) << line;
      EXPECT_EQ(style.font->face, "Rounded M+ 1c-2c3 regular");
      EXPECT_EQ(style.font->size, 110);
    }
    EXPECT_FALSE(b.page.GpsDataFileValid);
    EXPECT_FALSE(b.page.FirmwareFileValid);
  });
}

TEST(SettingPage, PaintFramesBothPathLinesInTeal) {
  Bench b;
  b.Run([&] {
    b.ui.RunUntilIdle();
    const platform::headless::RecordingCanvas* paint = b.ui.LastPaint(b.page.Window());
    ASSERT_NE(paint, nullptr);
    const auto lines = paint->OpsOf(platform::headless::CanvasOp::Polyline, 0);
    ASSERT_EQ(lines.size(), 2u);
    const std::vector<platform::Point> firmware{{146, 112}, {597, 112}, {597, 135}, {146, 135}, {146, 112}};
    const std::vector<platform::Point> gpsData{{146, 175}, {597, 175}, {597, 198}, {146, 198}, {146, 175}};
    EXPECT_EQ(lines[0].points, firmware);
    EXPECT_EQ(lines[1].points, gpsData);
    for (const auto& line : lines) {
      EXPECT_EQ(line.pen, (platform::Pen{platform::PenStyle::Solid, 1, platform::Rgb(0, 151, 138)}));
    }
  });
}

TEST(SettingPage, WithoutItsPlaceholderThePageIsNotCreated) {
  Bench b;
  b.Run([&] {
    CSettingDlg second(b.services);
    EXPECT_FALSE(second.CreateInPlaceholder(b.services.mainWindow, res::kMainSettingPagePlaceholder));
    EXPECT_FALSE(second.Window());
    EXPECT_FALSE(second.CreateInPlaceholder(WindowId{}, res::kMainSettingPagePlaceholder));
  });
}

// --- The watch missing -------------------------------------------------------------------------------

TEST(SettingPage, EveryButtonWithoutTheWatchShowsOnlyTheConnectionPopup) {
  const ControlId buttons[] = {res::kSettingShowVersion, res::kSettingFirmwareSelect, res::kSettingFirmwareUpdate,
                               res::kSettingGpsDataSelect, res::kSettingGpsDataUpdate};
  for (ControlId button : buttons) {
    SCOPED_TRACE(button);
    Bench b(false);
    b.Run([&] {
      b.ui.QueueFileDialogAnswer(b.File("never.bin", FirmwareImageBytes(10)));
      EXPECT_TRUE(b.Press(button));
      ASSERT_EQ(b.popup.runs.size(), 1u);
      const SeenPopup& seen = b.popup.runs[0];
      EXPECT_EQ(seen.text, kConnection);
      EXPECT_TRUE(seen.exitShown);
      EXPECT_FALSE(seen.barShown);
      EXPECT_FALSE(seen.progressMode || seen.noticeMode || seen.gpsJobMode);
      EXPECT_EQ(seen.cursor, CursorKind::Arrow);
      EXPECT_TRUE(b.ui.FileDialogRequests().empty());
      EXPECT_TRUE(b.ui.MessageBoxes().empty());
      EXPECT_EQ(b.ui.Cursor(), CursorKind::Arrow);
      for (ControlId line : {res::kSettingVersionLine, res::kSettingFirmwarePath, res::kSettingGpsDataPath}) {
        EXPECT_EQ(b.Line(line), "") << line;
      }
      EXPECT_FALSE(b.page.FirmwareFileValid);
      EXPECT_FALSE(b.page.GpsDataFileValid);
      EXPECT_FALSE(b.port.IsOpen());
      EXPECT_TRUE(b.ui.IsEnabled(b.services.mainWindow)) << "the popup has ended";
    });
  }
}

TEST(SettingPage, StartUpdateAfterTheWatchWasPulledClearsTheSelection) {
  struct Case {
    ControlId select, update, path;
    bool CSettingDlg::*valid;
    std::string name;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {res::kSettingGpsDataSelect, res::kSettingGpsDataUpdate, res::kSettingGpsDataPath, &CSettingDlg::GpsDataFileValid,
       "gps.txt", GpsDataFileBytes(600)},
      {res::kSettingFirmwareSelect, res::kSettingFirmwareUpdate, res::kSettingFirmwarePath,
       &CSettingDlg::FirmwareFileValid, "fw.bin", FirmwareImageBytes(300)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    b.Run([&] {
      const std::string path = b.File(c.name, c.bytes);
      b.Select(c.select, path);
      ASSERT_TRUE(b.page.*c.valid);
      EXPECT_EQ(b.Line(c.path), path);
      b.PullWatch();
      EXPECT_TRUE(b.Press(c.update));
      ASSERT_EQ(b.popup.runs.size(), 1u);
      EXPECT_EQ(b.popup.runs[0].text, kConnection);
      EXPECT_TRUE(b.popup.runs[0].exitShown);
      EXPECT_FALSE(b.page.*c.valid);
      EXPECT_EQ(b.Line(c.path), "");
    });
    b.watch.WithWatch([](sim::SimulatedWatch& w) {
      EXPECT_EQ(w.Stats().uploadsCompleted, 0);
      EXPECT_EQ(w.Stats().packetsReceived, 0);
    });
  }
}

// --- Show Version ------------------------------------------------------------------------------------

TEST(SettingPage, ShowVersionOpensThePortAndShowsTheWatchsVersion) {
  struct Case {
    int firmware;
    int gpsDate;
    const char* line;
  };
  const Case cases[] = {
      {20105, 170312, "2.1.5       GPSデータ  17年04月"},
      {10203, 161231, "1.2.3       GPSデータ  17年01月"},  // month field 12: January of the next year
      {0, 150001, "0.0.0       GPSデータ  15年01月"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Bench b;
    b.watch.WithWatch([&](sim::SimulatedWatch& w) {
      w.firmwareVersion = c.firmware;
      w.gpsDataDate = c.gpsDate;
    });
    b.Run([&] {
      ASSERT_FALSE(b.port.IsOpen());
      EXPECT_TRUE(b.Press(res::kSettingShowVersion));
      EXPECT_TRUE(b.port.IsOpen());
      EXPECT_EQ(b.Line(res::kSettingVersionLine), c.line);
      EXPECT_EQ(b.page.VersionText, c.line);
      EXPECT_TRUE(b.popup.runs.empty());
      // Busy while the ports are scanned, and again while the watch answers.
      EXPECT_EQ(b.ui.CursorHistory(), (std::vector<CursorKind>{CursorKind::Arrow, CursorKind::Wait, CursorKind::Arrow,
                                                               CursorKind::Wait, CursorKind::Arrow}));
    });
  }
}

TEST(SettingPage, ShowVersionAgainShowsTheNewAnswer) {
  Bench b;
  b.Run([&] {
    EXPECT_TRUE(b.Press(res::kSettingShowVersion));
    EXPECT_EQ(b.Line(res::kSettingVersionLine), "1.2.3       GPSデータ  17年01月");
    b.watch.WithWatch([](sim::SimulatedWatch& w) { w.firmwareVersion = 10204; });
    EXPECT_TRUE(b.Press(res::kSettingShowVersion));
    EXPECT_EQ(b.Line(res::kSettingVersionLine), "1.2.4       GPSデータ  17年01月");
    // A watch that falls silent with the port open leaves no old answer on the line.
    b.watch.Unplug();
    EXPECT_TRUE(b.Press(res::kSettingShowVersion));
    EXPECT_EQ(b.Line(res::kSettingVersionLine), "0.0.0       GPSデータ  0年01月");
  });
}

// --- File Select -------------------------------------------------------------------------------------

TEST(SettingPage, GpsDataFileSelectChecksTheChosenFile) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;  // empty: no such file
    bool valid;
    std::vector<std::string> messages;
  };
  std::vector<uint8_t> badSum = GpsDataFileBytes(700);
  badSum[28] ^= 1;
  const Case cases[] = {
      {"good.txt", GpsDataFileBytes(700), true, {}},
      {"bad-sum.txt", badSum, false, {device::kGpsFileInvalidMessage}},
      {"short.txt", std::vector<uint8_t>(20, 0x55), false, {device::kGpsFileInvalidMessage}},
      {"missing.txt", {}, false, {device::kGpsFileUnreadableMessage}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    b.Run([&] {
      const std::string path = c.bytes.empty() ? (b.dir / c.name).string() : b.File(c.name, c.bytes);
      b.Select(res::kSettingGpsDataSelect, path);
      EXPECT_TRUE(b.port.IsOpen()) << "opened in the same press";
      EXPECT_EQ(b.page.GpsDataFileValid, c.valid);
      EXPECT_EQ(b.page.GpsDataFilePath, path);
      EXPECT_EQ(b.Line(res::kSettingGpsDataPath), path);
      std::vector<std::string> texts;
      for (const auto& box : b.ui.MessageBoxes()) {
        texts.push_back(box.text);
        EXPECT_EQ(box.owner, b.services.mainWindow);
        EXPECT_EQ(box.caption, "KEM LOG");
      }
      EXPECT_EQ(texts, c.messages);

      const auto requests = b.ui.FileDialogRequests();
      ASSERT_EQ(requests.size(), 1u);
      EXPECT_EQ(requests[0].kind, platform::FileDialogKind::Open);
      EXPECT_EQ(requests[0].owner, b.services.mainWindow);
      EXPECT_EQ(requests[0].title, "ファイルを開く");
      EXPECT_EQ(requests[0].filter, "POI Files(*.txt) |*.txt| All Files(*.*) |*.*||");
      EXPECT_EQ(requests[0].defaultExtension, "");
      EXPECT_EQ(requests[0].initialFileName, "");
      EXPECT_EQ(requests[0].flags, platform::kHideReadOnly | platform::kPathMustExist | platform::kFileMustExist);
    });
  }
}

TEST(SettingPage, FirmwareFileSelectChecksTheModelText) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool valid;
  };
  std::vector<uint8_t> otherModel = FirmwareImageBytes(300);
  otherModel[11] = '1';
  const Case cases[] = {
      {"fw.bin", FirmwareImageBytes(300), true},
      {"other-model.bin", otherModel, false},
      {"fw.img", FirmwareImageBytes(300), false},  // the name must hold ".bin"
      {"tiny.bin", {'K', 'R', 'V'}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    b.Run([&] {
      const std::string path = b.File(c.name, c.bytes);
      b.Select(res::kSettingFirmwareSelect, path);
      EXPECT_TRUE(b.port.IsOpen());
      EXPECT_EQ(b.page.FirmwareFileValid, c.valid);
      EXPECT_EQ(b.page.FirmwareFilePath, path);
      EXPECT_EQ(b.Line(res::kSettingFirmwarePath), path);
      EXPECT_TRUE(b.ui.MessageBoxes().empty());
      const auto requests = b.ui.FileDialogRequests();
      ASSERT_EQ(requests.size(), 1u);
      EXPECT_EQ(requests[0].title, "ファイルを開く");
      EXPECT_EQ(requests[0].owner, b.services.mainWindow);
      EXPECT_EQ(requests[0].filter, "Bin Files(*.bin) |*.bin| All Files(*.*) |*.*||");
      EXPECT_EQ(requests[0].defaultExtension, "*.bin");
      EXPECT_EQ(requests[0].flags, platform::kHideReadOnly | platform::kPathMustExist | platform::kFileMustExist);
    });
  }
}

TEST(SettingPage, CancellingAFileDialogDropsTheEarlierSelection) {
  struct Case {
    ControlId select, path;
    bool CSettingDlg::*valid;
    std::string name;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {res::kSettingGpsDataSelect, res::kSettingGpsDataPath, &CSettingDlg::GpsDataFileValid, "gps.txt",
       GpsDataFileBytes(100)},
      {res::kSettingFirmwareSelect, res::kSettingFirmwarePath, &CSettingDlg::FirmwareFileValid, "fw.bin",
       FirmwareImageBytes(100)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    b.Run([&] {
      b.Select(c.select, b.File(c.name, c.bytes));
      ASSERT_TRUE(b.page.*c.valid);
      b.Select(c.select, std::nullopt);
      EXPECT_FALSE(b.page.*c.valid);
      EXPECT_EQ(b.Line(c.path), "");
      EXPECT_EQ(b.ui.FileDialogRequests().size(), 2u);
    });
  }
}

// --- GPS data Start Update ---------------------------------------------------------------------------

TEST(SettingPage, GpsDataUpdateSendsTheFileAndItsInformationBlock) {
  for (bool portClosedMeanwhile : {false, true}) {
    SCOPED_TRACE(portClosedMeanwhile);
    Bench b;
    const std::vector<uint8_t> file = GpsDataFileBytes(4096 * 2 + 1);
    b.Run([&] {
      b.Select(res::kSettingGpsDataSelect, b.File("gps.txt", file));
      ASSERT_TRUE(b.page.GpsDataFileValid);
      if (portClosedMeanwhile) b.port.CloseDevicePort();  // reopened by the press
      EXPECT_TRUE(b.Press(res::kSettingGpsDataUpdate));

      ASSERT_EQ(b.popup.runs.size(), 2u);
      const SeenPopup& job = b.popup.runs[0];
      EXPECT_EQ(job.text, kUpdating);
      EXPECT_TRUE(job.gpsJobMode);
      EXPECT_FALSE(job.exitShown);
      EXPECT_FALSE(job.barShown);
      const SeenPopup& notice = b.popup.runs[1];
      EXPECT_EQ(notice.text, kDone);
      EXPECT_TRUE(notice.noticeMode);
      EXPECT_FALSE(notice.gpsJobMode);
      EXPECT_FALSE(notice.exitShown);
      EXPECT_FALSE(b.popup.GpsDataJobMode || b.popup.NoticeMode);

      EXPECT_TRUE(b.ui.MessageBoxes().empty());
      EXPECT_FALSE(b.page.GpsDataFileValid);
      EXPECT_EQ(b.Line(res::kSettingGpsDataPath), "");
      b.watch.WithWatch([&](sim::SimulatedWatch& w) {
        EXPECT_EQ(w.ReceivedGpsData(), file);
        EXPECT_TRUE(w.InfoBlockMatchesGpsData());
        EXPECT_EQ(w.Stats().uploadsCompleted, 2);
      });

      // Without a new File Select a second press sends nothing and says nothing.
      EXPECT_TRUE(b.Press(res::kSettingGpsDataUpdate));
      EXPECT_EQ(b.popup.runs.size(), 2u);
      b.watch.WithWatch([&](sim::SimulatedWatch& w) { EXPECT_EQ(w.Stats().uploadsCompleted, 2); });
    });
  }
}

TEST(SettingPage, GpsDataUpdateThatFailsIsNotReportedAsDone) {
  struct Case {
    const char* name;
    std::function<void(Bench&, const std::string& path)> fault;
    std::vector<std::string> messages;
    std::vector<std::string> popups;
    int uploads;  // completed by the watch
  };
  const Case cases[] = {
      {"data refused", [](Bench& b, const std::string&) {
         b.watch.WithWatch([](sim::SimulatedWatch& w) { w.Faults().refuseGpsData = true; });
       },
       {device::kGpsFileInvalidMessage}, {kUpdating}, 1},
      {"file gone", [](Bench&, const std::string& path) { fs::remove(path); },
       {device::kGpsFileUnreadableMessage}, {kUpdating}, 0},
      {"watch silent", [](Bench& b, const std::string&) { b.watch.Unplug(); }, {}, {kUpdating, kConnection}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    b.Run([&] {
      const std::string path = b.File("gps.txt", GpsDataFileBytes(5000));
      b.Select(res::kSettingGpsDataSelect, path);
      ASSERT_TRUE(b.page.GpsDataFileValid);
      c.fault(b, path);
      EXPECT_TRUE(b.Press(res::kSettingGpsDataUpdate));
      std::vector<std::string> popups;
      for (const SeenPopup& p : b.popup.runs) popups.push_back(p.text);
      EXPECT_EQ(popups, c.popups);
      std::vector<std::string> texts;
      for (const auto& box : b.ui.MessageBoxes()) texts.push_back(box.text);
      EXPECT_EQ(texts, c.messages);
      EXPECT_FALSE(b.page.GpsDataFileValid);
      EXPECT_EQ(b.Line(res::kSettingGpsDataPath), "");
    });
    b.watch.WithWatch([&](sim::SimulatedWatch& w) { EXPECT_EQ(w.Stats().uploadsCompleted, c.uploads); });
  }
}

// --- Firmware Start Update ---------------------------------------------------------------------------

TEST(SettingPage, FirmwareUpdateSendsTheImageUnderTheProgressPopup) {
  for (size_t body : {size_t{1000}, size_t{128 * 260 + 7}}) {
    SCOPED_TRACE(body);
    Bench b;
    const std::vector<uint8_t> image = FirmwareImageBytes(body);
    b.Run([&] {
      b.Select(res::kSettingFirmwareSelect, b.File("fw.bin", image));
      ASSERT_TRUE(b.page.FirmwareFileValid);
      EXPECT_TRUE(b.Press(res::kSettingFirmwareUpdate));

      ASSERT_EQ(b.popup.runs.size(), 1u);
      const SeenPopup& seen = b.popup.runs[0];
      EXPECT_EQ(seen.text, kUpdating);
      EXPECT_TRUE(seen.progressMode);
      EXPECT_TRUE(seen.barShown);
      EXPECT_FALSE(seen.exitShown);
      EXPECT_EQ(seen.cursor, CursorKind::Arrow);
      EXPECT_EQ(seen.messageAtEnd, kDone);
      EXPECT_EQ(seen.barAtEnd, 100);
      EXPECT_FALSE(b.popup.ProgressMode);

      EXPECT_FALSE(b.port.IsOpen());
      EXPECT_EQ(b.port.FirmwareUpdateActive, 0);
      EXPECT_EQ(b.port.FirmwareTransferActive, 0);
      EXPECT_FALSE(b.page.FirmwareFileValid);
      EXPECT_EQ(b.Line(res::kSettingFirmwarePath), "");
      EXPECT_EQ(b.ui.Cursor(), CursorKind::Arrow);
      EXPECT_TRUE(b.ui.MessageBoxes().empty());
    });
    b.watch.WithWatch([&](sim::SimulatedWatch& w) {
      EXPECT_TRUE(w.FirmwareUpdateCompleted());
      EXPECT_EQ(w.ReceivedFirmware(), FirmwarePacketData(image));
      EXPECT_EQ(w.Stats().badPackets, 0);
    });
  }
}

TEST(SettingPage, FirmwareWorkerQuickerThanThePopupStillEndsOnDone) {
  Bench b;
  b.gate.enabled = false;
  // The user-interface thread stalls as the progress popup is about to open (the arrow comes back
  // for it) until the worker has finished its transfer.
  b.ui.onCursor = [&](CursorKind cursor) {
    if (cursor != CursorKind::Arrow || b.port.FirmwareUpdateActive == 0) return;
    for (int i = 0; i < 5000 && b.message.Get() != kDone; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  const std::vector<uint8_t> image = FirmwareImageBytes(500);
  b.Run([&] {
    b.Select(res::kSettingFirmwareSelect, b.File("fw.bin", image));
    EXPECT_TRUE(b.Press(res::kSettingFirmwareUpdate));
    ASSERT_EQ(b.popup.runs.size(), 1u);
    EXPECT_EQ(b.popup.runs[0].messageAtEnd, kDone);
    EXPECT_FALSE(b.port.IsOpen());
  });
  b.watch.WithWatch([&](sim::SimulatedWatch& w) { EXPECT_EQ(w.ReceivedFirmware(), FirmwarePacketData(image)); });
}

TEST(SettingPage, FirmwareTransferThatStallsEndsWithoutDone) {
  Bench b;
  b.watch.WithWatch([](sim::SimulatedWatch& w) { w.Faults().silentAfterPacket = 3; });
  b.Run([&] {
    b.Select(res::kSettingFirmwareSelect, b.File("fw.bin", FirmwareImageBytes(128 * 20)));
    EXPECT_TRUE(b.Press(res::kSettingFirmwareUpdate));
    ASSERT_EQ(b.popup.runs.size(), 1u);
    EXPECT_TRUE(b.popup.runs[0].progressMode);
    EXPECT_EQ(b.popup.runs[0].messageAtEnd, kUpdating);
    EXPECT_LT(b.popup.runs[0].barAtEnd, 100);
    EXPECT_FALSE(b.port.IsOpen());
    EXPECT_EQ(b.port.FirmwareUpdateActive, 0);
    EXPECT_EQ(b.port.FirmwareTransferActive, 0);
    EXPECT_FALSE(b.page.FirmwareFileValid);
    EXPECT_EQ(b.Line(res::kSettingFirmwarePath), "");
    EXPECT_EQ(b.ui.Cursor(), CursorKind::Arrow);
  });
  b.watch.WithWatch([](sim::SimulatedWatch& w) { EXPECT_FALSE(w.FirmwareUpdateCompleted()); });
}

TEST(SettingPage, FirmwareUpdateThatCannotStart) {
  struct Case {
    const char* name;
    void (*inject)(sim::WatchFaults&);
    std::vector<std::string> popups;
    bool portOpenAfter;
    bool validImage;
  };
  const Case cases[] = {
      {"switch refused", [](sim::WatchFaults& f) { f.refuseUpdateMode = true; }, {}, false, true},
      {"boot loader not ready", [](sim::WatchFaults& f) { f.bootLoaderWithoutMain = true; }, {kConnection}, false,
       true},
      {"no valid selection", [](sim::WatchFaults&) {}, {}, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    b.watch.WithWatch([&](sim::SimulatedWatch& w) { c.inject(w.Faults()); });
    b.Run([&] {
      std::vector<uint8_t> image = FirmwareImageBytes(700);
      if (!c.validImage) image[0] = 'X';
      b.Select(res::kSettingFirmwareSelect, b.File("fw.bin", image));
      ASSERT_EQ(b.page.FirmwareFileValid, c.validImage);
      EXPECT_TRUE(b.Press(res::kSettingFirmwareUpdate));
      std::vector<std::string> popups;
      for (const SeenPopup& p : b.popup.runs) popups.push_back(p.text);
      EXPECT_EQ(popups, c.popups);
      for (const SeenPopup& p : b.popup.runs) EXPECT_TRUE(p.exitShown);
      EXPECT_EQ(b.port.IsOpen(), c.portOpenAfter);
      EXPECT_FALSE(b.page.FirmwareFileValid);
      EXPECT_EQ(b.Line(res::kSettingFirmwarePath), "");
      EXPECT_EQ(b.ui.Cursor(), CursorKind::Arrow);
    });
    b.watch.WithWatch([&](sim::SimulatedWatch& w) {
      EXPECT_FALSE(w.FirmwareUpdateCompleted());
      EXPECT_EQ(w.Stats().packetsReceived, 0);
      if (!c.validImage) {
        EXPECT_FALSE(w.InBootLoader());
      }
    });
  }
}

}  // namespace
}  // namespace kemlog::settings
