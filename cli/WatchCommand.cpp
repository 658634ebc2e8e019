#include <csignal>
#include <cstdio>

#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"

namespace mirrodex::cli {
namespace {

std::atomic<bool> interrupted{false};

void OnInterrupt(int) { interrupted = true; }

void PrintRates(const ScreenTotals& t, double seconds) {
  const double ratio = t.wireBytes > 0 ? static_cast<double>(t.payloadBytes) / t.wireBytes : 0.0;
  std::printf("%6.1f fields/s  %6.1f images/s  %10.0f bytes/s  compression %5.2f:1\n",
              t.fields / seconds, t.images / seconds, t.wireBytes / seconds, ratio);
  std::fflush(stdout);
}

}  // namespace

int RunWatch(const CliOptions& options, const SessionConfig& config) {
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  CliSession session(config);
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::seconds(options.timeoutSeconds);
  if (const int code = StartAndAwaitDevice(session, options, deadline, &interrupted); code != kExitDone) {
    return code;
  }
  auto last = Clock::now();
  (void)session.TakeTotals();
  for (;;) {
    const auto outcome = session.WaitFor([] { return false; }, last + std::chrono::seconds(1), &interrupted);
    const auto now = Clock::now();
    if (outcome == CliSession::Outcome::kTimedOut) {
      PrintRates(session.TakeTotals(), std::chrono::duration<double>(now - last).count());
      last = now;
      continue;
    }
    session.Stop();
    return ReportOutcome(static_cast<int>(outcome), options);
  }
}

}  // namespace mirrodex::cli
