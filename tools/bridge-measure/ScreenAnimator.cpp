// mirrodex-screen-animator: keeps a virtual device's whole screen changing, so that the
// images per second of a mirroring session measure the pipeline rather than the screen.
//   mirrodex-screen-animator [--display NAME]
// Paints moving colour bars over the root window as fast as the server takes them until it
// is ended by a signal.
#include <X11/Xlib.h>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
  g_stop = 1;
}

// Tolerates a server that goes away first: the loop ends at the next request.
int IgnoreError(Display*, XErrorEvent*) {
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* name = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--display") == 0 && i + 1 < argc) {
      name = argv[++i];
    } else {
      std::fputs("usage: mirrodex-screen-animator [--display NAME]\n", stderr);
      return 1;
    }
  }
  Display* display = XOpenDisplay(name);
  if (display == nullptr) {
    std::fputs("mirrodex-screen-animator: cannot open the display\n", stderr);
    return 1;
  }
  XSetErrorHandler(IgnoreError);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  const int width = DisplayWidth(display, screen), height = DisplayHeight(display, screen);
  GC gc = XCreateGC(display, root, 0, nullptr);
  constexpr int kBars = 16;
  for (unsigned long frame = 0; !g_stop; ++frame) {
    for (int bar = 0; bar < kBars; ++bar) {
      const unsigned long step = frame * 7 + static_cast<unsigned long>(bar) * 40;
      XSetForeground(display, gc, ((step * 2654435761ul) >> 8) & 0xFFFFFF);
      const int x =
          static_cast<int>((static_cast<unsigned long>(bar) * width / kBars + frame * 3) % width);
      XFillRectangle(display, root, gc, x, 0, static_cast<unsigned>(width / kBars + 1),
                     static_cast<unsigned>(height));
    }
    XSync(display, False);
  }
  XFreeGC(display, gc);
  XCloseDisplay(display);
  return 0;
}
