// The device clipboard as the services see it: UTF-8 text in and out. Implemented over the X11
// CLIPBOARD selection and by the agent's own store when there is no display.
// Thread: the screen-session thread calls both functions, one at a time.
#pragma once

#include <cstdint>
#include <string>

namespace mirrodex {

// The values are the result field of the clipboard replies.
enum class ClipboardStatus : uint32_t {
  kOk = 0,
  kNoText = 1,
  kCannotOpen = 2,
  kNoMemory = 3,
};

class IClipboard {
 public:
  virtual ~IClipboard() = default;
  [[nodiscard]] virtual ClipboardStatus GetText(std::string& utf8) = 0;
  [[nodiscard]] virtual ClipboardStatus SetText(const std::string& utf8) = 0;
};

}  // namespace mirrodex
