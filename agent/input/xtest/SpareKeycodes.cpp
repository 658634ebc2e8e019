#include "agent/input/xtest/SpareKeycodes.h"

#include <algorithm>

namespace mirrodex {

void SpareKeycodes::Reset(const std::vector<KeyCode>& keycodes) {
  slots_.clear();
  for (const KeyCode keycode : keycodes) slots_.push_back({keycode});
  clock_ = 0;
}

std::optional<KeyCode> SpareKeycodes::Bind(Display* display, XKeyboardMap& map, KeySym keysym) {
  if (slots_.empty()) return std::nullopt;
  KeySym lower = NoSymbol, upper = NoSymbol;
  XConvertCase(keysym, &lower, &upper);  // a letter and its capital share one keycode
  ++clock_;
  for (Slot& slot : slots_) {
    if (slot.bound == lower) {
      slot.lastUse = clock_;
      return slot.keycode;
    }
  }
  // Free slots have lastUse 0, so they go before any bound one.
  Slot& slot = *std::min_element(slots_.begin(), slots_.end(), [](const Slot& a, const Slot& b) {
    return a.lastUse < b.lastUse;
  });
  if (!map.LendKey(display, slot.keycode, keysym)) return std::nullopt;
  slot.bound = lower;
  slot.lastUse = clock_;
  return slot.keycode;
}

void SpareKeycodes::Reconcile(const XKeyboardMap& map) {
  std::erase_if(slots_, [&map](Slot& slot) {
    if (map.IsEmpty(slot.keycode)) {
      slot.bound = NoSymbol;
      slot.lastUse = 0;
      return false;
    }
    return slot.bound == NoSymbol || map.FirstSymbol(slot.keycode) != slot.bound;
  });
}

void SpareKeycodes::UnbindAll(Display* display) {
  for (Slot& slot : slots_) {
    if (slot.bound == NoSymbol) continue;
    KeySym none = NoSymbol;
    XChangeKeyboardMapping(display, slot.keycode, 1, &none, 1);
    slot.bound = NoSymbol;
    slot.lastUse = 0;
  }
}

}  // namespace mirrodex
