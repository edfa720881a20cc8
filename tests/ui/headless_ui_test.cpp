// The headless toolkit's own rules: timers on virtual time, posted work in order on the
// user-interface thread, paints after posted work, close requests, list rows, mouse and buttons,
// input blocked by a modal dialog, standard dialogs, and the bounded modal wait.

#include "platform/headless/headless_ui.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace kemlog::platform::headless {
namespace {

constexpr ControlId kButton = 10;
constexpr ControlId kList = 11;
constexpr ControlId kCustom = 12;
constexpr ControlId kLabel = 13;

constexpr ControlTemplate kControls[] = {
    {kButton, ControlKind::PushButton, kVisible | kOwnerDraw, RectXywh(10, 10, 50, 20), "", {}},
    {kList, ControlKind::ListView, kVisible | kReportView, RectXywh(10, 40, 200, 100), "", {}},
    {kCustom, ControlKind::Custom, kVisible, RectXywh(220, 40, 100, 100), "", {}},
    {kLabel, ControlKind::Static, kVisible, RectXywh(10, 150, 100, 20), "start", {}},
};
constexpr DialogTemplate kTopLevel{500, kPopupWindow, {}, {400, 300}, "MS Shell Dlg", 8, kControls};
constexpr DialogTemplate kChild{501, kChildWindow | kWindowVisible, {}, {400, 300}, "MS Shell Dlg", 8, kControls};

// A dialog that writes down what it hears.
struct Recorder : DialogHandler {
  explicit Recorder(Ui& u, VirtualClock& c) : ui(u), clock(c) {}
  void OnInitDialog(WindowId s) override { self = s; }
  void OnCommand(ControlId id) override { commands.push_back(id); }
  void OnTimer(int id) override { timers.emplace_back(clock.TickCount(), id); }
  void OnPaint(Canvas&) override { log.push_back("paint"); }
  void OnSize(Size s) override { sizes.push_back(s); }
  void OnListClick(ControlId, int row) override { clicks.push_back(row); }
  void OnListDoubleClick(ControlId, int row) override { doubleClicks.push_back(row); }
  void OnMouse(const MouseEvent& e) override { mouse.push_back(e); }
  void OnPostedEvent(const PostedEvent& e) override { log.push_back("event " + std::to_string(e.code)); }
  bool OnClose() override {
    log.push_back("close");
    return keepOpen;
  }
  Ui& ui;
  VirtualClock& clock;
  WindowId self;
  bool keepOpen = false;
  std::vector<ControlId> commands;
  std::vector<std::pair<uint32_t, int>> timers;
  std::vector<std::string> log;
  std::vector<Size> sizes;
  std::vector<int> clicks, doubleClicks;
  std::vector<MouseEvent> mouse;
};

struct Painter : ControlDelegate {
  void Paint(Canvas&, const PaintState& s) override { states.push_back(s); }
  void OnMouse(const MouseEvent& e) override { events.push_back(e); }
  std::vector<PaintState> states;
  std::vector<MouseEvent> events;
};

class HeadlessUiTest : public ::testing::Test {
 protected:
  HeadlessUiTest() { ui.SetLoopLimit(std::chrono::milliseconds(2000)); }

