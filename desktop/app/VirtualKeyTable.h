// Qt key codes to the virtual-key codes that travel on the wire, for every key a PC keyboard
// can send: letters, digits and the shifted digit row, function keys F1..F24, editing and
// navigation keys, the number pad (told apart by the keypad modifier), the punctuation keys
// (shifted or not), modifiers, locks, and the browser, media and application keys.
// Threads: any; the table is constant.
#pragma once

#include <Qt>
#include <cstdint>

namespace mirrodex::app {

// The virtual-key code of `key`, or 0 when no key of a PC keyboard sends it.
uint32_t VirtualKeyFor(int key, Qt::KeyboardModifiers modifiers);

}  // namespace mirrodex::app
