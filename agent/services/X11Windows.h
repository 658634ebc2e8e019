// The top-level windows of a process on an X11 display, found by their _NET_WM_PID, and the
// two things done to them: asking them to close (WM_DELETE_WINDOW) and bringing one to the
// front (through the window manager's _NET_ACTIVE_WINDOW when one runs, else by raising and
// focusing it directly). Windows that do not give their process id cannot be found.
// Thread: the screen-session thread; each object holds its own short-lived connection.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "agent/services/X11Display.h"

namespace mirrodex {

class X11Windows {
 public:
  explicit X11Windows(const std::string& displayName);

  bool Usable() const { return display_.Usable(); }
  // The process's client windows: the window manager's client list first, then the root's
  // children and their children (reparenting frames), bottom to top.
  std::vector<Window> OfProcess(uint32_t processId);
  // Sends WM_DELETE_WINDOW to every window that takes it; returns how many did.
  int AskToClose(const std::vector<Window>& windows);
  // Brings the process's main window to the front with the keyboard focus, its transient
  // dialogs above it. False when no window could be brought forward.
  [[nodiscard]] bool BringToFront(const std::vector<Window>& windows);

 private:
  bool WindowManagerRuns();
  std::vector<Window> WindowList(Window window, Atom property);
  bool ProcessIdOf(Window window, uint32_t& id);
  bool TakesDelete(Window window);

  X11Display display_;
  Atom netWmPid_ = 0, netClientList_ = 0, netActiveWindow_ = 0, netSupportingCheck_ = 0;
  Atom wmProtocols_ = 0, wmDeleteWindow_ = 0;
};

}  // namespace mirrodex
