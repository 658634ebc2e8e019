// mirrodex-xwin: small X11 helper for scripts and end-to-end tests on a private X server.
//   find TITLE          prints "x y width height" of the first visible top-level window whose
//                       title starts with TITLE (exit 1 when there is none)
//   grab FILE [X Y W H] saves the screen (or the rectangle) as a PNG file
//   click X Y           presses and releases the left button at a screen point (XTest)
//   type TEXT           types TEXT through XTest (letters, digits and space)
//   key CHORD            presses a key with modifiers, e.g. F5, ctrl+2, shift+Insert
//   pixel X Y           prints the screen pixel at X, Y as "r g b"
//   locate NEEDLE HAYSTACK
//                       finds the picture NEEDLE (PNG) inside HAYSTACK (PNG) and prints
//                       "x y maxdiff": its best place and the largest channel difference there
//   click-wait X Y RX RY RW RH SECONDS
//                       clicks at X, Y and waits until the rectangle RX RY RW RH changes
//   latency DEVICE DX DY WX WY COUNT
//                       on the X server DEVICE, turns a 16 x 16 square at DX, DY red and blue
//                       COUNT times; each time measures how long until the screen of $DISPLAY
//                       shows that colour at WX, WY; prints the median and 95th percentile
// Uses $DISPLAY. Exit code 0 on success, 1 on failure, 2 on a usage error.
#include <QImage>  // before Xlib, whose macros clash with Qt's names

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int QuietErrors(Display*, XErrorEvent*) { return 0; }

std::string WindowTitle(Display* d, Window w) {
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
  Atom type;
  int format;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &items, &after, &data) == Success && data) {
    title.assign(reinterpret_cast<char*>(data), items);
    XFree(data);
    return title;
  }
  char* name = nullptr;
  if (XFetchName(d, w, &name) && name) {
    title = name;
    XFree(name);
  }
  return title;
}

bool FindWindow(Display* d, Window parent, const std::string& prefix, int depth, int out[4]) {
  Window root, up, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(d, parent, &root, &up, &children, &count)) return false;
  bool found = false;
  for (unsigned int i = count; i-- > 0 && !found;) {  // topmost first
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
    if (WindowTitle(d, children[i]).rfind(prefix, 0) == 0) {
      Window child;
      XTranslateCoordinates(d, children[i], DefaultRootWindow(d), 0, 0, &out[0], &out[1], &child);
      out[2] = a.width;
      out[3] = a.height;
      found = true;
    } else if (depth > 0) {
      found = FindWindow(d, children[i], prefix, depth - 1, out);
    }
  }
  if (children) XFree(children);
  return found;
}

QImage Grab(Display* d, int x, int y, int w, int h) {
  // Only the part on the screen can be read.
  const int sw = DisplayWidth(d, DefaultScreen(d)), sh = DisplayHeight(d, DefaultScreen(d));
  if (x < 0) w += x, x = 0;
  if (y < 0) h += y, y = 0;
  w = std::min(w, sw - x);
  h = std::min(h, sh - y);
  if (w <= 0 || h <= 0) return {};
  XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap);
  if (!image) return {};
  QImage out(w, h, QImage::Format_RGB32);
  const unsigned long rm = image->red_mask, gm = image->green_mask, bm = image->blue_mask;
  auto channel = [](unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const unsigned long max = mask >> shift;
    return static_cast<int>(((pixel & mask) >> shift) * 255 / max);
  };
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col) {
      const unsigned long p = XGetPixel(image, col, row);
      out.setPixel(col, row, qRgb(channel(p, rm), channel(p, gm), channel(p, bm)));
    }
  XDestroyImage(image);
  return out;
}

