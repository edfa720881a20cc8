// kemlog-cli sim: the simulated watch on a pseudo-terminal until interrupted.

#include <atomic>
#include <csignal>
#include <ostream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/demo_watch.h"
#include "platform/clock.h"

namespace kemlog::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) { g_interrupted = 1; }

}  // namespace

int SimCommand(const Args& args, std::ostream& out, std::ostream& err) {
  const Arguments a(args, {"--logs", "--seed", "--points"}, {});
  std::string problem = a.Error();
  if (problem.empty() && !a.Positional().empty()) problem = "unexpected argument " + a.Positional().front();
  const std::optional<DemoOptions> demo = problem.empty() ? ParseDemoOptions(a, problem) : std::nullopt;
  if (!demo) {
    err << "kemlog-cli sim: " << problem << "\nTry 'kemlog-cli sim --help'.\n";
    return 2;
  }
  DemoWatch watch(*demo);
  if (!watch.Start()) {
    err << "kemlog-cli sim: no pseudo-terminal available\n";
    return 1;
  }
  out << watch.Path() << '\n' << std::flush;
  err << "serving " << demo->logs << " logs; press Ctrl-C to stop\n";
  g_interrupted = 0;
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  while (!g_interrupted) platform::SystemClock().Sleep(100);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  return 0;
}

}  // namespace kemlog::cli
