#include "agent/services/ProcessEnder.h"

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "agent/services/ProcessTable.h"
#include "agent/services/UniqueFd.h"

namespace mirrodex {
namespace {

constexpr std::chrono::milliseconds kAfterKill{1000};

// True when the process ended within `wait`. A pidfd turns readable when its process ends,
// reaped or not.
bool WaitForEnd(int pidfd, uint32_t id, std::chrono::milliseconds wait) {
  if (pidfd >= 0) {
    pollfd fd{pidfd, POLLIN, 0};
    int ready;
    do {
      ready = ::poll(&fd, 1, static_cast<int>(wait.count()));
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
  }
  // Kernels without pidfd: look at /proc until the process is gone or a zombie.
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    const char state = ProcessTable::State("/proc", id);
    if (state == 0 || state == 'Z' || state == 'X') return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

int Signal(int pidfd, uint32_t id, int signal) {
  const long done = pidfd >= 0 ? ::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0)
                               : ::kill(static_cast<pid_t>(id), signal);
  return done == 0 ? 0 : errno;
}

}  // namespace

EndResult ProcessEnder::End(uint32_t id, std::chrono::milliseconds grace) {
  // Never a process group (0) or every process (-1).
  if (id == 0 || id > 0x7FFFFFFFu) return EndResult::kEnded;
  UniqueFd pidfd(static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(id), 0)));
  if (!pidfd.Valid() && errno == ESRCH) return EndResult::kEnded;
  if (!pidfd.Valid() && errno != ENOSYS) return EndResult::kRefused;

  int error = Signal(pidfd.Get(), id, SIGTERM);
  if (error == ESRCH) return EndResult::kEnded;
  if (error != 0) return EndResult::kRefused;
  if (WaitForEnd(pidfd.Get(), id, grace)) return EndResult::kEnded;
  error = Signal(pidfd.Get(), id, SIGKILL);
  if (error == ESRCH) return EndResult::kEnded;
  if (error != 0) return EndResult::kRefused;
  return WaitForEnd(pidfd.Get(), id, kAfterKill) ? EndResult::kEnded : EndResult::kSurvived;
}

}  // namespace mirrodex
