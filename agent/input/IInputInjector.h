// What an input backend does for the command processor: press keys, type characters and
// work the pointer on the device's screen. Backends: XTest on an X display (xtest/), uinput on
// a device without one (uinput/); tests use recording twins.
// Thread: one thread (the screen-session thread) makes every call. Failures are results with
// a message; a failed call leaves no key or button pressed.
#pragma once

#include <cstdint>
#include <string>

#include "agent/input/VirtualKeys.h"
#include "protocol/CommandWords.h"

namespace mirrodex {

class IInputInjector {
 public:
  virtual ~IInputInjector() = default;

  // The size in pixels of the screen that pointer positions address. Called before the
  // first Pointer and again whenever it changes.
  virtual void SetScreenSize(uint32_t width, uint32_t height) = 0;
  // Presses and releases one key, holding Control around it when asked.
  [[nodiscard]] virtual bool PressKey(const VirtualKey& key, bool withControl,
                                      std::string& error) = 0;
  // Types one printable Unicode character (no surrogates, no control characters).
  [[nodiscard]] virtual bool TypeCharacter(char32_t character, std::string& error) = 0;
  // Moves the pointer to pixel (x, y) of the screen, then presses or releases the left
  // button for kLeftDown and kLeftUp. Positions lie inside the screen size given.
  [[nodiscard]] virtual bool Pointer(uint32_t x, uint32_t y, PointerAction action,
                                     std::string& error) = 0;
};

}  // namespace mirrodex
