// The clipboard requests: get (3) replies with the text as UTF-16LE without a terminator;
// set (4) takes UTF-16LE text up to its first NUL unit (the desktop sends its terminator).
// Thread: the screen-session thread only. Borrows the clipboard, which must outlive it.
#pragma once

#include <span>

#include "agent/services/IClipboard.h"
#include "protocol/ByteBuffer.h"

namespace mirrodex {

class ClipboardService {
 public:
  explicit ClipboardService(IClipboard& clipboard) : clipboard_(clipboard) {}

  void Get(ByteBuffer& reply);
  void Set(std::span<const uint8_t> payload, ByteBuffer& reply);

 private:
  IClipboard& clipboard_;
};

}  // namespace mirrodex
