// Debug log of the session threads ("Error\r\n", "Shutdown\r\n"). Called from the session
// threads; implementations must be thread-safe and must not block for long.
#pragma once

#include <string_view>

namespace mirrodex {

class SessionLog {
 public:
  virtual ~SessionLog() = default;
  virtual void Write(std::string_view text) = 0;
};

}  // namespace mirrodex
