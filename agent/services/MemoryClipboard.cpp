#include "agent/services/MemoryClipboard.h"

namespace mirrodex {

ClipboardStatus MemoryClipboard::GetText(std::string& utf8) {
  if (!text_) return ClipboardStatus::kNoText;
  utf8 = *text_;
  return ClipboardStatus::kOk;
}

ClipboardStatus MemoryClipboard::SetText(const std::string& utf8) {
  text_ = utf8;
  return ClipboardStatus::kOk;
}

}  // namespace mirrodex
