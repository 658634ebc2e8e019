// Sets an environment variable for the life of a test scope and restores what was there.
// Thread: tests only, while no other thread reads the environment.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace mirrodex::test {

class ScopedEnv {
 public:
  // Sets `name` to `value`, or unsets it when `value` is nullopt.
  ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) previous_ = old;
    Apply(value);
  }
  ~ScopedEnv() { Apply(previous_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Apply(const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name_.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }

  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace mirrodex::test
