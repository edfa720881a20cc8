// The throttled map service check: a failure stands for the interval, a success passes at once.

#include <gtest/gtest.h>

#include "platform/headless/virtual_clock.h"
#include "viewer/internet_check.h"

namespace kemlog::viewer {
namespace {

TEST(ThrottledCheck, AFailureStandsForTheIntervalAndASuccessIsPassedOn) {
  platform::headless::VirtualClock clock;
  int runs = 0;
  bool reachable = false;
  InternetCheck check = ThrottledCheck(
      [&] {
        ++runs;
        return reachable;
      },
      clock, 10000);
  struct Step {
    uint32_t advance;
    bool reachable;
    bool answer;
    int runs;
  };
  const Step steps[] = {
      {0, false, false, 1},     // the first question runs the check
      {100, false, false, 1},   // inside the interval: the failure stands
      {9899, true, false, 1},   // still inside, even though it would succeed now
      {1, true, true, 2},       // the interval is over: checked again
      {0, true, true, 3},       // a success is never held back
      {0, false, false, 4},
      {9999, false, false, 4},
  };
  for (const Step& s : steps) {
    clock.Advance(s.advance);
    reachable = s.reachable;
    EXPECT_EQ(check(), s.answer) << clock.TickCount();
    EXPECT_EQ(runs, s.runs) << clock.TickCount();
  }
  EXPECT_FALSE(ThrottledCheck({}, clock, 10)());
}

}  // namespace
}  // namespace kemlog::viewer
