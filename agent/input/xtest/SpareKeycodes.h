// Keycodes that carry no symbol in the keyboard map, lent to keysyms no key produces so they
// can be typed. A letter is lent with its capital, as a key of letters is, so that Caps Lock
// works on it as clients expect. A binding stays until the keycode is needed for another
// keysym (the one used longest ago is rebound first) or until UnbindAll: clients read the
// changed map when they handle the key event, so undoing it at once could make them read the
// old one, and a client that falls behind by more keys than there are spare keycodes can
// still read a later binding.
// Thread: one owner, on the thread that owns the display connection.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "agent/input/xtest/XKeyboardMap.h"

namespace mirrodex {

class SpareKeycodes {
 public:
  // The keycodes free to lend; forgets earlier bindings without touching the server.
  void Reset(const std::vector<KeyCode>& keycodes);
  // A keycode lent to `keysym` (see XKeyboardMap::LendKey): the one already bound to it,
  // else a free one, else the one used longest ago, rebound. nullopt when there is no spare
  // keycode at all or the map refuses it.
  std::optional<KeyCode> Bind(Display* display, XKeyboardMap& map, KeySym keysym);
  // After the map was read again: forgets keycodes someone else gave symbols to, and
  // bindings that someone else cleared.
  void Reconcile(const XKeyboardMap& map);
  // Gives every bound keycode back its empty mapping.
  void UnbindAll(Display* display);

  size_t Size() const { return slots_.size(); }

 private:
  struct Slot {
    KeyCode keycode;
    KeySym bound = NoSymbol;  // the first symbol (a letter's small form)
    uint64_t lastUse = 0;
  };

  std::vector<Slot> slots_;
  uint64_t clock_ = 0;
};

}  // namespace mirrodex
