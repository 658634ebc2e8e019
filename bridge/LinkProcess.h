// The desktop's side of the link command: runs it through /bin/sh -c in a process group of its
// own, with one end of a socket pair as its standard input and output (so a write to a link
// that died is a failed write, never a SIGPIPE in the desktop program) and standard error
// inherited. Ending it waits briefly for the command to leave by itself (its input has closed),
// then ends the group.
// Thread: the owner's; not shared.
#pragma once

#include <sys/types.h>

#include <string>

namespace mirrodex::bridge {

class LinkProcess {
 public:
  LinkProcess() = default;
  ~LinkProcess() { End(); }
  LinkProcess(const LinkProcess&) = delete;
  LinkProcess& operator=(const LinkProcess&) = delete;

  // Starts `command`; the desktop's end of the socket pair (the caller owns it), or -1 with
  // `error`.
  int Start(const std::string& command, std::string& error);
  // Waits up to `graceMs` for the command to end, then terminates its group; reaps it.
  void End(int graceMs = 1000);

 private:
  pid_t pid_ = -1;
};

// The link command: MIRRODEX_LINK, else mirrodex-bridge from the running program's folder, else
// from the folder of the library that holds this code.
std::string LinkCommand();

}  // namespace mirrodex::bridge
