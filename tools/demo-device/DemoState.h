// What the demo device shows, apart from the clock: the seconds counter, which button is
// held, how often each was clicked (its colour) and the typed text. Pure; one thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "tools/demo-device/DemoLayout.h"

namespace mirrodex::demo {

inline constexpr size_t kMaxTypedText = 64;

class DemoState {
 public:
  void Tick() { ++counter_; }
  // A pointer press or release at a point; a release over the held button is a click.
  void Press(const DemoLayout& layout, int x, int y);
  void Release(const DemoLayout& layout, int x, int y);
  // Typed characters; backspace (0x08) removes the last one, escape (0x1B) clears the field.
  void Type(const std::string& text);

  uint64_t Counter() const { return counter_; }
  int HeldButton() const { return held_; }
  uint32_t Clicks(int button) const { return clicks_[static_cast<size_t>(button)]; }
  const std::string& Text() const { return text_; }

 private:
  uint64_t counter_ = 0;
  int held_ = -1;
  std::array<uint32_t, kButtonCount> clicks_{};
  std::string text_;
};

}  // namespace mirrodex::demo
