// Another program for the services tests to act on, run as a child process:
//   idle [--ignore-term]               waits without a window
//   window DISPLAY [--ignore-term]     shows a window that gives its process id; exits 0 after
//                                      printing "closing" when asked to close it
//   own DISPLAY HEXTEXT                owns CLIPBOARD with the UTF-8 text and answers requests
//   own-incr DISPLAY SIZE              owns CLIPBOARD with SIZE bytes of text, handed over in
//                                      increments (INCR) of 4000 bytes
//   read DISPLAY                       prints the CLIPBOARD text in hex ("none" when refused)
// Prints one line "ready [window]" once it is set up.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string FromHex(const char* hex) {
  std::string out;
  for (size_t i = 0; hex[i] != '\0' && hex[i + 1] != '\0'; i += 2) {
    out += static_cast<char>(std::stoi(std::string(hex + i, 2), nullptr, 16));
  }
  return out;
}

void Ready(unsigned long window = 0) {
  if (window != 0) std::printf("ready %lu\n", window);
  else std::printf("ready\n");
  std::fflush(stdout);
}

Display* Open(const char* name) {
  Display* display = XOpenDisplay(name);
  if (display == nullptr) {
    std::fprintf(stderr, "cannot open display %s\n", name);
    std::_Exit(2);
  }
  return display;
}

int ShowWindow(Display* display) {
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, 100, 80, 0, 0, 0);
  const long pid = static_cast<long>(::getpid());
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  XSelectInput(display, window, StructureNotifyMask);
  XMapWindow(display, window);
  for (XEvent event;;) {
    XNextEvent(display, &event);
    if (event.type == MapNotify) break;
  }
  Ready(window);
  for (XEvent event;;) {
    XNextEvent(display, &event);
    if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
      std::printf("closing\n");
      std::fflush(stdout);
      return 0;
    }
  }
}

int Own(Display* display, const std::string& text) {
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const Atom targets = XInternAtom(display, "TARGETS", False);
  XSetSelectionOwner(display, clipboard, window, CurrentTime);
  if (XGetSelectionOwner(display, clipboard) != window) return 3;
  Ready();
  for (XEvent event;;) {
    XNextEvent(display, &event);
    if (event.type != SelectionRequest) continue;
    const XSelectionRequestEvent& request = event.xselectionrequest;
    XSelectionEvent note{};
    note.type = SelectionNotify;
    note.requestor = request.requestor;
    note.selection = request.selection;
    note.target = request.target;
    note.time = request.time;
    note.property = None;
    if (request.target == utf8) {
      XChangeProperty(display, request.requestor, request.property, utf8, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
      note.property = request.property;
    } else if (request.target == targets) {
      const Atom offered[] = {targets, utf8};
      XChangeProperty(display, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(offered), 2);
      note.property = request.property;
    }
    XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&note));
    XFlush(display);
  }
}

std::string LargeText(size_t size) {
  std::string text(size, ' ');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
  return text;
}

int OwnIncrementally(Display* display, const std::string& text) {
  constexpr size_t kPiece = 4000;
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const Atom incr = XInternAtom(display, "INCR", False);
  XSetSelectionOwner(display, clipboard, window, CurrentTime);
  if (XGetSelectionOwner(display, clipboard) != window) return 3;
  Ready();
  Window requestor = 0;
  Atom property = None;
  size_t sent = 0;
  bool finished = false;
  for (XEvent event;;) {
    XNextEvent(display, &event);
    if (event.type == SelectionRequest && event.xselectionrequest.target == utf8) {
      const XSelectionRequestEvent& request = event.xselectionrequest;
      requestor = request.requestor;
      property = request.property;
      sent = 0;
      finished = false;
      XSelectInput(display, requestor, PropertyChangeMask);
      const long size = static_cast<long>(text.size());
      XChangeProperty(display, requestor, property, incr, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&size), 1);
      XSelectionEvent note{};
      note.type = SelectionNotify;
      note.requestor = requestor;
      note.selection = request.selection;
      note.target = request.target;
      note.time = request.time;
      note.property = property;
      XSendEvent(display, requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&note));
    } else if (event.type == PropertyNotify && event.xproperty.window == requestor &&
               event.xproperty.atom == property && event.xproperty.state == PropertyDelete && !finished) {
      const size_t piece = std::min(kPiece, text.size() - sent);
      XChangeProperty(display, requestor, property, utf8, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(text.data() + sent), static_cast<int>(piece));
      sent += piece;
      finished = piece == 0;  // the empty piece ends the transfer
    }
    XFlush(display);
  }
}

int Read(Display* display) {
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const Atom property = XInternAtom(display, "PEER_TEXT", False);
  XConvertSelection(display, clipboard, utf8, property, window, CurrentTime);
  for (XEvent event;;) {
    XNextEvent(display, &event);
    if (event.type != SelectionNotify) continue;
    if (event.xselection.property == None) {
      std::printf("none\n");
      return 0;
    }
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, property, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                       &count, &after, &data);
    std::string hex;
    for (unsigned long i = 0; i < count; ++i) {
      char pair[3];
      std::snprintf(pair, sizeof pair, "%02x", data[i]);
      hex += pair;
    }
    std::printf("%s %s\n", type == utf8 ? "utf8" : "other", hex.c_str());
    if (data != nullptr) XFree(data);
    return 0;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 64;
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a test that crashed
  const std::string mode = argv[1];
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ignore-term") == 0) ::signal(SIGTERM, SIG_IGN);
  }
  if (mode == "idle") {
    Ready();
    for (;;) ::pause();
  }
  if (argc < 3) return 64;
  Display* display = Open(argv[2]);
  if (mode == "window") return ShowWindow(display);
  if (mode == "own" && argc >= 4) return Own(display, FromHex(argv[3]));
  if (mode == "own-incr" && argc >= 4) return OwnIncrementally(display, LargeText(std::stoul(argv[3])));
  if (mode == "read") return Read(display);
  return 64;
}
