// The device clipboard on an X11 display. A thread of its own holds a private connection and
// a SelectionOwner: after a set it keeps answering other programs while the agent works on.
// The thread starts at the first request and again after its connection was lost; a display
// that cannot be opened makes that request fail with "cannot open".
// Thread: the screen-session thread calls GetText and SetText (one at a time) and destroys the
// object, which stops and joins the owner thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "agent/services/IClipboard.h"
#include "agent/services/UniqueFd.h"

namespace mirrodex {

class X11Clipboard final : public IClipboard {
 public:
  // `transferTimeout` bounds how long another program may take to hand over its text.
  explicit X11Clipboard(std::string displayName,
                        std::chrono::milliseconds transferTimeout = std::chrono::seconds(3));
  ~X11Clipboard() override;
  X11Clipboard(const X11Clipboard&) = delete;
  X11Clipboard& operator=(const X11Clipboard&) = delete;

  [[nodiscard]] ClipboardStatus GetText(std::string& utf8) override;
  [[nodiscard]] ClipboardStatus SetText(const std::string& utf8) override;

 private:
  // One request handed to the owner thread; `done` is set under mutex_.
  struct Job {
    bool isSet = false;
    std::string text;
    bool done = false;
    ClipboardStatus status = ClipboardStatus::kCannotOpen;
  };

  [[nodiscard]] ClipboardStatus Submit(bool isSet, std::string& text);
  void Wake();
  void Run();
  void Complete(const std::shared_ptr<Job>& job, ClipboardStatus status, std::string text);

  const std::string displayName_;
  const std::chrono::milliseconds transferTimeout_;
  UniqueFd wake_;  // eventfd: new jobs or stop
  std::thread thread_;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool alive_ = false;  // the owner thread runs and takes jobs
  bool stop_ = false;
  std::deque<std::shared_ptr<Job>> jobs_;
};

}  // namespace mirrodex
