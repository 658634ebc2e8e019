// A key press in the device screen window as the requests it sends to the device.
// Each press sends one thing at most:
// - platform code 1: the page, end, home, arrow, select, print, execute, print screen,
//   insert and delete keys (virtual keys 33..46) go as virtual keys; every other key goes as
//   the characters it types, if any;
// - every other platform: a key that types a printable character goes as that character, and
//   every other key as its virtual key. On the smartphone platforms (4 and 6) the number pad
//   and the "+", "-" and "." characters go as virtual keys too, which the agent turns into the
//   phone's keys.
// A key that goes as a virtual key never sends its character as well, so Enter, Space or "+"
// are never typed twice, and a modifier pressed alone sends nothing. Key combinations the window's accelerators claim are commands and
// never reach the device.
// Threads: any; no state.
#pragma once

#include <QString>
#include <Qt>
#include <cstdint>
#include <vector>

namespace mirrodex::app {

struct KeySend {
  uint32_t code = 0;
  bool isVirtualKey = false;
  bool operator==(const KeySend&) const = default;
};

class KeyTranslator {
 public:
  // The requests for one key press: `key` and `modifiers` as Qt reports them, `text` the
  // characters the press types.
  static std::vector<KeySend> Translate(int key, Qt::KeyboardModifiers modifiers, const QString& text,
                                        uint16_t platform);
  // True for the frame's accelerator keys (F5, F6, Shift+F6, Ctrl+2, Ctrl+C, Ctrl+F, Ctrl+S,
  // Ctrl+T, Ctrl+V, Ctrl+X, Ctrl+Z, Ctrl+Insert, Shift+Insert, Shift+Delete, Alt+Backspace).
  static bool IsAccelerator(int key, Qt::KeyboardModifiers modifiers);
};

}  // namespace mirrodex::app
