#include "tests/input/EventWindow.h"

#include <X11/Xutil.h>

namespace mirrodex::test {

EventWindow::EventWindow(const std::string& display) {
  display_ = XOpenDisplay(display.c_str());
  if (display_ == nullptr) return;
  const int screen = DefaultScreen(display_);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                          PointerMotionMask | StructureNotifyMask;
  window_ =
      XCreateWindow(display_, RootWindow(display_, screen), 0, 0,
                    static_cast<unsigned>(DisplayWidth(display_, screen)),
                    static_cast<unsigned>(DisplayHeight(display_, screen)), 0, CopyFromParent,
                    InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
  XMapWindow(display_, window_);
  XEvent event;
  do {
    XNextEvent(display_, &event);
  } while (event.type != MapNotify);
  XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
  XSync(display_, False);
}

EventWindow::~EventWindow() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

std::vector<EventWindow::Event> EventWindow::Take() {
  XSync(display_, False);
  std::vector<Event> events;
  while (XPending(display_) > 0) {
    XEvent e;
    XNextEvent(display_, &e);
    switch (e.type) {
      case MappingNotify:
        XRefreshKeyboardMapping(&e.xmapping);
        break;
      case KeyPress:
      case KeyRelease: {
        char text[16];
        KeySym keysym = NoSymbol;
        XLookupString(&e.xkey, text, sizeof text, &keysym, nullptr);
        events.push_back({e.type, e.xkey.x, e.xkey.y, 0, keysym, e.xkey.state});
        break;
      }
      case ButtonPress:
      case ButtonRelease:
        events.push_back(
            {e.type, e.xbutton.x, e.xbutton.y, e.xbutton.button, NoSymbol, e.xbutton.state});
        break;
      case MotionNotify:
        events.push_back({e.type, e.xmotion.x, e.xmotion.y, 0, NoSymbol, e.xmotion.state});
        break;
      default:
        break;
    }
  }
  return events;
}

std::vector<KeySym> EventWindow::PressedKeysyms(const std::vector<Event>& events) {
  std::vector<KeySym> keysyms;
  for (const Event& e : events) {
    if (e.type == KeyPress && !IsModifierKey(e.keysym)) keysyms.push_back(e.keysym);
  }
  return keysyms;
}

}  // namespace mirrodex::test
