// The progress popup driven through the headless toolkit: placement, modes, text hand-over from a
// worker, the close request from any thread and at any moment, and the self-closing modes.

#include "settings/popup_dlg.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/headless/headless_ui.h"
#include "resources/dialog_templates.h"

namespace kemlog::settings {
namespace {

using platform::ControlId;
using platform::Rect;
using platform::RectXywh;
using platform::WindowId;
using platform::headless::HeadlessUi;
using platform::headless::VirtualClock;
namespace res = resources;

class PopupTest : public ::testing::Test {
 protected:
  PopupTest() { ui.SetLoopLimit(std::chrono::milliseconds(2000)); }

  WindowId Part(ControlId id) const { return ui.Control(ui.ActiveModal(), id); }
  bool Shown(ControlId id) const { return ui.IsVisible(Part(id)); }

  // Waits (bounded) on a worker thread until the popup's window exists.
  bool WaitForWindow() {
    for (int i = 0; i < 2000 && !popup.Window(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return static_cast<bool>(popup.Window());
  }

  VirtualClock clock;
  HeadlessUi ui{clock};
  PopupMessage message;
  CPopUpDlg popup{ui, clock, message};
};

struct PlacementCase {
  platform::Point start;
  platform::Point expected;
};

TEST_F(PopupTest, OpensAt280By111AndMovesOffScreenCoordinatesToZero) {
  const PlacementCase cases[] = {
      {{100, 200}, {100, 200}},     // on the screen: kept
      {{-5, 300}, {0, 300}},        // left of the screen: left only
      {{300, -1}, {300, 0}},        // above the screen: top only
      {{2000, 50}, {0, 50}},        // beyond the screen's width
      {{10, 1081}, {10, 0}},        // beyond the screen's height
      {{1920, 1080}, {1920, 1080}}, // on the edge: not beyond
      {{-40, -40}, {0, 0}},
  };
  for (const PlacementCase& c : cases) {
    ui.SetInitialPosition(res::kPopupDialog, c.start);
    Rect seen;
    ui.QueueStep([&] {
      seen = ui.Geometry(ui.ActiveModal());
      popup.RequestPopupClose();
    });
    popup.DoModal();
    EXPECT_EQ(seen, RectXywh(c.expected.x, c.expected.y, 280, 111)) << c.start.x << "," << c.start.y;
  }
  EXPECT_FALSE(ui.LoopTimedOut());
}

TEST_F(PopupTest, PlacesItsControlsAndStylesTheMessageLine) {
  message.Set("端末とUSBの接続を確認してください");
  ui.QueueStep([&] {
    EXPECT_EQ(ui.Geometry(Part(res::kPopupBackground)), RectXywh(0, 0, 280, 111));
    EXPECT_EQ(ui.Geometry(Part(res::kPopupExit)), RectXywh(190, 75, 75, 24));
    EXPECT_EQ(ui.Geometry(Part(res::kPopupProgress)), RectXywh(67, 70, 150, 10));
    EXPECT_EQ(ui.Geometry(Part(res::kPopupMessageLine)), RectXywh(66, 40, 200, 45));
    EXPECT_EQ(ui.Text(Part(res::kPopupMessageLine)), "端末とUSBの接続を確認してください");
    platform::TextStyle style = ui.TextStyleOf(Part(res::kPopupMessageLine));
    EXPECT_EQ(style.text, 0xFFFFFFu);
    EXPECT_FALSE(style.background.has_value());
    ASSERT_TRUE(style.font.has_value());
    EXPECT_EQ(style.font->face, "Rounded M+ 1c-2c3 regular");
    EXPECT_EQ(style.font->size, 103);
    EXPECT_EQ(ui.BackgroundOf(ui.ActiveModal()), platform::Colour{0x000000});
    auto colours = ui.ProgressColours(Part(res::kPopupProgress));
    ASSERT_TRUE(colours.has_value());
    EXPECT_EQ(colours->first, platform::Rgb(0, 255, 199));
    EXPECT_EQ(colours->second, 0x000000u);
    EXPECT_EQ(ui.Pictures(Part(res::kPopupExit)).hover, 194);
    popup.RequestPopupClose();
  });
  popup.DoModal();
  EXPECT_FALSE(ui.LoopTimedOut());
}

struct ModeCase {
  const char* name;
  bool busy, progress, notice, gpsJob;
  bool exitShown, barShown;
  bool timer1, timer2;
};

TEST_F(PopupTest, EachModeShowsItsControlsAndStartsItsTimer) {
  const ModeCase cases[] = {
      {"none", false, false, false, false, true, false, false, false},
      {"busy", true, false, false, false, false, false, false, false},
      {"progress", false, true, false, false, false, true, false, false},
      {"notice", false, false, true, false, false, false, true, false},
      {"gps job", false, false, false, true, false, false, false, true},
      // Busy goes on with the later checks; progress stops them.
      {"busy + notice", true, false, true, false, false, false, true, false},
      {"progress + notice", false, true, true, false, false, true, false, false},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.name);
    popup.BusyMode = c.busy;
    popup.ProgressMode = c.progress;
    popup.NoticeMode = c.notice;
    popup.GpsDataJobMode = c.gpsJob;
    ui.QueueStep([&] {
      EXPECT_EQ(Shown(res::kPopupExit), c.exitShown);
      EXPECT_EQ(Shown(res::kPopupProgress), c.barShown);
      EXPECT_TRUE(Shown(res::kPopupMessageLine));
      EXPECT_EQ(ui.TimerPeriod(ui.ActiveModal(), 1), c.timer1 ? std::optional<uint32_t>(50) : std::nullopt);
      EXPECT_EQ(ui.TimerPeriod(ui.ActiveModal(), 2), c.timer2 ? std::optional<uint32_t>(50) : std::nullopt);
      popup.RequestPopupClose();
    });
    popup.DoModal();
    EXPECT_FALSE(ui.LoopTimedOut());
    popup.BusyMode = popup.ProgressMode = popup.NoticeMode = popup.GpsDataJobMode = false;
  }
}

TEST_F(PopupTest, WithoutModeItWaitsForTheExitButtonHoweverLong) {
  WindowId exitButton;
  ui.QueueStep([&] {
    exitButton = Part(res::kPopupExit);
    ui.AdvanceTime(3'600'000);  // an hour passes
  });
  bool openAfterAnHour = false;
  ui.QueueStep([&] {
    openAfterAnHour = ui.ActiveModal() == ui.FindDialog(res::kPopupDialog) && ui.IsVisible(ui.ActiveModal());
    EXPECT_TRUE(ui.PressButton(exitButton));
  });
  popup.DoModal();
  EXPECT_TRUE(openAfterAnHour);
  EXPECT_FALSE(ui.LoopTimedOut());
  EXPECT_FALSE(ui.Exists(exitButton));
  EXPECT_FALSE(popup.Window());
}

TEST_F(PopupTest, TheExitButtonCannotBePressedWhileABusyWorkerRuns) {
  popup.BusyMode = true;
  bool pressed = true;
  ui.QueueStep([&] {
    pressed = ui.PressButton(Part(res::kPopupExit));
    popup.RequestPopupClose();
  });
  popup.DoModal();
  EXPECT_FALSE(pressed);
}

TEST_F(PopupTest, AWorkersNewTextShowsAtTheNextPaintAndOnlyAfterInvalidation) {
  popup.BusyMode = true;
  message.Set("履歷1");
  std::string beforeInvalidation, afterInvalidation;
  std::atomic<bool> idle{false};
  ui.QueueStep([&] { idle = true; });  // runs once the opening and its paints are done
  std::thread worker([&] {
    for (int i = 0; i < 2000 && !idle; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    message.Set("履歷2");
    ui.QueueStep([&] { beforeInvalidation = ui.Text(Part(res::kPopupMessageLine)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    popup.Invalidate();
    ui.QueueStep([&] { afterInvalidation = ui.Text(Part(res::kPopupMessageLine)); });
    ui.QueueStep([&] { popup.RequestPopupClose(); });
  });
  popup.DoModal();
  worker.join();
  EXPECT_EQ(beforeInvalidation, "履歷1");
  EXPECT_EQ(afterInvalidation, "履歷2");
  EXPECT_FALSE(ui.LoopTimedOut());
  EXPECT_EQ(ui.OffThreadCalls(), 0);
}

TEST_F(PopupTest, ACloseRequestBeforeTheWindowExistsEndsTheNextRunAtOnceAndOnlyThatOne) {
  popup.BusyMode = true;
  std::thread early([&] { popup.RequestPopupClose(); });
  early.join();
  bool stepRan = false;
  ui.QueueStep([&] { stepRan = true; });
  popup.DoModal();
  EXPECT_FALSE(stepRan);  // ended before it was ever idle
  EXPECT_FALSE(ui.LoopTimedOut());
  EXPECT_EQ(ui.ActiveModal(), WindowId{});

  // The request was used up: the next popup stays until it is closed again.
  popup.BusyMode = false;
  bool openForSecondStep = false;
  ui.QueueStep([&] {
    openForSecondStep = static_cast<bool>(ui.ActiveModal());
    ui.PressButton(Part(res::kPopupExit));
  });
  popup.DoModal();
  EXPECT_TRUE(openForSecondStep);
  EXPECT_FALSE(ui.LoopTimedOut());
}

TEST_F(PopupTest, ALateCloseRequestDroppedAfterItsJobDoesNotEndTheNextPopup) {
  // The job's popup has already ended when its worker asks to close it.
  std::thread late([&] { popup.RequestPopupClose(); });
  late.join();
  popup.DropPendingClose();
  bool open = false;
  ui.QueueStep([&] {
    open = static_cast<bool>(ui.ActiveModal());
    ui.PressButton(Part(res::kPopupExit));
  });
  popup.DoModal();
  EXPECT_TRUE(open);
  EXPECT_FALSE(ui.LoopTimedOut());
}

TEST_F(PopupTest, ACloseRequestFromAWorkerEndsTheRunEveryTime) {
  // Workers post at spread moments while the popup opens and runs. (A request before the window
  // exists is covered deterministically above; here it is the hand-over while the window lives.)
  popup.BusyMode = true;
  for (int i = 0; i < 200; ++i) {
    std::atomic<bool> go{false};
    std::thread worker([&, i] {
      while (!go) std::this_thread::yield();
      for (int spin = 0; spin < (i % 20) * 50; ++spin) std::this_thread::yield();
      popup.RequestPopupClose();
    });
    go = true;
    popup.DoModal();
    worker.join();
    ASSERT_FALSE(ui.LoopTimedOut()) << "run " << i;
  }
  // No request is left over for a later run.
  bool open = false;
  ui.QueueStep([&] {
    open = static_cast<bool>(ui.ActiveModal());
    popup.RequestPopupClose();
  });
  popup.DoModal();
  EXPECT_TRUE(open);
}

TEST_F(PopupTest, AWorkerMovesTheProgressBarAndEndsThePopup) {
  popup.ProgressMode = true;
  message.Set("アップデート中 ※");
  std::vector<int> positions;
  std::thread worker([&] {
    if (!WaitForWindow()) return popup.RequestPopupClose();
    std::atomic<int> seen{0};
    int sent = 0;
    for (int percent : {0, 40, 100, 150}) {
      popup.SetProgress(percent);
      ui.QueueStep([&] {
        positions.push_back(ui.ProgressPosition(Part(res::kPopupProgress)));
        ++seen;
      });
      ++sent;
      for (int i = 0; i < 2000 && seen < sent; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    message.Set("完了しました");
    popup.Invalidate();
    popup.RequestPopupClose();
  });
  int result = popup.DoModal();
  worker.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(positions, (std::vector<int>{0, 40, 100, 100}));
  EXPECT_FALSE(ui.LoopTimedOut());
  EXPECT_EQ(ui.OffThreadCalls(), 0);
}

TEST_F(PopupTest, NoticeModeClosesItselfAfterAboutOneSecondAndClearsItsFlag) {
  popup.NoticeMode = true;
  message.Set("完了しました");
  uint32_t start = clock.TickCount();
  popup.DoModal();
  EXPECT_EQ(clock.TickCount() - start, 1050u);  // the 50 ms timer and the 1000 ms wait
  EXPECT_FALSE(popup.NoticeMode);
  EXPECT_FALSE(ui.LoopTimedOut());

  // The next opening without flags shows the Exit button again and does not close by itself.
  bool exitShown = false;
  ui.QueueStep([&] { ui.AdvanceTime(5000); });
  ui.QueueStep([&] {
    exitShown = Shown(res::kPopupExit);
    ui.PressButton(Part(res::kPopupExit));
  });
  popup.DoModal();
  EXPECT_TRUE(exitShown);
}

TEST_F(PopupTest, GpsDataJobModeRunsTheJobOnceInsideThePopupAndCloses) {
  int runs = 0;
  bool insidePopup = false;
  std::thread::id jobThread;
  popup.SetGpsDataJob([&] {
    ++runs;
    jobThread = std::this_thread::get_id();
    insidePopup = ui.ActiveModal() == popup.Window() && static_cast<bool>(popup.Window());
    clock.Sleep(3000);  // the upload takes its time; no timer fires meanwhile
  });
  popup.GpsDataJobMode = true;
  message.Set("アップデート中 ※");
  uint32_t start = clock.TickCount();
  popup.DoModal();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(insidePopup);
  EXPECT_EQ(jobThread, std::this_thread::get_id());
  EXPECT_EQ(clock.TickCount() - start, 3050u);
  EXPECT_FALSE(popup.GpsDataJobMode);
  EXPECT_FALSE(ui.LoopTimedOut());

  bool exitShown = false;
  ui.QueueStep([&] {
    exitShown = Shown(res::kPopupExit);
    popup.RequestPopupClose();
  });
  popup.DoModal();
  EXPECT_TRUE(exitShown);
  EXPECT_EQ(runs, 1);
}

TEST_F(PopupTest, CallsFromWorkersAfterThePopupEndedReachNothing) {
  popup.BusyMode = true;
  ui.QueueStep([&] { popup.RequestPopupClose(); });
  popup.DoModal();
  std::thread late([&] {
    popup.Invalidate();
    popup.SetProgress(50);
  });
  late.join();
  ui.RunUntilIdle();
  EXPECT_FALSE(popup.Window());
  EXPECT_FALSE(ui.FindDialog(res::kPopupDialog));
}

}  // namespace
}  // namespace kemlog::settings
