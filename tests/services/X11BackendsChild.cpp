// The agent's X11 backends in a process of their own, for the tests of a lost X server:
//   x11_backends_child destroy|use
// On $DISPLAY it captures the screen, types a character on a lent keycode, owns the clipboard
// (its owner thread keeps running) and looks up windows, then prints "ready". After SIGTERM it
// either destroys them at once ("destroy") or first uses each once more on another thread and
// prints "used C T K" (C, T, K: 1 when capture, typing and the clipboard failed, 0 when they
// worked); then prints "ended" and exits 0. Xlib's default handlers would end it with status 1 instead,
// and a display left locked would hang it.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "agent/capture/x11/CX11Capture.h"
#include "agent/input/xtest/CXTestInjector.h"
#include "agent/services/X11Clipboard.h"
#include "agent/services/X11Windows.h"

namespace {

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace mirrodex;
  if (argc != 2 || (std::strcmp(argv[1], "destroy") != 0 && std::strcmp(argv[1], "use") != 0)) {
    std::fprintf(stderr, "usage: %s destroy|use\n", argv[0]);
    return 2;
  }
  const bool use = std::strcmp(argv[1], "use") == 0;
  // Blocked before any thread starts, so that only sigwait takes it.
  sigset_t term;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &term, nullptr);

  auto capture = std::make_unique<CX11Capture>(X11CaptureConfig{});
  auto injector = std::make_unique<CXTestInjector>("");
  auto clipboard = std::make_unique<X11Clipboard>("");
  auto windows = std::make_unique<X11Windows>("");
  std::string error;
  if (!capture->Initialise() || !capture->Capture()) {
    std::fprintf(stderr, "capture: %s\n", capture->LastError().c_str());
    return 3;
  }
  if (!injector->TypeCharacter(U'\u00E9', error)) {
    std::fprintf(stderr, "typing: %s\n", error.c_str());
    return 3;
  }
  if (clipboard->SetText("held") != ClipboardStatus::kOk || !windows->Usable()) {
    std::fprintf(stderr, "the clipboard or the window list cannot be used\n");
    return 3;
  }
  (void)windows->OfProcess(static_cast<uint32_t>(::getpid()));
  Say("ready");

  int signal = 0;
  sigwait(&term, &signal);
  if (use) {
    // As in the agent, another thread (the screen session's) uses them and meets the loss;
    // this one destroys them.
    std::thread user([&] {
      std::string text;
      const bool captureFailed = !capture->Capture();
      const bool typingFailed = !injector->TypeCharacter(U'\u00E8', error);
      const bool clipboardFailed = clipboard->GetText(text) == ClipboardStatus::kCannotOpen;
      (void)windows->OfProcess(static_cast<uint32_t>(::getpid()));
      Say("used " + std::to_string(captureFailed) + " " + std::to_string(typingFailed) + " " +
          std::to_string(clipboardFailed));
    });
    user.join();
  }
  windows.reset();
  clipboard.reset();
  injector.reset();
  capture.reset();
  Say("ended");
  return 0;
}
