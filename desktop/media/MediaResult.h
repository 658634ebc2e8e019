// The outcome of a media operation: success, or a failure with a text for the user that says
// what happened and what to do. Plain value; any thread.
#pragma once

#include <string>
#include <utility>

namespace mirrodex {

struct [[nodiscard]] MediaResult {
  bool ok = true;
  std::string message;  // empty on success

  static MediaResult Success() { return {}; }
  static MediaResult Failure(std::string text) { return {false, std::move(text)}; }
  explicit operator bool() const { return ok; }
};

}  // namespace mirrodex
