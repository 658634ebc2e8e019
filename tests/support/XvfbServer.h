// A private X server for tests that need a display: Xvfb on a free display number
// (-displayfd), keeping its screen in an XWD file in its own temporary folder (-fbdir), with
// 96 pixels per inch, no TCP listener and no reset when the last client leaves.
// Thread: one owner; Stop (or the destructor) ends the server and removes its folder.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

namespace mirrodex::test {

class XvfbServer {
 public:
  struct Options {
    uint32_t width = 240;
    uint32_t height = 320;
    uint32_t depth = 16;  // 15, 16 or 24 give true-colour screens
  };

  // Starts a server and waits until it accepts clients; nullptr with `error` (including
  // the server's own messages) when it could not start.
  static std::unique_ptr<XvfbServer> Start(const Options& options, std::string& error);
  // True when an Xvfb program can be found on PATH.
  static bool Available();

  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // ":N", for XOpenDisplay or DISPLAY.
  const std::string& DisplayName() const { return display_; }
  // The live XWD file of screen 0, for MIRRODEX_FBDEV.
  const std::string& FramebufferFile() const { return framebufferFile_; }

  // Ends the server (SIGTERM, then SIGKILL after 10 s) and removes its folder; true when
  // it ended by itself. Safe to call twice.
  bool Stop();

 private:
  XvfbServer() = default;

  pid_t pid_ = -1;
  std::string folder_;
  std::string display_;
  std::string framebufferFile_;
  std::string logFile_;
};

}  // namespace mirrodex::test
