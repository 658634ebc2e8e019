// A test client on a private X server: one window over the whole screen at (0, 0) with the
// keyboard focus, recording the key, button and motion events it receives.
// Thread: one owner.
#pragma once

// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
// clang-format on

#include <string>
#include <vector>

namespace mirrodex::test {

class EventWindow {
 public:
  struct Event {
    int type;          // KeyPress, KeyRelease, ButtonPress, ButtonRelease, MotionNotify
    int x = 0, y = 0;  // pointer events: position in the window
    unsigned button = 0;
    KeySym keysym = NoSymbol;  // key events: the keysym a client reads, modifiers applied
    unsigned state = 0;        // modifiers and buttons down before the event
  };

  // Connects and shows the window; Usable() is false when that failed.
  explicit EventWindow(const std::string& display);
  ~EventWindow();
  EventWindow(const EventWindow&) = delete;
  EventWindow& operator=(const EventWindow&) = delete;

  bool Usable() const { return display_ != nullptr; }
  Display* Get() const { return display_; }

  // The events the server sent before this call (a round trip brings them all in).
  // Keyboard mapping changes are followed as an ordinary client follows them.
  std::vector<Event> Take();
  // The keysyms of the key presses among `events`, modifier keys left out.
  static std::vector<KeySym> PressedKeysyms(const std::vector<Event>& events);

 private:
  Display* display_ = nullptr;
  Window window_ = 0;
};

}  // namespace mirrodex::test
