// Key presses as device requests, by platform code, and the accelerators that never reach
// the device.
#include <gtest/gtest.h>

#include "desktop/app/KeyTranslator.h"
#include "desktop/app/VirtualKeyTable.h"

namespace mirrodex::test {
namespace {

using app::KeySend;
using app::KeyTranslator;

std::vector<KeySend> Keys(int key, const QString& text, uint16_t platform,
                          Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  return KeyTranslator::Translate(key, modifiers, text, platform);
}

const std::vector<KeySend> kNothing;
std::vector<KeySend> Vk(uint32_t code) { return {{code, true}}; }
std::vector<KeySend> Char(char16_t c) { return {{c, false}}; }

TEST(KeyTranslatorTest, PlatformOneSendsLettersOnceAsCharactersAndNavigationAsVirtualKeys) {
  EXPECT_EQ(Keys(Qt::Key_A, "a", 1), Char(u'a'));
  EXPECT_EQ(Keys(Qt::Key_Left, "", 1), Vk(37));
  EXPECT_EQ(Keys(Qt::Key_Down, "", 1), Vk(40));
  EXPECT_EQ(Keys(Qt::Key_Delete, "\x7f", 1), Vk(46));
  EXPECT_EQ(Keys(Qt::Key_PageUp, "", 1), Vk(33));
  EXPECT_EQ(Keys(Qt::Key_Return, "\r", 1), Char(u'\r'));
  EXPECT_EQ(Keys(Qt::Key_F3, "", 1), kNothing);
}

TEST(KeyTranslatorTest, OtherPlatformsSendEachKeyOnceAsCharacterOrVirtualKey) {
  EXPECT_EQ(Keys(Qt::Key_A, "a", 2), Char(u'a'));
  EXPECT_EQ(Keys(Qt::Key_A, "A", 2, Qt::ShiftModifier), Char(u'A'));
  EXPECT_EQ(Keys(Qt::Key_Exclam, "!", 5, Qt::ShiftModifier), Char(u'!'));
  EXPECT_EQ(Keys(Qt::Key_Space, " ", 2), Char(u' '));
  EXPECT_EQ(Keys(Qt::Key_Right, "", 2), Vk(39));
  EXPECT_EQ(Keys(Qt::Key_Return, "\r", 2), Vk(13));
  EXPECT_EQ(Keys(Qt::Key_Backspace, "\b", 7), Vk(8));
  EXPECT_EQ(Keys(Qt::Key_Escape, "\x1b", 2), Vk(27));
  EXPECT_EQ(Keys(Qt::Key_F10, "", 2), Vk(121));
  EXPECT_EQ(Keys(Qt::Key_Shift, "", 2, Qt::ShiftModifier), kNothing);  // a lone modifier is no key
  EXPECT_EQ(Keys(Qt::Key_Control, "", 1, Qt::ControlModifier), kNothing);
  EXPECT_EQ(Keys(Qt::Key_CapsLock, "", 2), Vk(20));
  EXPECT_EQ(Keys(Qt::Key_A, "\x01", 2, Qt::ControlModifier), Char(u'\x01'));
  EXPECT_EQ(Keys(Qt::Key_Plus, "+", 2, Qt::KeypadModifier), Char(u'+'));
}

TEST(KeyTranslatorTest, SmartphonesSendTheNumberPadAndPhoneCharactersAsKeysOnly) {
  for (uint16_t platform : {4, 6}) {
    EXPECT_EQ(Keys(Qt::Key_5, "5", platform, Qt::KeypadModifier), Vk(101));
    EXPECT_EQ(Keys(Qt::Key_Plus, "+", platform, Qt::ShiftModifier), Vk(187));
    EXPECT_EQ(Keys(Qt::Key_Minus, "-", platform), Vk(189));
    EXPECT_EQ(Keys(Qt::Key_Period, ".", platform), Vk(190));
    EXPECT_EQ(Keys(Qt::Key_Return, "\r", platform), Vk(13));
    EXPECT_EQ(Keys(Qt::Key_Tab, "\t", platform), Vk(9));
    EXPECT_EQ(Keys(Qt::Key_F1, "", platform), Vk(112));
    EXPECT_EQ(Keys(Qt::Key_5, "5", platform), Char(u'5'));
    EXPECT_EQ(Keys(Qt::Key_H, "\b", platform, Qt::ControlModifier), kNothing);
  }
}

TEST(KeyTranslatorTest, AcceleratorsNeverReachTheDevice) {
  const std::pair<int, Qt::KeyboardModifiers> accelerators[] = {
      {Qt::Key_F5, Qt::NoModifier},          {Qt::Key_F6, Qt::NoModifier},
      {Qt::Key_F6, Qt::ShiftModifier},       {Qt::Key_2, Qt::ControlModifier},
      {Qt::Key_C, Qt::ControlModifier},      {Qt::Key_F, Qt::ControlModifier},
      {Qt::Key_S, Qt::ControlModifier},      {Qt::Key_T, Qt::ControlModifier},
      {Qt::Key_V, Qt::ControlModifier},      {Qt::Key_X, Qt::ControlModifier},
      {Qt::Key_Z, Qt::ControlModifier},      {Qt::Key_Insert, Qt::ControlModifier},
      {Qt::Key_Insert, Qt::ShiftModifier},   {Qt::Key_Delete, Qt::ShiftModifier},
      {Qt::Key_Backspace, Qt::AltModifier},
  };
  for (const auto& [key, modifiers] : accelerators)
    for (uint16_t platform : {1, 2, 6})
      EXPECT_EQ(Keys(key, "x", platform, modifiers), kNothing) << key << " on " << platform;
  EXPECT_EQ(Keys(Qt::Key_F7, "", 2), Vk(118));
  EXPECT_EQ(Keys(Qt::Key_C, "c", 2), Char(u'c'));
}

TEST(VirtualKeyTableTest, EveryKeyOfAPcKeyboardHasItsCode) {
  using app::VirtualKeyFor;
  EXPECT_EQ(VirtualKeyFor(Qt::Key_Z, {}), 90u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_0, {}), 48u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_0, Qt::KeypadModifier), 96u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_F24, {}), 135u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_Home, {}), 36u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_Slash, Qt::KeypadModifier), 111u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_Enter, Qt::KeypadModifier), 13u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_Semicolon, {}), 186u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_QuoteDbl, {}), 222u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_BraceRight, {}), 221u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_Print, {}), 44u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_Pause, {}), 19u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_NumLock, {}), 144u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_Menu, {}), 93u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_VolumeUp, {}), 175u);
  EXPECT_EQ(VirtualKeyFor(Qt::Key_unknown, {}), 0u);
}

}  // namespace
}  // namespace mirrodex::test
