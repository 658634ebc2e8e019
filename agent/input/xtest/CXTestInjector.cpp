#include "agent/input/xtest/CXTestInjector.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstdio>

#include "agent/services/X11Display.h"

namespace mirrodex {
namespace {

// Latin-1 characters have keysyms of their own value; every other character has the
// Unicode keysym 0x01000000 + its code point.
KeySym KeysymForCharacter(char32_t character) {
  if ((character >= 0x20 && character <= 0x7E) || (character >= 0xA0 && character <= 0xFF)) {
    return character;
  }
  return 0x01000000 | character;
}

std::string KeysymText(KeySym keysym) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(keysym));
  return text;
}

}  // namespace

CXTestInjector::CXTestInjector(std::string displayName) : displayName_(std::move(displayName)) {}

CXTestInjector::~CXTestInjector() {
  if (display_ == nullptr || !display_->Usable()) return;
  Display* d = display_->Get();
  if (buttonDown_) XTestFakeButtonEvent(d, 1, False, CurrentTime);
  spare_.UnbindAll(d);
  XSync(d, False);
}

void CXTestInjector::SetScreenSize(uint32_t /*width*/, uint32_t /*height*/) {
  // The server addresses the root window in its own pixels; nothing to scale.
}

bool CXTestInjector::Connect(std::string& error) {
  const char* shownName = XDisplayName(displayName_.empty() ? nullptr : displayName_.c_str());
  display_ = std::make_unique<X11Display>(displayName_);
  if (!display_->Usable()) {
    error = std::string("cannot open the X display \"") + shownName + "\"";
    display_.reset();
    return false;
  }
  Display* d = display_->Get();
  int event = 0, errorBase = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(d, &event, &errorBase, &major, &minor)) {
    error = std::string("the X display \"") + shownName + "\" has no XTEST extension";
    display_.reset();
    return false;
  }
  int opcode = 0;
  major = XkbMajorVersion;
  minor = XkbMinorVersion;
  if (!XkbQueryExtension(d, &opcode, &event, &errorBase, &major, &minor)) {
    error = std::string("the X display \"") + shownName + "\" has no XKEYBOARD extension";
    display_.reset();
    return false;
  }
  // Input must arrive even while another client grabs the server.
  XTestGrabControl(d, True);
  mapStale_ = true;
  if (!RefreshMap(error)) {
    display_.reset();
    return false;
  }
  spare_.Reset(map_.EmptyKeycodes());
  buttonDown_ = false;
  return true;
}

void CXTestInjector::Disconnect() {
  display_.reset();
}

bool CXTestInjector::RefreshMap(std::string& error) {
  Display* d = display_->Get();
  while (display_->Usable() && XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    mapStale_ = true;
  }
  if (!display_->Usable()) {
    error = "the X display closed";
    return false;
  }
  if (!mapStale_) return true;
  if (!map_.Load(d, error)) return false;
  spare_.Reconcile(map_);
  mapStale_ = false;
  return true;
}

bool CXTestInjector::Ready(std::string& error) {
  if (display_ != nullptr && !display_->Usable()) Disconnect();
  if (display_ == nullptr && !Connect(error)) return false;
  XkbStateRec state;
  if (!RefreshMap(error)) {
    if (!display_->Usable()) Disconnect();
    return false;
  }
  if (XkbGetState(display_->Get(), XkbUseCoreKbd, &state) != Success) {
    error = display_->Usable() ? "the X server did not report the keyboard's state"
                               : "the X display closed";
    if (!display_->Usable()) Disconnect();
    return false;
  }
  group_ = state.group;
  mods_ = state.mods;
  return true;
}

bool CXTestInjector::StrokeFor(KeySym keysym, bool plainKeyFirst, XKeyboardMap::Stroke& stroke,
                               std::string& error) {
  if (plainKeyFirst) {
    // Like a virtual key on a second layout, the key that has the keysym in the first group
    // is pressed as it is.
    auto keycode = map_.FindPlainKey(keysym, group_);
    if (!keycode && group_ != 0) keycode = map_.FindPlainKey(keysym, 0);
    if (keycode) {
      stroke = {*keycode, false};
      return true;
    }
  }
  if (const auto found = map_.FindStroke(keysym, group_, mods_)) {
    stroke = *found;
    return true;
  }
  const auto spare = spare_.Bind(display_->Get(), map_, keysym);
  const auto lent = spare ? map_.StrokeOnKey(*spare, keysym, group_, mods_) : std::nullopt;
  if (!lent) {
    error = "no key gives keysym " + KeysymText(keysym) + " and no spare keycode could be lent";
    return false;
  }
  stroke = *lent;
  return true;
}

bool CXTestInjector::Press(const XKeyboardMap::Stroke& stroke, bool withControl,
                           std::string& error) {
  KeyCode modifiers[2] = {0, 0};
  const KeySym wanted[2][2] = {{XK_Control_L, XK_Control_R}, {XK_Shift_L, XK_Shift_R}};
  const bool needed[2] = {withControl, stroke.shift};
  for (int i = 0; i < 2; ++i) {
    if (!needed[i]) continue;
    auto keycode = map_.FindPlainKey(wanted[i][0], group_);
    if (!keycode) keycode = map_.FindPlainKey(wanted[i][1], group_);
    if (!keycode) {
      error = i == 0 ? "the keyboard map has no Control key" : "the keyboard map has no Shift key";
      return false;
    }
    modifiers[i] = *keycode;
  }
  Display* d = display_->Get();
  for (const KeyCode modifier : modifiers) {
    if (modifier != 0) XTestFakeKeyEvent(d, modifier, True, CurrentTime);
  }
  XTestFakeKeyEvent(d, stroke.keycode, True, CurrentTime);
  XTestFakeKeyEvent(d, stroke.keycode, False, CurrentTime);
  for (int i = 1; i >= 0; --i) {
    if (modifiers[i] != 0) XTestFakeKeyEvent(d, modifiers[i], False, CurrentTime);
  }
  return Finish("key events", error);
}

bool CXTestInjector::PressKey(const VirtualKey& key, bool withControl, std::string& error) {
  XKeyboardMap::Stroke stroke{};
  if (!Ready(error) || !StrokeFor(key.keysym, true, stroke, error)) return false;
  return Press(stroke, withControl, error);
}

bool CXTestInjector::TypeCharacter(char32_t character, std::string& error) {
  XKeyboardMap::Stroke stroke{};
  if (!Ready(error) || !StrokeFor(KeysymForCharacter(character), false, stroke, error)) {
    return false;
  }
  return Press(stroke, false, error);
}

bool CXTestInjector::Pointer(uint32_t x, uint32_t y, PointerAction action, std::string& error) {
  if (!Ready(error)) return false;
  Display* d = display_->Get();
  XTestFakeMotionEvent(d, DefaultScreen(d), static_cast<int>(x), static_cast<int>(y), CurrentTime);
  if (action == PointerAction::kLeftDown || action == PointerAction::kLeftUp) {
    buttonDown_ = action == PointerAction::kLeftDown;
    XTestFakeButtonEvent(d, 1, buttonDown_ ? True : False, CurrentTime);
  }
  return Finish("pointer events", error);
}

bool CXTestInjector::Finish(const char* what, std::string& error) {
  if (display_->SyncWithoutErrors()) return true;
  if (!display_->Usable()) {
    error = "the X display closed";
    Disconnect();
  } else {
    error = std::string("the X server refused the ") + what;
  }
  return false;
}

}  // namespace mirrodex