// The largest channel difference between `needle` and `haystack` at (ox, oy), sampling every
// `step` pixels; stops early once it passes `limit`.
int Difference(const QImage& needle, const QImage& haystack, int ox, int oy, int step, int limit) {
  int worst = 0;
  for (int y = 0; y < needle.height(); y += step)
    for (int x = 0; x < needle.width(); x += step) {
      const QRgb a = reinterpret_cast<const QRgb*>(needle.constScanLine(y))[x];
      const QRgb b = reinterpret_cast<const QRgb*>(haystack.constScanLine(oy + y))[ox + x];
      worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
      if (worst > limit) return worst;
    }
  return worst;
}

int Locate(const char* needlePath, const char* haystackPath) {
  const QImage needle = QImage(QString::fromLocal8Bit(needlePath)).convertToFormat(QImage::Format_RGB32);
  const QImage haystack = QImage(QString::fromLocal8Bit(haystackPath)).convertToFormat(QImage::Format_RGB32);
  if (needle.isNull() || haystack.isNull() || needle.width() > haystack.width() || needle.height() > haystack.height())
    return 1;
  int bestX = 0, bestY = 0, best = 256;
  for (int oy = 0; oy + needle.height() <= haystack.height(); ++oy)
    for (int ox = 0; ox + needle.width() <= haystack.width(); ++ox) {
      const int d = Difference(needle, haystack, ox, oy, 7, std::min(best, 64));
      if (d < best) best = d, bestX = ox, bestY = oy;
    }
  std::printf("%d %d %d\n", bestX, bestY, Difference(needle, haystack, bestX, bestY, 1, 256));
  return 0;
}

int Latency(Display* d, const char* deviceName, int dx, int dy, int wx, int wy, int count) {
  Display* device = XOpenDisplay(deviceName);
  if (!device) return 1;
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  const Window square = XCreateWindow(device, DefaultRootWindow(device), dx, dy, 16, 16, 0, CopyFromParent, InputOutput,
                                      CopyFromParent, CWOverrideRedirect, &attributes);
  XMapRaised(device, square);
  XSync(device, False);
  Colormap map = DefaultColormap(device, DefaultScreen(device));
  XColor colours[2];
  XParseColor(device, map, "#ff0000", &colours[0]);
  XParseColor(device, map, "#0000ff", &colours[1]);
  XAllocColor(device, map, &colours[0]);
  XAllocColor(device, map, &colours[1]);
  std::vector<double> ms;
  int missed = 0;
  for (int i = 0; i < count; ++i) {
    const bool red = i % 2 == 0;
    XSetWindowBackground(device, square, colours[red ? 0 : 1].pixel);
    XClearWindow(device, square);
    XSync(device, False);
    const auto start = std::chrono::steady_clock::now();
    bool seen = false;
    while (!seen && std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
      const QImage p = Grab(d, wx, wy, 1, 1);
      if (!p.isNull()) {
        const QRgb c = p.pixel(0, 0);
        seen = red ? qRed(c) > 200 && qBlue(c) < 60 : qBlue(c) > 200 && qRed(c) < 60;
      }
      if (!seen) usleep(200);
    }
    if (seen)
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    else
      ++missed;
    usleep(30000);  // a quiet moment between changes, as a user's taps have
  }
  XDestroyWindow(device, square);
  XCloseDisplay(device);
  if (ms.empty()) return 1;
  std::sort(ms.begin(), ms.end());
  std::printf("changes %zu  missed %d  median %.1f ms  p95 %.1f ms  min %.1f ms  max %.1f ms\n", ms.size(), missed,
              ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 95 / 100)], ms.front(), ms.back());
  return 0;
}

