#include "agent/services/X11Windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <array>

namespace mirrodex {
namespace {

// Source indication for _NET_ACTIVE_WINDOW: a pager or similar tool acting for the user.
constexpr long kSourcePager = 2;

}  // namespace

X11Windows::X11Windows(const std::string& displayName) : display_(displayName) {
  if (!display_.Usable()) return;
  std::array<const char*, 6> names = {"_NET_WM_PID", "_NET_CLIENT_LIST", "_NET_ACTIVE_WINDOW",
                                      "_NET_SUPPORTING_WM_CHECK", "WM_PROTOCOLS", "WM_DELETE_WINDOW"};
  std::array<Atom, 6> atoms{};
  XInternAtoms(display_.Get(), const_cast<char**>(names.data()), static_cast<int>(names.size()),
               False, atoms.data());
  netWmPid_ = atoms[0], netClientList_ = atoms[1], netActiveWindow_ = atoms[2];
  netSupportingCheck_ = atoms[3], wmProtocols_ = atoms[4], wmDeleteWindow_ = atoms[5];
}

std::vector<Window> X11Windows::WindowList(Window window, Atom property) {
  std::vector<Window> windows;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display_.Get(), window, property, 0, 1 << 16, False, AnyPropertyType,
                         &type, &format, &count, &after, &data) == Success && data != nullptr) {
    if (format == 32 && (type == XA_WINDOW || type == XA_CARDINAL)) {
      const auto* items = reinterpret_cast<const unsigned long*>(data);  // Xlib widens to long
      windows.assign(items, items + count);
    }
    XFree(data);
  }
  return windows;
}

bool X11Windows::ProcessIdOf(Window window, uint32_t& id) {
  const auto values = WindowList(window, netWmPid_);
  if (values.size() != 1) return false;
  id = static_cast<uint32_t>(values[0]);
  return true;
}

bool X11Windows::WindowManagerRuns() {
  const Window root = DefaultRootWindow(display_.Get());
  const auto check = WindowList(root, netSupportingCheck_);
  if (check.size() != 1) return false;
  // A manager that died leaves the root's property behind; its own window would be gone.
  const auto self = WindowList(check[0], netSupportingCheck_);
  return display_.SyncWithoutErrors() && self.size() == 1 && self[0] == check[0];
}

std::vector<Window> X11Windows::OfProcess(uint32_t processId) {
  std::vector<Window> candidates;
  if (!Usable()) return candidates;
  Display* dpy = display_.Get();
  const Window root = DefaultRootWindow(dpy);
  candidates = WindowList(root, netClientList_);
  Window rootReturn = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(dpy, root, &rootReturn, &parent, &children, &count) != 0 && children != nullptr) {
    // A server that goes away mid-walk ends it: its connection is dead from then on.
    for (unsigned int i = 0; i < count && Usable(); ++i) {
      candidates.push_back(children[i]);
      Window* inner = nullptr;
      unsigned int innerCount = 0;
      if (XQueryTree(dpy, children[i], &rootReturn, &parent, &inner, &innerCount) != 0 && inner != nullptr) {
        candidates.insert(candidates.end(), inner, inner + innerCount);
        XFree(inner);
      }
    }
    XFree(children);
  }
  std::vector<Window> windows;
  for (const Window window : candidates) {
    if (!Usable()) return {};
    uint32_t id = 0;
    if (ProcessIdOf(window, id) && id == processId &&
        std::find(windows.begin(), windows.end(), window) == windows.end()) {
      windows.push_back(window);
    }
  }
  (void)display_.SyncWithoutErrors();  // windows that vanished during the walk are not an error
  return windows;
}

bool X11Windows::TakesDelete(Window window) {
  Atom* protocols = nullptr;
  int count = 0;
  if (XGetWMProtocols(display_.Get(), window, &protocols, &count) == 0) return false;
  const bool takes = std::find(protocols, protocols + count, wmDeleteWindow_) != protocols + count;
  XFree(protocols);
  return takes;
}

int X11Windows::AskToClose(const std::vector<Window>& windows) {
  int asked = 0;
  for (const Window window : windows) {
    if (!Usable()) break;
    if (!TakesDelete(window)) continue;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = wmProtocols_;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(wmDeleteWindow_);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_.Get(), window, False, NoEventMask, &event);
    ++asked;
  }
  (void)display_.SyncWithoutErrors();
  return asked;
}

bool X11Windows::BringToFront(const std::vector<Window>& windows) {
  if (windows.empty() || !Usable()) return false;
  Display* dpy = display_.Get();
  const Window root = DefaultRootWindow(dpy);
  if (WindowManagerRuns()) {
    // Ask for a window the manager manages; hidden helper windows share the process id.
    const auto managed = WindowList(root, netClientList_);
    const auto found = std::find_first_of(windows.begin(), windows.end(), managed.begin(), managed.end());
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = found != windows.end() ? *found : windows.front();
    event.xclient.message_type = netActiveWindow_;
    event.xclient.format = 32;
    event.xclient.data.l[0] = kSourcePager;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    return display_.SyncWithoutErrors();
  }
  // Without a manager only windows on the screen count: an unmapped one was withdrawn.
  std::vector<Window> shown;
  for (const Window window : windows) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(dpy, window, &attributes) != 0 && attributes.map_state == IsViewable) {
      shown.push_back(window);
    }
  }
  Window target = 0;
  for (const Window window : shown) {
    Window owner = 0;
    if (target == 0 && XGetTransientForHint(dpy, window, &owner) == 0) target = window;
  }
  if (target == 0 && !shown.empty()) target = shown.front();
  if (target == 0) return false;
  XRaiseWindow(dpy, target);
  for (const Window window : shown) {
    Window owner = 0;
    if (XGetTransientForHint(dpy, window, &owner) != 0 && owner == target) XRaiseWindow(dpy, window);
  }
  XSetInputFocus(dpy, target, RevertToPointerRoot, CurrentTime);
  return display_.SyncWithoutErrors();
}

}  // namespace mirrodex
