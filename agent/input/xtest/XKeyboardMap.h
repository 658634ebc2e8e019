// A copy of the X server's keyboard map (XKB key types, symbols and actions) and the questions the
// XTest backend asks of it: which key gives a keysym, and with or without Shift, in the
// group and with the locked modifiers in effect now.
// Thread: one owner. Load replaces the copy; the finders read it.
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <optional>
#include <string>
#include <vector>

namespace mirrodex {

class XKeyboardMap {
 public:
  struct Stroke {
    KeyCode keycode;
    bool shift;  // hold Shift while pressing it
  };

  XKeyboardMap() = default;
  ~XKeyboardMap();
  XKeyboardMap(const XKeyboardMap&) = delete;
  XKeyboardMap& operator=(const XKeyboardMap&) = delete;

  // Reads the map of the core keyboard; false with `error` (the old copy is gone then).
  [[nodiscard]] bool Load(Display* display, std::string& error);
  bool Loaded() const { return xkb_ != nullptr; }

  // A key whose first level in `group` is `keysym`: pressed alone it is that key.
  std::optional<KeyCode> FindPlainKey(KeySym keysym, int group) const;
  // A key that gives `keysym` when pressed with `mods` in effect, plain or with Shift
  // (plain preferred). Clients turn a letter into a capital under Caps Lock when the key's
  // type leaves Lock alone; that counts here too.
  std::optional<Stroke> FindStroke(KeySym keysym, int group, unsigned mods) const;
  // The same question for one key.
  std::optional<Stroke> StrokeOnKey(KeyCode keycode, KeySym keysym, int group, unsigned mods) const;

  // Gives `keycode` the one keysym, here and on the server: a letter with its capital on the
  // alphabetic key type (capital with Shift or Caps Lock), anything else on one level. The
  // server tells every client that the map changed. False when the copy has no such key.
  [[nodiscard]] bool LendKey(Display* display, KeyCode keycode, KeySym keysym);

  // Keycodes that carry no symbol at all.
  std::vector<KeyCode> EmptyKeycodes() const;
  bool IsEmpty(KeyCode keycode) const;
  // The keysym of the key's first level in its first group; NoSymbol when it has none.
  KeySym FirstSymbol(KeyCode keycode) const;

 private:
  // The group the key uses while `group` is in effect (XKB's out-of-range rules); -1 when the
  // key has no groups.
  int KeyGroup(KeyCode keycode, int group) const;
  KeySym SymbolFor(KeyCode keycode, int group, unsigned mods) const;

  XkbDescPtr xkb_ = nullptr;
};

}  // namespace mirrodex
