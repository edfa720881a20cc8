// Playback of the opened log on the 50 ms timer of the page, driven by its five buttons on virtual
// time, with the moving marker's calls read back from the map's web view.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "tests/viewer/log_page_fixture.h"

namespace kemlog::viewer::testing {
namespace {

constexpr uint32_t kTick = 50;

class PlaybackTest : public LogPageTest {
 protected:
  // The point numbers the moving marker was put on since the last call (made-up points are told
  // apart by their latitude); any other call is a failure.
  std::vector<int> Moves() {
    std::vector<int> moves;
    for (const std::string& call : TakeCalls()) {
      double latitude = 0;
      double longitude = 0;
      if (std::sscanf(call.c_str(), "movpos(%lf, %lf)", &latitude, &longitude) != 2) {
        ADD_FAILURE() << "unexpected call " << call;
        continue;
      }
      moves.push_back(static_cast<int>(std::lround((latitude - 35.0) * 1000)));
    }
    return moves;
  }
  void Ticks(int count) { ui.AdvanceTime(kTick * static_cast<uint32_t>(count)); }
  bool TimerRunning() const { return ui.TimerPeriod(page->Window(), kPlaybackTimerId).has_value(); }
  void Open(int count) {
    const int row = static_cast<int>(page->LogFiles().size());
    AddLog(count);
    page->OpenLog(row);
    TakeCalls();
  }
  static std::vector<int> Range(int from, int to, int by) {
    std::vector<int> values;
    for (int v = from; by > 0 ? v <= to : v >= to; v += by) values.push_back(v);
    return values;
  }
};

TEST_F(PlaybackTest, PlayWalks600PointsTwoPerTickAndStopsPastTheEnd) {
  Run([&] {
    Open(600);
    ASSERT_TRUE(Press(res::kLogPlay));
    EXPECT_EQ(page->Playback().State(), PlaybackState::Playing);
    EXPECT_EQ(ui.TimerPeriod(page->Window(), kPlaybackTimerId), 50u);
    EXPECT_FLOAT_EQ(page->Playback().Step(), 2.0f);
    Ticks(10);
    EXPECT_EQ(Moves(), Range(0, 18, 2));
    Ticks(290);
    EXPECT_EQ(Moves(), Range(20, 598, 2));
    EXPECT_TRUE(TimerRunning());
    Ticks(1);
    EXPECT_TRUE(Moves().empty());  // the marker stays on the last point
    EXPECT_FALSE(TimerRunning());
    EXPECT_EQ(page->Playback().State(), PlaybackState::Stopped);
    EXPECT_EQ(page->Playback().Position(), 0.0f);
  });
}

TEST_F(PlaybackTest, FastForwardWalks600PointsFourPerTick) {
  Run([&] {
    Open(600);
    ASSERT_TRUE(Press(res::kLogFastForward));
    EXPECT_EQ(page->Playback().State(), PlaybackState::FastForward);
    Ticks(150);
    EXPECT_EQ(Moves(), Range(0, 596, 4));
    Ticks(1);
    EXPECT_FALSE(TimerRunning());
    EXPECT_EQ(page->Playback().State(), PlaybackState::Stopped);
  });
}

TEST_F(PlaybackTest, ThirtyPointsEachShownForAboutTenTicksInOrder) {
  Run([&] {
    Open(30);
    ASSERT_TRUE(Press(res::kLogPlay));
    Ticks(300);
    const std::vector<int> moves = Moves();
    ASSERT_EQ(moves.size(), 300u);
    EXPECT_TRUE(std::is_sorted(moves.begin(), moves.end()));
    std::vector<int> shown(30, 0);
    for (int m : moves) {
      ASSERT_GE(m, 0);
      ASSERT_LT(m, 30);
      ++shown[static_cast<size_t>(m)];
    }
    // The position grows by 0.1 in single precision: rounding lets a point gain or lose one tick.
    for (int i = 0; i < 30; ++i) {
      EXPECT_GE(shown[static_cast<size_t>(i)], 9) << i;
      EXPECT_LE(shown[static_cast<size_t>(i)], 11) << i;
    }
    EXPECT_EQ(moves.front(), 0);
    EXPECT_EQ(moves.back(), 29);
    Ticks(1);
    EXPECT_FALSE(TimerRunning());
  });
}

TEST_F(PlaybackTest, PauseKeepsThePlaceAndPlayContinuesFromIt) {
  Run([&] {
    Open(600);
    ASSERT_TRUE(Press(res::kLogPlay));
    Ticks(10);
    ASSERT_TRUE(Press(res::kLogPause));
    EXPECT_EQ(page->Playback().State(), PlaybackState::Paused);
    EXPECT_FALSE(TimerRunning());
    Moves();
    Ticks(20);
    EXPECT_TRUE(Moves().empty());
    ASSERT_TRUE(Press(res::kLogPlay));
    Ticks(3);
    EXPECT_EQ(Moves(), (std::vector<int>{20, 22, 24}));
  });
}

TEST_F(PlaybackTest, StopPutsTheMarkerBackOnTheFirstPointAndPlayStartsThere) {
  Run([&] {
    Open(600);
    ASSERT_TRUE(Press(res::kLogPlay));
    Ticks(40);
    Moves();
    ASSERT_TRUE(Press(res::kLogStop));
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"movpos(35.000000, 139.500000)"}));
    EXPECT_FALSE(TimerRunning());
    EXPECT_EQ(page->Playback().State(), PlaybackState::Stopped);
    EXPECT_EQ(page->Playback().Position(), 0.0f);
    ASSERT_TRUE(Press(res::kLogPlay));
    Ticks(2);
    EXPECT_EQ(Moves(), (std::vector<int>{0, 2}));
  });
}

