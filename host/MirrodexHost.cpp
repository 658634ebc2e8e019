#include "host/MirrodexHost.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/WakeListener.h"

namespace mirrodex {
namespace {

// One pipe carries both the agent's callback codes and the stop signals to the main loop.
int g_eventPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_stopSignal = 0;
constexpr uint8_t kSignalByte = 0xFF;

void OnAgentCallback(uint32_t code) {
  const uint8_t byte = static_cast<uint8_t>(code);
  if (::write(g_eventPipe[1], &byte, 1) != 1) {
    // A full pipe only loses a log line.
  }
}

void OnStopSignal(int signal) {
  g_stopSignal = signal;
  const uint8_t byte = kSignalByte;
  if (::write(g_eventPipe[1], &byte, 1) != 1) {
    // The flag alone ends the loop at its next poll.
  }
}

const char* CallbackMeaning(uint8_t code) {
  switch (code) {
    case 1: return "a session ended";
    case 2: return "the agent could not be set up";
    case 4: return "the screen session is connected";
    case 5: return "a connection to the desktop failed";
    default: return "unknown code";
  }
}

void Log(const std::string& text) { std::fprintf(stderr, "mirrodex-host: %s\n", text.c_str()); }

std::u16string ToUtf16(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

}  // namespace

bool MirrodexHost::Prepare(std::string& error) {
  in_addr address{};
  if (!options_.desktop.empty() && !ResolveIPv4(options_.desktop, address, error)) return false;
  if (options_.allow.empty()) {
    options_.allow.push_back("127.0.0.0/8");
    if (!options_.desktop.empty()) options_.allow.push_back(options_.desktop);
  }
  for (const std::string& entry : options_.allow) {
    if (!filter_.Add(entry, error)) return false;
  }
  if (!options_.framebuffer.empty()) ::setenv("MIRRODEX_FBDEV", options_.framebuffer.c_str(), 1);
  if (!options_.root.empty()) ::setenv("MIRRODEX_ROOT", options_.root.c_str(), 1);
  if (options_.dpi) ::setenv("MIRRODEX_DPI", std::to_string(*options_.dpi).c_str(), 1);
  return true;
}

void MirrodexHost::Connect(const std::string& desktop) {
  target_ = desktop;
  lastAttempt_ = std::chrono::steady_clock::now();
  // The screen is set up again before every later start: its source (an X display) may have
  // gone, and without a screen the agent can serve nothing.
  int32_t bounds[4] = {};
  if (!freshlySetUp_ && agent_.setUp(OnAgentCallback, bounds, nullptr) != 0) {
    Log("the agent cannot capture the screen any more; see the messages above");
    screenLost_ = true;
    return;
  }
  freshlySetUp_ = false;
  const std::u16string host = ToUtf16(desktop);
  if (agent_.startStop(1, host.c_str()) == 0) {
    Log("connecting to the desktop at " + desktop);
  } else {
    Log("could not connect to the desktop at " + desktop + "; see the messages above");
  }
}

void MirrodexHost::LogCallbackCodes(int pipeFd) {
  uint8_t codes[64];
  const ssize_t n = ::read(pipeFd, codes, sizeof codes);
  for (ssize_t i = 0; i < n; ++i) {
    if (codes[i] == kSignalByte) continue;
    Log("agent reports " + std::to_string(codes[i]) + " (" + CallbackMeaning(codes[i]) + ")");
  }
}

int MirrodexHost::Run() {
  std::string error;
  if (!Prepare(error)) {
    Log(error);
    return 1;
  }
  WakeListener listener(filter_);
  if (!listener.Listen(kWakePort, error)) {
    Log(error);
    return 1;
  }
  if (::pipe2(g_eventPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    Log("cannot create a pipe");
    return 1;
  }
  struct sigaction action{};
  action.sa_handler = OnStopSignal;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);

  if (!agent_.Load(error)) {
    Log(error);
    return 1;
  }
  int32_t bounds[4] = {};
  if (agent_.setUp(OnAgentCallback, bounds, nullptr) != 0) {
    Log("the agent cannot capture the screen; check --fb (or MIRRODEX_FBDEV) and the messages above");
    LogCallbackCodes(g_eventPipe[0]);
    return 1;
  }
  freshlySetUp_ = true;
  Log("screen " + std::to_string(bounds[2]) + " x " + std::to_string(bounds[3]) +
      "; waiting for wake-ups on port " + std::to_string(kWakePort));
  if (!options_.desktop.empty()) Connect(options_.desktop);

  const auto retry = std::chrono::seconds(options_.retrySeconds);
  std::vector<pollfd> fds;
  std::vector<std::string> notes;
  while (g_stopSignal == 0 && !screenLost_) {
    fds.assign(1, {g_eventPipe[0], POLLIN, 0});
    listener.AddPollFds(fds);
    const int ready = ::poll(fds.data(), fds.size(), listener.PollTimeoutMs(250));
    if (g_stopSignal != 0) break;
    if (ready > 0 && (fds[0].revents & POLLIN)) LogCallbackCodes(g_eventPipe[0]);
    notes.clear();
    const std::vector<std::string> wakeUps = listener.Serve(notes);
    for (const std::string& note : notes) Log(note);
    for (const std::string& desktop : wakeUps) Log("wake-up from " + desktop);
    // The agent decides whether its running sessions serve this desktop already; only the
    // latest of several wake-ups counts.
    if (!wakeUps.empty()) Connect(wakeUps.back());
    if (!target_.empty() && options_.retrySeconds > 0 && agent_.stopFlag() == 1 &&
        std::chrono::steady_clock::now() - lastAttempt_ >= retry) {
      Connect(target_);
    }
  }
  Log("stopping");
  agent_.startStop(0, nullptr);
  agent_.setUp(nullptr, nullptr, nullptr);
  LogCallbackCodes(g_eventPipe[0]);
  agent_.Unload();
  return screenLost_ ? 1 : 0;
}

}  // namespace mirrodex