  VirtualClock clock;
  HeadlessUi ui{clock};
  Recorder top{ui, clock};
};

// Runs `body` inside a modal top-level window and closes it afterwards.
template <typename Body>
void InsideModal(HeadlessUi& ui, Recorder& top, Body body) {
  ui.QueueStep([&] {
    body(top.self);
    ui.EndDialog(top.self, 7);
  });
  EXPECT_EQ(ui.RunModal(kTopLevel, {}, top), 7);
  EXPECT_FALSE(ui.LoopTimedOut());
}

TEST_F(HeadlessUiTest, TimersFireOnVirtualTimeInTheirOrderUntilKilled) {
  InsideModal(ui, top, [&](WindowId self) {
    uint32_t start = clock.TickCount();
    ui.SetTimer(self, 1, 50);
    ui.SetTimer(self, 2, 120);
    ui.AdvanceTime(300);
    std::vector<std::pair<uint32_t, int>> expected = {{50, 1},  {100, 1}, {120, 2}, {150, 1},
                                                      {200, 1}, {240, 2}, {250, 1}, {300, 1}};
    for (auto& e : expected) e.first += start;
    EXPECT_EQ(top.timers, expected);
    ui.KillTimer(self, 1);
    top.timers.clear();
    ui.AdvanceTime(200);
    EXPECT_EQ(top.timers, (std::vector<std::pair<uint32_t, int>>{{start + 360, 2}, {start + 480, 2}}));
    ui.SetTimer(self, 3, 0);  // never faster than 10 ms
    EXPECT_EQ(ui.TimerPeriod(self, 3), std::optional<uint32_t>(10));
  });
}

TEST_F(HeadlessUiTest, AModalLoopMovesVirtualTimeToItsTimersWhenIdle) {
  struct Ticker : Recorder {
    using Recorder::Recorder;
    void OnInitDialog(WindowId s) override {
      self = s;
      ui.SetTimer(s, 4, 250);
    }
    void OnTimer(int id) override {
      Recorder::OnTimer(id);
      if (timers.size() == 3) ui.EndDialog(self, 1);
    }
  } ticker{ui, clock};
  uint32_t start = clock.TickCount();
  EXPECT_EQ(ui.RunModal(kTopLevel, {}, ticker), 1);
  EXPECT_EQ(clock.TickCount() - start, 750u);
  EXPECT_FALSE(ui.TimerPeriod(ticker.self, 4).has_value());  // gone with its window
}

TEST_F(HeadlessUiTest, WorkPostedFromOtherThreadsRunsOnTheUiThreadInOrder) {
  constexpr int kPerThread = 500;
  std::vector<std::pair<int, int>> ran;
  std::vector<std::thread::id> threads;
  std::atomic<int> finished{0};
  auto worker = [&](int which) {
    for (int i = 0; i < kPerThread; ++i) {
      ui.Post([&, which, i] {
        ran.emplace_back(which, i);
        threads.push_back(std::this_thread::get_id());
      });
    }
    if (++finished == 2) ui.Post([&] { ui.EndDialog(top.self, 0); });
  };
  std::thread a(worker, 0), b(worker, 1);
  ui.RunModal(kTopLevel, {}, top);
  a.join();
  b.join();
  EXPECT_FALSE(ui.LoopTimedOut());
  ASSERT_EQ(ran.size(), 2u * kPerThread);
  int next[2] = {0, 0};
  for (auto [which, i] : ran) EXPECT_EQ(i, next[which]++);
  for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(HeadlessUiTest, PaintsWaitForPostedWorkAndHiddenWindowsAreNotPainted) {
  InsideModal(ui, top, [&](WindowId self) {
    top.log.clear();
    ui.Invalidate(self);
    ui.PostEvent(self, PostedEvent{kDeviceChangeEvent, 0});
    ui.Post([&] { top.log.push_back("work"); });
    ui.Invalidate(self);  // coalesced with the first
    ui.RunUntilIdle();
    EXPECT_EQ(top.log, (std::vector<std::string>{"event 1", "work", "paint"}));
    top.log.clear();
    ui.Show(self, false);
    ui.Invalidate(self);
    ui.RunUntilIdle();
    EXPECT_TRUE(top.log.empty());
    ui.Show(self, true);
    ui.RunUntilIdle();
    EXPECT_EQ(top.log, (std::vector<std::string>{"paint"}));
  });
}

TEST_F(HeadlessUiTest, CloseRequestsEndTheModalRunUnlessRefusedAndAreDroppedForGoneWindows) {
  top.keepOpen = true;
  ui.QueueStep([&] {
    ui.PostClose(top.self);
  });
  ui.QueueStep([&] {
    EXPECT_EQ(top.log.back(), "close");
    EXPECT_TRUE(ui.Exists(top.self));
    top.keepOpen = false;
    std::thread([&] { ui.PostClose(top.self); }).join();
  });
  EXPECT_EQ(ui.RunModal(kTopLevel, {}, top), 0);
  EXPECT_FALSE(ui.LoopTimedOut());
  WindowId gone = top.self;
  top.log.clear();
  ui.PostClose(gone);
  ui.PostEvent(gone, PostedEvent{kDeviceChangeEvent, 0});
  ui.RunUntilIdle();
  EXPECT_TRUE(top.log.empty());
  EXPECT_FALSE(ui.Move(gone, RectXywh(0, 0, 1, 1)));
}

TEST_F(HeadlessUiTest, AModalLoopThatNobodyEndsGivesUpAfterItsLimit) {
  ui.SetLoopLimit(std::chrono::milliseconds(50));
  EXPECT_EQ(ui.RunModal(kTopLevel, {}, top), -1);
  EXPECT_TRUE(ui.LoopTimedOut());
}

// A dialog whose only life is its own timer: the loop turns it, but nobody ends the dialog.
struct Ticker : Recorder {
  using Recorder::Recorder;
  void OnInitDialog(WindowId s) override {
    Recorder::OnInitDialog(s);
    ui.SetTimer(s, 1, 10);
  }
};

TEST_F(HeadlessUiTest, AModalLoopTurningOnlyItsOwnTimersGivesUpAfterItsLimit) {
  ui.SetLoopLimit(std::chrono::milliseconds(50));
  Ticker ticker(ui, clock);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ui.RunModal(kTopLevel, {}, ticker), -1);
  EXPECT_TRUE(ui.LoopTimedOut());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_GT(ticker.timers.size(), 1u);
}

// A timer handler that moves the clock on by more than its period each time.
struct SlowTicker : Recorder {
  using Recorder::Recorder;
  void OnTimer(int id) override {
    Recorder::OnTimer(id);
    clock.Advance(100);
  }
};

TEST_F(HeadlessUiTest, AdvancingTimeEndsEvenWhenATimerHandlerMovesTheClockOn) {
  SlowTicker ticker(ui, clock);
  ui.QueueStep([&] {
    ui.SetTimer(ticker.self, 1, 10);
    const uint32_t start = clock.TickCount();
    ui.AdvanceTime(1000);
    EXPECT_GE(clock.TickCount() - start, 1000u);
    EXPECT_LE(ticker.timers.size(), 11u);
    ui.EndDialog(ticker.self, 1);
  });
  EXPECT_EQ(ui.RunModal(kTopLevel, {}, ticker), 1);
}

TEST_F(HeadlessUiTest, ListRowsAndCells) {
  InsideModal(ui, top, [&](WindowId self) {
    WindowId list = ui.Control(self, kList);
    ui.AddListColumn(list, ListColumn{"日時", 160});
    ui.AddListColumn(list, ListColumn{"距離", 80});
    EXPECT_EQ(ui.InsertListRow(list, 0, "b"), 0);
    EXPECT_EQ(ui.InsertListRow(list, 0, "a"), 0);
    EXPECT_EQ(ui.InsertListRow(list, 9, "c"), 2);  // beyond the end: appended
    EXPECT_EQ(ui.InsertListRow(list, -1, "x"), -1);
    EXPECT_TRUE(ui.SetListCell(list, 1, 1, "1.23 km"));
    EXPECT_FALSE(ui.SetListCell(list, 3, 0, "no row"));
    EXPECT_FALSE(ui.SetListCell(list, 0, 2, "no column"));
    EXPECT_EQ(ui.ListRowCount(list), 3);
    EXPECT_EQ(ui.ListCell(list, 0, 0), "a");
    EXPECT_EQ(ui.ListCell(list, 1, 0), "b");
    EXPECT_EQ(ui.ListCell(list, 1, 1), "1.23 km");
    EXPECT_EQ(ui.ListCell(list, 2, 0), "c");
    EXPECT_EQ(ui.ListCell(list, 2, 1), "");

    ui.SelectListRow(list, 1);
    ui.InsertListRow(list, 0, "first");  // the selection stays on its row
    EXPECT_EQ(ui.SelectedListRow(list), 2);

    EXPECT_TRUE(ui.ClickListRow(list, 3));
    EXPECT_TRUE(ui.ClickListRow(list, 7));  // below the last row
    EXPECT_TRUE(ui.DoubleClickListRow(list, 1));
    EXPECT_EQ(top.clicks, (std::vector<int>{3, -1, 1}));
    EXPECT_EQ(top.doubleClicks, (std::vector<int>{1}));
    EXPECT_EQ(ui.SelectedListRow(list), 1);

    ui.DeleteAllListRows(list);
    EXPECT_EQ(ui.ListRowCount(list), 0);
    EXPECT_EQ(ui.SelectedListRow(list), -1);
  });
}

TEST_F(HeadlessUiTest, AWorkerFillsListRowsWhileTheUiThreadSitsInAModalLoop) {
  WindowId list;
  ui.QueueStep([&] {
    list = ui.Control(top.self, kList);
    ui.AddListColumn(list, ListColumn{"a", 10});
    ui.AddListColumn(list, ListColumn{"b", 10});
  });
  std::thread worker;
  ui.QueueStep([&] {
    worker = std::thread([&] {
      for (int i = 0; i < 100; ++i) {
        int row = ui.InsertListRow(list, ui.ListRowCount(list), std::to_string(i));
        ui.SetListCell(list, row, 1, "x" + std::to_string(i));
      }
      ui.PostClose(top.self);
    });
  });
  ui.RunModal(kTopLevel, {}, top);
  worker.join();
  EXPECT_FALSE(ui.LoopTimedOut());
  EXPECT_EQ(ui.OffThreadCalls(), 0);
}

TEST_F(HeadlessUiTest, ButtonsClickOnReleaseInsideAndADoubleClickIsASecondClick) {
  Painter painter;
  InsideModal(ui, top, [&](WindowId self) {
    WindowId button = ui.Control(self, kButton);
    ui.SetDelegate(button, &painter);
    ui.Mouse(button, MouseAction::Down, {5, 5});
    EXPECT_TRUE(ui.IsPressed(button));
    ui.Mouse(button, MouseAction::Up, {5, 5});
    ui.Mouse(button, MouseAction::DoubleClick, {5, 5});
    ui.Mouse(button, MouseAction::Up, {5, 5});
    ui.Mouse(button, MouseAction::Down, {5, 5});
    ui.Mouse(button, MouseAction::Up, {80, 5});  // released outside: no click
    EXPECT_EQ(top.commands, (std::vector<ControlId>{kButton, kButton}));
    EXPECT_TRUE(ui.PressButton(button));
    EXPECT_EQ(top.commands.size(), 3u);

    ui.Hover(button);
    ui.RunUntilIdle();
    EXPECT_TRUE(ui.IsHovered(button));
    ASSERT_FALSE(painter.states.empty());
    EXPECT_TRUE(painter.states.back().hover);
    ui.Leave(button);
    ui.RunUntilIdle();
    EXPECT_FALSE(ui.IsHovered(button));
    EXPECT_FALSE(painter.states.back().hover);
    EXPECT_EQ(painter.events.back().action, MouseAction::Leave);

    ui.Enable(button, false);
    EXPECT_FALSE(ui.PressButton(button));
    ui.Enable(button, true);
    ui.Show(button, false);
    EXPECT_FALSE(ui.PressButton(button));
    ui.SetDelegate(button, nullptr);
  });
}

TEST_F(HeadlessUiTest, TheCaptureGetsTheMouseInItsOwnCoordinates) {
  Painter painter;
  InsideModal(ui, top, [&](WindowId self) {
    WindowId custom = ui.Control(self, kCustom);  // at (220, 40) in the dialog
    ui.SetDelegate(custom, &painter);
    ui.Mouse(custom, MouseAction::Down, {10, 10}, MouseButton::Right);
    ui.SetCapture(custom);
    ui.Mouse(self, MouseAction::Move, {400, 50}, MouseButton::None);  // dragged out over the dialog
    ui.Mouse(self, MouseAction::Up, {400, 50}, MouseButton::Right);
    ui.ReleaseCapture();
    ui.Mouse(self, MouseAction::Move, {5, 6}, MouseButton::None);
    ui.SetDelegate(custom, nullptr);
  });
  ASSERT_EQ(painter.events.size(), 3u);
  EXPECT_EQ(painter.events[1].at, (Point{180, 10}));
  EXPECT_EQ(painter.events[2].action, MouseAction::Up);
  ASSERT_EQ(top.mouse.size(), 1u);
  EXPECT_EQ(top.mouse[0].at, (Point{5, 6}));
}

TEST_F(HeadlessUiTest, AModalDialogDisablesItsOwnerUntilItEnds) {
  Recorder inner{ui, clock};
  InsideModal(ui, top, [&](WindowId self) {
    WindowId ownerButton = ui.Control(self, kButton);
    ui.QueueStep([&] {
      EXPECT_FALSE(ui.IsEnabled(self));
      EXPECT_FALSE(ui.PressButton(ownerButton));
      EXPECT_EQ(ui.ActiveModal(), inner.self);
      EXPECT_TRUE(ui.PressButton(ui.Control(inner.self, kButton)));
      ui.EndDialog(inner.self, 3);
    });
    EXPECT_EQ(ui.RunModal(kTopLevel, self, inner), 3);
    EXPECT_TRUE(ui.IsEnabled(self));
    EXPECT_TRUE(ui.PressButton(ownerButton));
  });
  EXPECT_EQ(inner.commands, (std::vector<ControlId>{kButton}));
  EXPECT_EQ(top.commands, (std::vector<ControlId>{kButton}));
}

TEST_F(HeadlessUiTest, ChildDialogsLiveInTheirParentAndHearResizes) {
  Recorder child{ui, clock};
  InsideModal(ui, top, [&](WindowId self) {
    WindowId page = ui.CreateChildDialog(kChild, self, child);
    ASSERT_TRUE(page);
    EXPECT_EQ(child.self, page);
    EXPECT_TRUE(ui.IsVisible(page));
    EXPECT_EQ(ui.Text(ui.Control(page, kLabel)), "start");
    ui.Move(page, RectXywh(3, 55, 894, 562));
    ui.Resize(page, Size{900, 600});
    ui.Resize(page, Size{900, 600});  // the same size: no notice
    EXPECT_EQ(child.sizes, (std::vector<Size>{{894, 562}, {900, 600}}));
    EXPECT_EQ(ui.Geometry(page), RectXywh(3, 55, 900, 600));
    ui.DestroyWindow(page);
    EXPECT_FALSE(ui.Exists(page));
    EXPECT_FALSE(ui.CreateChildDialog(kChild, page, child));  // no such parent
  });
}

TEST_F(HeadlessUiTest, FileDialogsTakeQueuedAnswersAndCancelWithoutOne) {
  ui.QueueFileDialogAnswer(std::string("/data/fw.bin"));
  ui.QueueFileDialogAnswer(std::nullopt);
  FileDialogRequest request;
  request.title = "ファイルを開く";
  request.filter = "Bin Files(*.bin) |*.bin| All Files(*.*) |*.*||";
  request.defaultExtension = "*.bin";
  request.flags = kHideReadOnly | kPathMustExist | kFileMustExist;
  EXPECT_EQ(ui.FileDialog(request), std::optional<std::string>("/data/fw.bin"));
  EXPECT_EQ(ui.FileDialog(request), std::nullopt);
  EXPECT_EQ(ui.FileDialog(request), std::nullopt);
  auto requests = ui.FileDialogRequests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].filter, request.filter);
  EXPECT_EQ(requests[0].flags, request.flags);

  ui.ShowMessageBox({}, "ファイルが開けません", "KEM LOG");
  auto boxes = ui.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "ファイルが開けません");
}

TEST_F(HeadlessUiTest, CursorsInstancesAndFonts) {
  {
    WaitCursor wait(ui);
    EXPECT_EQ(ui.Cursor(), CursorKind::Wait);
  }
  EXPECT_EQ(ui.Cursor(), CursorKind::Arrow);

  EXPECT_FALSE(ui.ActivateExistingWindow("#32770", "KEM LOG"));
  ui.AddOtherInstanceWindow("#32770", "KEM LOG");
  EXPECT_FALSE(ui.ActivateExistingWindow("#32770", "KEM"));
  EXPECT_TRUE(ui.ActivateExistingWindow("#32770", "KEM LOG"));
  EXPECT_EQ(ui.ActivatedWindows(), (std::vector<std::string>{"KEM LOG"}));

  EXPECT_FALSE(ui.AddPrivateFont("/no/such/font.ttf"));
  EXPECT_EQ(ui.PrivateFonts().size(), 1u);
}

}  // namespace
}  // namespace kemlog::platform::headless
