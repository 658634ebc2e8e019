#include "agent/services/X11Display.h"

#include <map>
#include <mutex>

namespace mirrodex {
namespace {

std::mutex g_registryMutex;
std::map<Display*, std::atomic<unsigned>*> g_registry;  // our connections and their error counts
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
  display_ = XOpenDisplay(name.empty() ? nullptr : name.c_str());
  if (display_ == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(g_registryMutex);
    g_registry[display_] = &errors_;
  }
  XSetIOErrorExitHandler(display_, &X11Display::OnLost, this);
}

X11Display::~X11Display() {
  if (display_ == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(g_registryMutex);
    g_registry.erase(display_);
  }
  XCloseDisplay(display_);
}

bool X11Display::SyncWithoutErrors() {
  if (!Usable()) return false;
  XSync(display_, False);
  return errors_.exchange(0) == 0 && !lost_.load();
}

int X11Display::OnError(Display* display, XErrorEvent* event) {
  {
    std::lock_guard<std::mutex> lock(g_registryMutex);
    const auto found = g_registry.find(display);
    if (found != g_registry.end()) {
      found->second->fetch_add(1);
      return 0;
    }
  }
  return g_previousHandler != nullptr ? g_previousHandler(display, event) : 0;
}

int X11Display::OnIoError(Display* display) {
  {
    std::lock_guard<std::mutex> lock(g_registryMutex);
    // Returning lets Xlib call the connection's exit handler (OnLost) instead of exit().
    if (g_registry.count(display) != 0) return 0;
  }
  return g_previousIoHandler != nullptr ? g_previousIoHandler(display) : 0;
}

void X11Display::OnLost(Display*, void* self) {
  static_cast<X11Display*>(self)->lost_.store(true);
}

}  // namespace mirrodex
