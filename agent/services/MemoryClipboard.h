// The agent's own clipboard store, used when the device has no display: what was set is what
// a later get returns; nothing set yet means no text.
// Thread: the screen-session thread only.
#pragma once

#include <optional>
#include <string>

#include "agent/services/IClipboard.h"

namespace mirrodex {

class MemoryClipboard final : public IClipboard {
 public:
  [[nodiscard]] ClipboardStatus GetText(std::string& utf8) override;
  [[nodiscard]] ClipboardStatus SetText(const std::string& utf8) override;

 private:
  std::optional<std::string> text_;
};

}  // namespace mirrodex
