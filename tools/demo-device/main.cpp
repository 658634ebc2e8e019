// mirrodex-demo-device: a small program for virtual devices, so a mirrored screen shows
// something that changes and reacts: a clock, a counter, buttons and a text field.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/demo-device/DemoDevice.h"

namespace {

volatile std::sig_atomic_t gStop = 0;

void RequestStop(int) {
  gStop = 1;
}

constexpr const char* kUsage =
    "usage: mirrodex-demo-device [--display NAME]\n"
    "Fills the X screen (default: $DISPLAY) with a clock, a counter that changes every\n"
    "second, four buttons that change colour when clicked and a text field for typing.\n"
    "Backspace deletes a character, Escape clears the field. Ends on SIGINT or SIGTERM.\n";

}  // namespace

int main(int argc, char** argv) {
  const char* display = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--display") == 0 && i + 1 < argc) {
      display = argv[++i];
    } else {
      std::fprintf(stderr, "mirrodex-demo-device: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    }
  }
  struct sigaction action {};
  action.sa_handler = RequestStop;  // no SA_RESTART: the wait returns at once
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  std::string error;
  auto device = mirrodex::demo::DemoDevice::Open(display, error);
  if (!device) {
    std::fprintf(stderr, "mirrodex-demo-device: %s\n", error.c_str());
    return 1;
  }
  return device->Run(gStop);
}
