// The demo device's window: covers the whole X screen (no window manager is expected),
// draws the clock, counter, buttons and text field into a back buffer and shows it, and
// turns pointer and key events into DemoState changes.
// Thread: the main thread only. Owns its display connection and every X resource.
#pragma once

#include <X11/Xlib.h>

#include <array>
#include <csignal>
#include <memory>
#include <string>

#include "tools/demo-device/DemoLayout.h"
#include "tools/demo-device/DemoState.h"

namespace mirrodex::demo {

class DemoDevice {
 public:
  // Connects to the display (nullptr: $DISPLAY) and maps the window; nullptr with `error`.
  static std::unique_ptr<DemoDevice> Open(const char* displayName, std::string& error);
  ~DemoDevice();
  DemoDevice(const DemoDevice&) = delete;
  DemoDevice& operator=(const DemoDevice&) = delete;

  // Serves events and the one-second tick until `stop` becomes non-zero or the display
  // connection breaks; returns the program's exit status.
  int Run(const volatile std::sig_atomic_t& stop);

 private:
  DemoDevice() = default;
  void Handle(XEvent& event);
  void Redraw();
  void FillRect(const Rect& r, unsigned long pixel);
  void DrawCentred(const Rect& r, const std::string& text, unsigned long pixel);
  unsigned long Colour(uint8_t r, uint8_t g, uint8_t b);

  Display* display_ = nullptr;
  Window window_ = 0;
  Pixmap back_ = 0;
  GC gc_ = nullptr;
  XFontStruct* font_ = nullptr;
  int width_ = 0, height_ = 0;
  DemoLayout layout_;
  DemoState state_;
  unsigned long background_ = 0, foreground_ = 0, titleBar_ = 0, field_ = 0, held_ = 0;
  std::array<unsigned long, 6> buttonColours_{};
};

}  // namespace mirrodex::demo
