#include "agent/input/xtest/XKeyboardMap.h"

namespace mirrodex {

XKeyboardMap::~XKeyboardMap() {
  if (xkb_ != nullptr) XkbFreeKeyboard(xkb_, 0, True);
}

bool XKeyboardMap::Load(Display* display, std::string& error) {
  if (xkb_ != nullptr) {
    XkbFreeKeyboard(xkb_, 0, True);
    xkb_ = nullptr;
  }
  // The server part too: XkbChangeTypesOfKey moves a key's actions along when its width
  // changes, and reads them from there.
  xkb_ = XkbGetMap(display, XkbAllClientInfoMask | XkbAllServerInfoMask, XkbUseCoreKbd);
  if (xkb_ == nullptr || xkb_->map == nullptr || xkb_->server == nullptr) {
    error = "the X server did not hand over its keyboard map";
    if (xkb_ != nullptr) XkbFreeKeyboard(xkb_, 0, True);
    xkb_ = nullptr;
    return false;
  }
  return true;
}

int XKeyboardMap::KeyGroup(KeyCode keycode, int group) const {
  const int groups = XkbKeyNumGroups(xkb_, keycode);
  if (groups == 0) return -1;
  if (group >= 0 && group < groups) return group;
  const unsigned info = XkbKeyGroupInfo(xkb_, keycode);
  switch (XkbOutOfRangeGroupAction(info)) {
    case XkbClampIntoRange:
      return group < 0 ? 0 : groups - 1;
    case XkbRedirectIntoRange: {
      const int target = XkbOutOfRangeGroupNumber(info);
      return target < groups ? target : 0;
    }
    default:
      return (group % groups + groups) % groups;
  }
}

KeySym XKeyboardMap::SymbolFor(KeyCode keycode, int group, unsigned mods) const {
  const int g = KeyGroup(keycode, group);
  if (g < 0) return NoSymbol;
  const XkbKeyTypePtr type = XkbKeyKeyType(xkb_, keycode, g);
  // The key type picks the level from the modifiers it cares about; no entry means level 1.
  const unsigned relevant = mods & type->mods.mask;
  int level = 0;
  for (int i = 0; i < type->map_count; ++i) {
    const XkbKTMapEntryRec& entry = type->map[i];
    if (entry.active && entry.mods.mask == relevant) {
      level = entry.level;
      break;
    }
  }
  if (level >= XkbKeyGroupWidth(xkb_, keycode, g)) return NoSymbol;
  const KeySym symbol = XkbKeySymEntry(xkb_, keycode, level, g);
  if ((mods & LockMask) == 0 || (type->mods.mask & LockMask) != 0) return symbol;
  KeySym lower = NoSymbol, upper = NoSymbol;
  XConvertCase(symbol, &lower, &upper);
  return upper;
}

std::optional<KeyCode> XKeyboardMap::FindPlainKey(KeySym keysym, int group) const {
  for (int k = xkb_->min_key_code; k <= xkb_->max_key_code; ++k) {
    const KeyCode keycode = static_cast<KeyCode>(k);
    const int g = KeyGroup(keycode, group);
    if (g >= 0 && XkbKeySymEntry(xkb_, keycode, 0, g) == keysym) return keycode;
  }
  return std::nullopt;
}

std::optional<XKeyboardMap::Stroke> XKeyboardMap::FindStroke(KeySym keysym, int group,
                                                             unsigned mods) const {
  for (const bool shift : {false, true}) {
    const unsigned withShift = shift ? (mods | ShiftMask) : mods;
    for (int k = xkb_->min_key_code; k <= xkb_->max_key_code; ++k) {
      const KeyCode keycode = static_cast<KeyCode>(k);
      if (SymbolFor(keycode, group, withShift) == keysym) return Stroke{keycode, shift};
    }
  }
  return std::nullopt;
}

std::optional<XKeyboardMap::Stroke> XKeyboardMap::StrokeOnKey(KeyCode keycode, KeySym keysym,
                                                              int group, unsigned mods) const {
  if (keycode < xkb_->min_key_code || keycode > xkb_->max_key_code) return std::nullopt;
  for (const bool shift : {false, true}) {
    if (SymbolFor(keycode, group, shift ? (mods | ShiftMask) : mods) == keysym) {
      return Stroke{keycode, shift};
    }
  }
  return std::nullopt;
}

bool XKeyboardMap::LendKey(Display* display, KeyCode keycode, KeySym keysym) {
  if (keycode < xkb_->min_key_code || keycode > xkb_->max_key_code) return false;
  KeySym lower = NoSymbol, upper = NoSymbol;
  XConvertCase(keysym, &lower, &upper);
  const bool letter = lower != upper;
  // Set explicitly: the server only recognises the cases of its older keysyms, not of
  // Unicode ones, and a letter on a type that ignores Lock turns capital under Caps Lock.
  int types[XkbNumKbdGroups] = {letter ? XkbAlphabeticIndex : XkbOneLevelIndex};
  XkbMapChangesRec changes{};
  if (XkbChangeTypesOfKey(xkb_, keycode, 1, XkbGroup1Mask, types, &changes) != Success) {
    return false;
  }
  KeySym* symbols = XkbResizeKeySyms(xkb_, keycode, letter ? 2 : 1);
  if (symbols == nullptr) return false;
  symbols[0] = letter ? lower : keysym;
  if (letter) symbols[1] = upper;
  changes.changed |= XkbKeySymsMask;
  changes.first_key_sym = keycode;
  changes.num_key_syms = 1;
  return XkbChangeMap(display, xkb_, &changes) != 0;
}

bool XKeyboardMap::IsEmpty(KeyCode keycode) const {
  if (keycode < xkb_->min_key_code || keycode > xkb_->max_key_code) return false;
  const int count = XkbKeyNumSyms(xkb_, keycode);
  for (int i = 0; i < count; ++i) {
    if (XkbKeySym(xkb_, keycode, i) != NoSymbol) return false;
  }
  return true;
}

KeySym XKeyboardMap::FirstSymbol(KeyCode keycode) const {
  if (keycode < xkb_->min_key_code || keycode > xkb_->max_key_code) return NoSymbol;
  if (XkbKeyNumGroups(xkb_, keycode) == 0 || XkbKeyGroupWidth(xkb_, keycode, 0) == 0) {
    return NoSymbol;
  }
  return XkbKeySymEntry(xkb_, keycode, 0, 0);
}

std::vector<KeyCode> XKeyboardMap::EmptyKeycodes() const {
  std::vector<KeyCode> empty;
  for (int k = xkb_->min_key_code; k <= xkb_->max_key_code; ++k) {
    if (IsEmpty(static_cast<KeyCode>(k))) empty.push_back(static_cast<KeyCode>(k));
  }
  return empty;
}

}  // namespace mirrodex
