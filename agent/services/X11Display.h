// One private Xlib connection for the services. Xlib's default handlers end the whole process
// on a protocol error (a window that vanished under us) or a lost server; errors on these
// connections are recorded instead, and a lost server only marks the connection dead. Errors
// on other connections of the process go to the handler that was installed before.
// Thread: one thread owns the object and makes every call on it.
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <string>

namespace mirrodex {

class X11Display {
 public:
  // Opens the named display; Get() is null when that fails.
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
