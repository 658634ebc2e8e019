// The characters a uinput keyboard can type. uinput sends key codes, and what a key types is
// decided by whoever reads the device with its own layout, so only characters that the
// usual (US) layout puts on a key can be typed: the printable ASCII characters.
// Immutable; any thread.
#pragma once

#include <cstdint>
#include <optional>

namespace mirrodex {

struct UsKey {
  uint16_t evdev;  // KEY_*
  bool shift;
};

// The key (and Shift) that types `character` on a US keyboard; nullopt for anything else.
std::optional<UsKey> UsKeyForCharacter(char32_t character);

}  // namespace mirrodex
