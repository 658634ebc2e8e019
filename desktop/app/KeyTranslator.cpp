#include "desktop/app/KeyTranslator.h"

#include "desktop/app/VirtualKeyTable.h"

namespace mirrodex::app {
namespace {

// Shift, Ctrl, Alt and the logo keys only change other keys: the device gets the characters
// they make, and a press of one alone (the start of every accelerator) sends nothing.
bool IsModifier(int key) {
  switch (key) {
    case Qt::Key_Shift: case Qt::Key_Control: case Qt::Key_Alt: case Qt::Key_Meta:
    case Qt::Key_AltGr: case Qt::Key_Super_L: case Qt::Key_Super_R: case Qt::Key_Mode_switch:
      return true;
    default:
      return false;
  }
}

bool IsPrintable(char16_t c) { return c >= 0x20 && c != 0x7F; }

bool TypesPrintable(const QString& text) {
  if (text.isEmpty()) return false;
  for (const QChar c : text)
    if (!IsPrintable(c.unicode())) return false;
  return true;
}

// On the smartphones these characters travel as their keys only.
bool IsPhoneKeyCharacter(char16_t c) {
  return c == 8 || c == 9 || c == 12 || c == 13 || c == 27 || c == '+' || c == '-' || c == '.';
}

void AddCharacters(const QString& text, bool smartphone, std::vector<KeySend>& out) {
  for (const QChar c : text)
    if (!smartphone || !IsPhoneKeyCharacter(c.unicode())) out.push_back({c.unicode(), false});
}

}  // namespace

std::vector<KeySend> KeyTranslator::Translate(int key, Qt::KeyboardModifiers modifiers, const QString& text,
                                              uint16_t platform) {
  std::vector<KeySend> out;
  if (IsAccelerator(key, modifiers) || IsModifier(key)) return out;
  const uint32_t vk = VirtualKeyFor(key, modifiers);
  if (platform == 1) {
    if (vk >= 33 && vk <= 46)
      out.push_back({vk, true});
    else
      AddCharacters(text, false, out);
    return out;
  }
  const bool smartphone = platform == 4 || platform == 6;
  const bool phoneKey = smartphone && vk != 0 &&
                        ((modifiers & Qt::KeypadModifier) || text == u"+" || text == u"-" || text == u".");
  if (TypesPrintable(text) && !phoneKey) {
    AddCharacters(text, smartphone, out);
  } else if (vk >= 48 && vk <= 90 && !text.isEmpty()) {
    AddCharacters(text, smartphone, out);  // Ctrl with a letter or digit: its control character
  } else if (vk != 0) {
    out.push_back({vk, true});
  } else {
    AddCharacters(text, smartphone, out);  // a character without a key of its own
  }
  return out;
}

bool KeyTranslator::IsAccelerator(int key, Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers mods = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (mods == Qt::NoModifier) return key == Qt::Key_F5 || key == Qt::Key_F6;
  if (mods == Qt::ShiftModifier)
    return key == Qt::Key_F6 || key == Qt::Key_Insert || key == Qt::Key_Delete;
  if (mods == Qt::AltModifier) return key == Qt::Key_Backspace;
  if (mods == Qt::ControlModifier) {
    switch (key) {
      case Qt::Key_2: case Qt::Key_C: case Qt::Key_F: case Qt::Key_S: case Qt::Key_T:
      case Qt::Key_V: case Qt::Key_X: case Qt::Key_Z: case Qt::Key_Insert:
        return true;
      default:
        return false;
    }
  }
  return false;
}

}  // namespace mirrodex::app
