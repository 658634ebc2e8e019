#include "tools/demo-device/DemoState.h"

namespace mirrodex::demo {

void DemoState::Press(const DemoLayout& layout, int x, int y) {
  held_ = layout.ButtonAt(x, y);
}

void DemoState::Release(const DemoLayout& layout, int x, int y) {
  if (held_ >= 0 && layout.ButtonAt(x, y) == held_) ++clicks_[static_cast<size_t>(held_)];
  held_ = -1;
}

void DemoState::Type(const std::string& text) {
  for (const char c : text) {
    if (c == '\b' || c == 0x7F) {
      if (!text_.empty()) text_.pop_back();
    } else if (c == 0x1B) {
      text_.clear();
    } else if (static_cast<unsigned char>(c) >= 0x20) {
      // Keep the newest characters when the field is full.
      if (text_.size() >= kMaxTypedText) text_.erase(0, 1);
      text_ += c;
    }
  }
}

}  // namespace mirrodex::demo
