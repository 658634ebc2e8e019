// A clipboard in memory: the request worker copies with it, while the user-interface thread
// moves its text to and from the system clipboard (which only that thread may use).
// Threads: one at a time (filled on the user-interface thread before the job, read after it).
#pragma once

#include <string>

#include "desktop/session/DeviceCommands.h"

namespace mirrodex::app {

class SnapshotClipboard : public DesktopClipboard {
 public:
  SnapshotClipboard() = default;
  explicit SnapshotClipboard(std::u16string text) : text_(std::move(text)), hasText_(true) {}

  ReadResult ReadText(std::u16string& text) override {
    if (!hasText_) return ReadResult::kNoText;
    text = text_;
    return ReadResult::kText;
  }
  bool WriteText(std::u16string_view text) override {
    text_ = text;
    hasText_ = true;
    return true;
  }
  bool HasText() const { return hasText_; }
  const std::u16string& Text() const { return text_; }

 private:
  std::u16string text_;
  bool hasText_ = false;
};

}  // namespace mirrodex::app