TEST_F(PlaybackTest, RewindWalksBackFromThePlaceToTheFirstPointAndStops) {
  Run([&] {
    Open(600);
    ASSERT_TRUE(Press(res::kLogPlay));
    Ticks(100);  // position 200
    ASSERT_TRUE(Press(res::kLogPause));
    Moves();
    ASSERT_TRUE(Press(res::kLogRewind));
    EXPECT_EQ(page->Playback().State(), PlaybackState::Rewinding);
    EXPECT_FLOAT_EQ(page->Playback().Step(), 4.0f);
    Ticks(51);
    EXPECT_EQ(Moves(), Range(200, 0, -4));
    EXPECT_TRUE(TimerRunning());
    Ticks(1);
    EXPECT_FALSE(TimerRunning());
    EXPECT_EQ(page->Playback().State(), PlaybackState::Stopped);
  });
}

TEST_F(PlaybackTest, RewindShowsTheFirstPointUntilThePositionDropsToMinusOne) {
  Run([&] {
    Open(30);
    ASSERT_TRUE(Press(res::kLogPlay));
    Ticks(3);  // position 0.3
    ASSERT_TRUE(Press(res::kLogPause));
    Moves();
    ASSERT_TRUE(Press(res::kLogRewind));  // step 0.2
    Ticks(7);  // 0.3, 0.1, -0.1, ... -0.9 all truncate to point 0
    EXPECT_EQ(Moves(), std::vector<int>(7, 0));
    EXPECT_TRUE(TimerRunning());
    Ticks(1);  // -1.1
    EXPECT_TRUE(Moves().empty());
    EXPECT_FALSE(TimerRunning());
  });
}

TEST_F(PlaybackTest, RewindBeforeAnyPlayStopsAtTheFirstTick) {
  Run([&] {
    Open(30);
    ASSERT_TRUE(Press(res::kLogRewind));
    EXPECT_TRUE(TimerRunning());
    EXPECT_EQ(page->Playback().RememberedCount(), 0);
    Ticks(1);
    EXPECT_TRUE(Moves().empty());
    EXPECT_FALSE(TimerRunning());
    EXPECT_EQ(page->Playback().State(), PlaybackState::Stopped);
  });
}

TEST_F(PlaybackTest, ButtonsOnlySetTheStateWithoutPoints) {
  struct Case {
    ControlId button;
    PlaybackState state;
  };
  const Case cases[] = {
      {res::kLogPlay, PlaybackState::Playing},         {res::kLogFastForward, PlaybackState::FastForward},
      {res::kLogRewind, PlaybackState::Rewinding},     {res::kLogPause, PlaybackState::Paused},
      {res::kLogStop, PlaybackState::Stopped},
  };
  Run([&] {
    TakeCalls();
    for (const Case& c : cases) {
      ASSERT_TRUE(Press(c.button));
      EXPECT_EQ(page->Playback().State(), c.state) << c.button;
      EXPECT_FALSE(TimerRunning()) << c.button;
    }
    Ticks(5);
    EXPECT_TRUE(TakeCalls().empty());
  });
}

TEST_F(PlaybackTest, OpeningALogStopsThePlaybackButLeavesTimerAndPlace) {
  Run([&] {
    Open(600);
    ASSERT_TRUE(Press(res::kLogPlay));
    Ticks(10);  // position 20
    page->OpenLog(0);
    TakeCalls();
    EXPECT_EQ(page->Playback().State(), PlaybackState::Stopped);
    EXPECT_TRUE(TimerRunning());
    EXPECT_FLOAT_EQ(page->Playback().Position(), 20.0f);
    Ticks(3);
    EXPECT_TRUE(Moves().empty());
    EXPECT_FLOAT_EQ(page->Playback().Position(), 20.0f);
    ASSERT_TRUE(Press(res::kLogPlay));
    Ticks(1);
    EXPECT_EQ(Moves(), (std::vector<int>{20}));
  });
}

// The remembered count can exceed a smaller log opened since the last Play or FF; the timer must
// never read past the point array and ends the playback instead.
TEST_F(PlaybackTest, ASmallerLogOpenedMeanwhileIsNeverReadPastItsEnd) {
  Run([&] {
    Open(600);
    ASSERT_TRUE(Press(res::kLogPlay));
    Ticks(200);  // position 400
    ASSERT_TRUE(Press(res::kLogPause));
    Open(30);
    ASSERT_TRUE(Press(res::kLogRewind));  // remembered count still 600
    EXPECT_EQ(page->Playback().RememberedCount(), 600);
    Ticks(1);
    EXPECT_TRUE(Moves().empty());
    EXPECT_FALSE(TimerRunning());
    EXPECT_EQ(page->Playback().State(), PlaybackState::Stopped);
    EXPECT_EQ(page->Playback().Position(), 0.0f);
    // From point 0 a rewind shows that point once and ends below it.
    ASSERT_TRUE(Press(res::kLogRewind));
    Ticks(2);
    EXPECT_EQ(Moves(), (std::vector<int>{0}));
    EXPECT_FALSE(TimerRunning());
  });
}

TEST_F(PlaybackTest, PlayBeyondANewShorterLogStopsAtOnceAndStartsOverOnTheNextPress) {
  Run([&] {
    Open(600);
    ASSERT_TRUE(Press(res::kLogPlay));
    Ticks(100);  // position 200
    Open(30);
    ASSERT_TRUE(Press(res::kLogPlay));
    Ticks(1);
    EXPECT_TRUE(Moves().empty());
    EXPECT_FALSE(TimerRunning());
    ASSERT_TRUE(Press(res::kLogPlay));
    Ticks(1);
    EXPECT_EQ(Moves(), (std::vector<int>{0}));
  });
}

}  // namespace
}  // namespace kemlog::viewer::testing
