// The real clock and the log folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/paths.h"

namespace kemlog::platform {
namespace {

TEST(SystemClockTest, TicksFollowRealSleeps) {
  Clock& clock = SystemClock();
  EXPECT_EQ(&clock, &SystemClock());
  const uint32_t before = clock.TickCount();
  clock.Sleep(25);
  const uint32_t slept = clock.TickCount() - before;  // unsigned difference survives a wrap
  EXPECT_GE(slept, 25u);
  EXPECT_LT(slept, 250u);
}

// Sets HOME for one test and puts the old value back afterwards.
class HomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* home = std::getenv("HOME")) saved_ = home;
  }
  void TearDown() override {
    if (saved_) ::setenv("HOME", saved_->c_str(), 1);
    else ::unsetenv("HOME");
  }
  std::optional<std::string> saved_;
};

TEST_F(HomeTest, LogFolderIsKemLogInHome) {
  struct Case {
    const char* home;  // nullptr: unset
    const char* folder;
  };
  const Case cases[] = {
      {"/home/runner", "/home/runner/KemLog"},
      {"/home/runner/", "/home/runner/KemLog"},
      {"/", "/KemLog"},
      {"", "./KemLog"},
      {nullptr, "./KemLog"},
  };
  for (const Case& c : cases) {
    if (c.home) ::setenv("HOME", c.home, 1);
    else ::unsetenv("HOME");
    EXPECT_EQ(DefaultLogFolder(), c.folder) << (c.home ? c.home : "(unset)");
  }
}

}  // namespace
}  // namespace kemlog::platform
