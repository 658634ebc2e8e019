// The input backend for a device with an X display: keys, characters and the pointer are
// replayed as XTest events on the display's core keyboard and pointer.
// A key is the key whose first level carries its keysym, pressed alone. A character is typed
// with whatever key and Shift state give it in the current layout, group and lock state;
// a character on no key is typed on a spare keycode lent to it (see SpareKeycodes), so any
// character can be typed whatever the layout.
// The display is opened at the first call and again after it was lost. The destructor
// releases a button left down and gives lent keycodes back.
// Thread: one thread makes every call (the screen-session thread).
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>

#include "agent/input/IInputInjector.h"
#include "agent/input/xtest/SpareKeycodes.h"
#include "agent/input/xtest/XKeyboardMap.h"

namespace mirrodex {

class X11Display;

class CXTestInjector final : public IInputInjector {
 public:
  // `displayName` as for XOpenDisplay; empty means $DISPLAY.
  explicit CXTestInjector(std::string displayName);
  ~CXTestInjector() override;

  void SetScreenSize(uint32_t width, uint32_t height) override;
  [[nodiscard]] bool PressKey(const VirtualKey& key, bool withControl, std::string& error) override;
  [[nodiscard]] bool TypeCharacter(char32_t character, std::string& error) override;
  [[nodiscard]] bool Pointer(uint32_t x, uint32_t y, PointerAction action,
                             std::string& error) override;

 private:
  // Connects when needed and brings the keyboard map up to date.
  [[nodiscard]] bool Ready(std::string& error);
  [[nodiscard]] bool Connect(std::string& error);
  void Disconnect();
  // Any event on this connection is a keyboard mapping change (nothing else is selected).
  [[nodiscard]] bool RefreshMap(std::string& error);
  // The stroke that gives `keysym` now, lending a spare keycode when no key does.
  [[nodiscard]] bool StrokeFor(KeySym keysym, bool plainKeyFirst, XKeyboardMap::Stroke& stroke,
                               std::string& error);
  [[nodiscard]] bool Press(const XKeyboardMap::Stroke& stroke, bool withControl,
                           std::string& error);
  // Sends what was queued and waits for the server; false when it refused any of it.
  [[nodiscard]] bool Finish(const char* what, std::string& error);

  std::string displayName_;
  std::unique_ptr<X11Display> display_;
  XKeyboardMap map_;
  SpareKeycodes spare_;
  bool mapStale_ = true;
  bool buttonDown_ = false;
  int group_ = 0;      // the keyboard group in effect, read before each call
  unsigned mods_ = 0;  // the modifiers in effect (locks included), read before each call
};

}  // namespace mirrodex
