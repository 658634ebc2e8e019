// The X11 side of the device clipboard: a hidden window on a private connection that owns the
// CLIPBOARD selection after a set and answers other programs (TARGETS, UTF8_STRING, TEXT,
// STRING, TIMESTAMP), and that reads the current owner's text (UTF8_STRING, else STRING;
// large texts through INCR).
// Thread: the clipboard's owner thread creates it and makes every call.
#pragma once

#include <X11/Xlib.h>

#include <string>

#include "agent/services/IClipboard.h"
#include "agent/services/X11Display.h"

namespace mirrodex {

class SelectionOwner {
 public:
  // Texts read from other programs are cut at this many bytes.
  static constexpr size_t kMaxTextBytes = 4u << 20;

  explicit SelectionOwner(const std::string& displayName);
  ~SelectionOwner();
  SelectionOwner(const SelectionOwner&) = delete;
  SelectionOwner& operator=(const SelectionOwner&) = delete;

  bool Usable() const { return window_ != 0 && display_.Usable(); }
  int ConnectionFd() const { return ConnectionNumber(display_.Get()); }

  // Owns the selection with this text from now on.
  [[nodiscard]] ClipboardStatus Take(const std::string& utf8);
  // Starts reading the current owner's text. Returns true when the read is already complete
  // (no owner, or the owner is this window), with `status` and `utf8` set.
  [[nodiscard]] bool BeginRead(ClipboardStatus& status, std::string& utf8);
  // Handles every queued event and flushes what they sent. Returns true when a read begun
  // before has just completed. Call it right before waiting on ConnectionFd().
  [[nodiscard]] bool HandleEvents(ClipboardStatus& status, std::string& utf8);
  // Forgets a read that took too long.
  void AbandonRead() { read_ = ReadState::kIdle; }

 private:
  enum class ReadState { kIdle, kWaitingForNotify, kReceivingIncrements };

  Time ServerTime();
  void Answer(const XSelectionRequestEvent& request);
  [[nodiscard]] bool OnNotify(const XSelectionEvent& event, ClipboardStatus& status, std::string& utf8);
  [[nodiscard]] bool OnIncrement(ClipboardStatus& status, std::string& utf8);
  // Reads and deletes the transfer property; false when it cannot be read.
  [[nodiscard]] bool TakeProperty(Atom& type, std::string& bytes);
  std::string AsUtf8(Atom type, const std::string& bytes) const;

  X11Display display_;
  Window window_ = 0;
  Atom clipboard_ = 0, utf8String_ = 0, text_ = 0, targets_ = 0, timestamp_ = 0, incr_ = 0;
  Atom transfer_ = 0, stampProbe_ = 0;

  bool owned_ = false;
  Time ownedSince_ = CurrentTime;
  std::string ownedText_;

  ReadState read_ = ReadState::kIdle;
  Atom requested_ = 0;
  Atom incomingType_ = 0;
  std::string incoming_;
};

}  // namespace mirrodex
