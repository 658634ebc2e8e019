// The input backend for a device without an X display: a virtual keyboard and absolute
// pointer through uinput. A key is its evdev key code pressed and released, each change
// followed by a report; a character is typed on the US layout (UsKeyboardLayout), so only
// printable ASCII can be typed: others fail with a message. The pointer's axes span the
// screen size given, in pixels.
// The device is created at the first call and again when the screen size changes; the
// destructor releases a button left down and removes the device.
// Thread: one thread makes every call (the screen-session thread).
#pragma once

#include <memory>

#include "agent/input/IInputInjector.h"
#include "agent/input/uinput/IUinputSink.h"

namespace mirrodex {

class CUinputInjector final : public IInputInjector {
 public:
  explicit CUinputInjector(std::unique_ptr<IUinputSink> sink);
  ~CUinputInjector() override;

  void SetScreenSize(uint32_t width, uint32_t height) override;
  [[nodiscard]] bool PressKey(const VirtualKey& key, bool withControl, std::string& error) override;
  [[nodiscard]] bool TypeCharacter(char32_t character, std::string& error) override;
  [[nodiscard]] bool Pointer(uint32_t x, uint32_t y, PointerAction action,
                             std::string& error) override;

 private:
  [[nodiscard]] bool Ready(std::string& error);
  // Presses `key` with the modifiers held around it.
  [[nodiscard]] bool Chord(uint16_t key, bool shift, bool control, std::string& error);
  void ReleaseButton();

  std::unique_ptr<IUinputSink> sink_;
  uint32_t width_ = 0, height_ = 0;
  bool buttonDown_ = false;
};

}  // namespace mirrodex
