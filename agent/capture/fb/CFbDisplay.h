// Direct framebuffer access: a Linux framebuffer device (mode ioctls and a read-only shared
// mapping) or an XWD framebuffer file that a running server keeps live (mapped, its header
// read again before every frame because the pixels and even the mode can change under us).
// Thread: one owner (the capture object); Open, Frame and Close come from one thread at a
// time. Owns the descriptor and the mapping; Close or the destructor releases them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "agent/capture/fb/FramebufferLayout.h"

namespace mirrodex {

class CFbDisplay {
 public:
  CFbDisplay() = default;
  ~CFbDisplay();
  CFbDisplay(const CFbDisplay&) = delete;
  CFbDisplay& operator=(const CFbDisplay&) = delete;

  // Opens a framebuffer device (a character device) or an XWD file (a regular file) and
  // learns its layout. False with `error` saying what failed; nothing stays open then.
  [[nodiscard]] bool Open(const std::string& path, std::string& error);
  void Close();
  bool IsOpen() const { return map_ != nullptr; }

  // The layout learned at Open (its first-pixel offset follows a panned device).
  const FramebufferLayout& Layout() const { return layout_; }

  // The top-left visible pixel of the current picture; rows are Layout().lineLength apart.
  // Valid until the next Frame or Close. nullptr with `error` when the framebuffer changed
  // its mode or shrank since Open (open it again to follow the change).
  const uint8_t* Frame(std::string& error);

 private:
  [[nodiscard]] bool OpenDevice(const std::string& path, std::string& error);
  [[nodiscard]] bool OpenXwdFile(const std::string& path, size_t fileSize, std::string& error);
  [[nodiscard]] bool Map(size_t size, const std::string& path, std::string& error);
  std::optional<FramebufferLayout> ReadDeviceMode(std::string& error, uint32_t& deviceMemory);
  [[nodiscard]] bool RefreshDevice(std::string& error);
  [[nodiscard]] bool RefreshXwdFile(std::string& error);

  int fd_ = -1;
  bool xwdFile_ = false;
  uint8_t* map_ = nullptr;
  size_t mapSize_ = 0;
  FramebufferLayout layout_;
};

}  // namespace mirrodex
