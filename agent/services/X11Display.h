// One private Xlib connection; every X11 user of the agent (capture, input, clipboard,
// windows) opens its connections through this class, which installs the process-wide Xlib
// error handlers once. Xlib's default handlers end the whole process on a protocol error (a
// window that vanished under us) or a lost server; errors on these connections are recorded
// instead, and a lost server only marks the connection dead: calls on it then return at once,
// and destroying the object closes it safely from any thread. Errors on other connections of
// the process go to the handler that was installed before.
// Thread: one thread at a time makes calls on an object (it may change between calls);
// Usable may be read from any thread.
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <string>

namespace mirrodex {

class X11Display {
 public:
  // Opens the named display; Get() is null when that fails (or when 64 are open already).
  explicit X11Display(const std::string& name);
  ~X11Display();
  X11Display(const X11Display&) = delete;
  X11Display& operator=(const X11Display&) = delete;

  Display* Get() const { return display_; }
  bool Usable() const { return display_ != nullptr && !lost_.load(); }
  // Waits for the server to handle everything sent so far; true when none of it failed since
  // the previous call.
  [[nodiscard]] bool SyncWithoutErrors();

 private:
  static int OnError(Display* display, XErrorEvent* event);
  static int OnIoError(Display* display);
  static void OnLost(Display* display, void* self);

  Display* display_ = nullptr;
  std::atomic<bool> lost_{false};
  std::atomic<unsigned> errors_{0};
};

}  // namespace mirrodex
