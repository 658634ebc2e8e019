#include "agent/services/X11Display.h"

#include <array>
#include <mutex>

namespace mirrodex {
namespace {

// Our connections and their error counts: a fixed table, so that it needs no destruction. The
// agent's global objects close their connections while the library's static objects are
// being destroyed, in any order.
struct Connection {
  Display* display = nullptr;
  std::atomic<unsigned>* errors = nullptr;
};
constexpr size_t kMaxConnections = 64;
std::mutex g_connectionsMutex;
std::array<Connection, kMaxConnections> g_connections;

// The entry of `display` (a free one for nullptr); nullptr when there is none. Call with the
// mutex held.
Connection* Find(const Display* display) {
  for (Connection& c : g_connections) {
    if (c.display == display) return &c;
  }
  return nullptr;
}

XErrorHandler g_previousHandler = nullptr;
XIOErrorHandler g_previousIoHandler = nullptr;
std::once_flag g_installOnce;

}  // namespace

X11Display::X11Display(const std::string& name) {
  std::call_once(g_installOnce, [] {
    XInitThreads();
    g_previousHandler = XSetErrorHandler(&X11Display::OnError);
    g_previousIoHandler = XSetIOErrorHandler(&X11Display::OnIoError);
  });
  Display* opened = XOpenDisplay(name.empty() ? nullptr : name.c_str());
  if (opened == nullptr) return;
  XSetIOErrorExitHandler(opened, &X11Display::OnLost, this);
  {
    std::lock_guard<std::mutex> lock(g_connectionsMutex);
    if (Connection* free = Find(nullptr)) {
      *free = {opened, &errors_};
      display_ = opened;
      return;
    }
  }
  // No room to follow it: unused, it cannot meet an error yet.
  XCloseDisplay(opened);
}

X11Display::~X11Display() {
  if (display_ == nullptr) return;
  // Closing syncs, which is where a server that died unnoticed is found: the connection must
  // still be in the table then, or Xlib's default handler ends the process.
  XCloseDisplay(display_);
  std::lock_guard<std::mutex> lock(g_connectionsMutex);
  // The address may already belong to a connection opened since on another thread.
  Connection* entry = Find(display_);
  if (entry != nullptr && entry->errors == &errors_) *entry = {};
}

bool X11Display::SyncWithoutErrors() {
  if (!Usable()) return false;
  XSync(display_, False);
  return errors_.exchange(0) == 0 && !lost_.load();
}

int X11Display::OnError(Display* display, XErrorEvent* event) {
  {
    std::lock_guard<std::mutex> lock(g_connectionsMutex);
    if (Connection* entry = Find(display)) {
      entry->errors->fetch_add(1);
      return 0;
    }
  }
  return g_previousHandler != nullptr ? g_previousHandler(display, event) : 0;
}

int X11Display::OnIoError(Display* display) {
  {
    std::lock_guard<std::mutex> lock(g_connectionsMutex);
    // Returning lets Xlib call the connection's exit handler (OnLost) instead of exit().
    if (Find(display) != nullptr) return 0;
  }
  return g_previousIoHandler != nullptr ? g_previousIoHandler(display) : 0;
}

void X11Display::OnLost(Display* display, void* self) {
  static_cast<X11Display*>(self)->lost_.store(true);
  // Xlib locks the display for this thread before calling the handlers and, expecting the
  // process to end, never unlocks it: any other thread's call, the close included, would wait
  // for ever. The internal lock is free here, as XUnlockDisplay needs.
  XUnlockDisplay(display);
}

}  // namespace mirrodex
