// The keys the desktop names by Windows virtual-key code, and what each is on Linux: the X
// keysym the XTest backend produces and the evdev key code the uinput backend sends.
// Smartphone profiles send their soft keys as F1/F2 and the call keys as F3/F4, so those
// arrive as ordinary function keys. Immutable tables; any thread.
#pragma once

#include <cstdint>
#include <span>

namespace mirrodex {

// Virtual-key codes the command processor itself needs.
inline constexpr uint8_t kVkBack = 0x08;
inline constexpr uint8_t kVkTab = 0x09;
inline constexpr uint8_t kVkReturn = 0x0D;
inline constexpr uint8_t kVkEscape = 0x1B;
inline constexpr uint8_t kVkA = 0x41;

struct VirtualKey {
  uint8_t code;      // Windows virtual-key code
  uint32_t keysym;   // X keysym of the key's unshifted meaning
  uint16_t evdev;    // Linux input event code (KEY_*)
  const char* name;  // for messages
};

// The key with this virtual-key code; nullptr when the code names no key (mouse buttons,
// IME codes, unassigned values).
const VirtualKey* FindVirtualKey(uint8_t code);

// Every mapped key, in code order.
std::span<const VirtualKey> AllVirtualKeys();

}  // namespace mirrodex
