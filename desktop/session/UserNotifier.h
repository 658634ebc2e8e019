// Where the session layer's user-visible messages go: message boxes in the GUI, stderr in the
// command-line client. Called on whichever thread hit the problem (usually the caller of
// Connect or WakeDevice); implementations must not block on the user-interface thread.
#pragma once

#include <string_view>

namespace mirrodex {

class UserNotifier {
 public:
  virtual ~UserNotifier() = default;
  // An error the user should see; `caption` is the message box title.
  virtual void ShowError(std::string_view text, std::string_view caption) = 0;
};

}  // namespace mirrodex