int Usage() {
  std::fputs("usage: mirrodex-xwin find TITLE | grab FILE [X Y W H] | click X Y | type TEXT | pixel X Y |\n"
             "       key CHORD | locate NEEDLE HAYSTACK | click-wait X Y RX RY RW RH SECONDS |\n"
             "       latency DEVICE DX DY WX WY COUNT\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  if (std::strcmp(argv[1], "locate") == 0) return argc == 4 ? Locate(argv[2], argv[3]) : Usage();
  XSetErrorHandler(QuietErrors);
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fputs("mirrodex-xwin: cannot open the display\n", stderr);
    return 1;
  }
  const std::string command = argv[1];
  int status = 0;
  if (command == "find" && argc == 3) {
    int g[4];
    if (FindWindow(d, DefaultRootWindow(d), argv[2], 2, g))
      std::printf("%d %d %d %d\n", g[0], g[1], g[2], g[3]);
    else
      status = 1;
  } else if (command == "grab" && (argc == 3 || argc == 7)) {
    int x = 0, y = 0, w = DisplayWidth(d, DefaultScreen(d)), h = DisplayHeight(d, DefaultScreen(d));
    if (argc == 7) x = std::atoi(argv[3]), y = std::atoi(argv[4]), w = std::atoi(argv[5]), h = std::atoi(argv[6]);
    const QImage image = w > 0 && h > 0 ? Grab(d, x, y, w, h) : QImage();
    status = !image.isNull() && image.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
  } else if (command == "pixel" && argc == 4) {
    const QImage image = Grab(d, std::atoi(argv[2]), std::atoi(argv[3]), 1, 1);
    if (image.isNull()) {
      status = 1;
    } else {
      const QRgb p = image.pixel(0, 0);
      std::printf("%d %d %d\n", qRed(p), qGreen(p), qBlue(p));
    }
  } else if (command == "click" && argc == 4) {
    XTestFakeMotionEvent(d, DefaultScreen(d), std::atoi(argv[2]), std::atoi(argv[3]), CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XSync(d, False);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
  } else if (command == "click-wait" && argc == 9) {
    const int rx = std::atoi(argv[4]), ry = std::atoi(argv[5]), rw = std::atoi(argv[6]), rh = std::atoi(argv[7]);
    const QImage before = Grab(d, rx, ry, rw, rh);
    XTestFakeMotionEvent(d, DefaultScreen(d), std::atoi(argv[2]), std::atoi(argv[3]), CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XSync(d, False);
    usleep(50000);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XSync(d, False);
    status = 1;
    for (int i = 0; i < std::atoi(argv[8]) * 10 && status != 0 && !before.isNull(); ++i) {
      usleep(100000);
      if (Grab(d, rx, ry, rw, rh) != before) status = 0;
    }
  } else if (command == "latency" && argc == 8) {
    status = Latency(d, argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]),
                     std::atoi(argv[7]));
  } else if (command == "key" && argc == 3) {
    std::string chord = argv[2];
    std::vector<KeyCode> held;
    size_t plus;
    while ((plus = chord.find('+')) != std::string::npos && plus + 1 < chord.size()) {
      const std::string mod = chord.substr(0, plus);
      chord = chord.substr(plus + 1);
      const KeySym sym = mod == "ctrl" ? XK_Control_L : mod == "shift" ? XK_Shift_L : mod == "alt" ? XK_Alt_L : NoSymbol;
      if (const KeyCode code = sym != NoSymbol ? XKeysymToKeycode(d, sym) : 0) {
        XTestFakeKeyEvent(d, code, True, CurrentTime);
        held.push_back(code);
      }
    }
    const KeyCode code = XKeysymToKeycode(d, XStringToKeysym(chord.c_str()));
    status = code ? 0 : 1;
    if (code) {
      XTestFakeKeyEvent(d, code, True, CurrentTime);
      XTestFakeKeyEvent(d, code, False, CurrentTime);
    }
    for (auto it = held.rbegin(); it != held.rend(); ++it) XTestFakeKeyEvent(d, *it, False, CurrentTime);
  } else if (command == "type" && argc == 3) {
    for (const char* c = argv[2]; *c; ++c) {
      char name[2] = {*c, 0};
      const KeySym sym = *c == ' ' ? XK_space : XStringToKeysym(name);
      const KeyCode code = XKeysymToKeycode(d, sym);
      if (!code) continue;
      XTestFakeKeyEvent(d, code, True, CurrentTime);
      XTestFakeKeyEvent(d, code, False, CurrentTime);
    }
  } else {
    status = Usage();
  }
  XSync(d, False);
  XCloseDisplay(d);
  return status;
}
