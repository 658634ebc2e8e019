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
  xkb_ = XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
  if (xkb_ == nullptr || xkb_->map == nullptr) {
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
  return XkbKeySymEntry(xkb_, keycode, level, g);
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

bool XKeyboardMap::IsEmpty(KeyCode keycode) const {
  if (keycode < xkb_->min_key_code || keycode > xkb_->max_key_code) return false;
  const int count = XkbKeyNumSyms(xkb_, keycode);
  for (int i = 0; i < count; ++i) {
    if (XkbKeySym(xkb_, keycode, i) != NoSymbol) return false;
  }
  return true;
}

KeySym XKeyboardMap::OnlySymbol(KeyCode keycode) const {
  if (keycode < xkb_->min_key_code || keycode > xkb_->max_key_code) return NoSymbol;
  KeySym only = NoSymbol;
  const int count = XkbKeyNumSyms(xkb_, keycode);
  for (int i = 0; i < count; ++i) {
    const KeySym sym = XkbKeySym(xkb_, keycode, i);
    if (sym == NoSymbol || sym == only) continue;
    if (only != NoSymbol) return NoSymbol;
    only = sym;
  }
  return only;
}

std::vector<KeyCode> XKeyboardMap::EmptyKeycodes() const {
  std::vector<KeyCode> empty;
  for (int k = xkb_->min_key_code; k <= xkb_->max_key_code; ++k) {
    if (IsEmpty(static_cast<KeyCode>(k))) empty.push_back(static_cast<KeyCode>(k));
  }
  return empty;
}

}  // namespace mirrodex
