// The in-memory twin of the input backends: records every key and pointer word it is asked
// to replay, for tests and for running without an input device.
// Threads: Key and Mouse on the screen-session thread; Events from any thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "agent/input/CUserInterface.h"

namespace mirrodex {

class CRecordingUserInterface final : public CUserInterface {
 public:
  struct Event {
    enum class Kind { kKey, kMouse } kind;
    uint32_t word = 0;  // key events
    uint32_t x = 0, y = 0, action = 0;  // mouse events
  };

  void Key(uint32_t word) override;
  void Mouse(uint32_t x, uint32_t y, uint32_t action) override;
  std::vector<Event> Events() const;

 private:
  void Record(const Event& event);

  mutable std::mutex mutex_;
  std::vector<Event> events_;
};

}  // namespace mirrodex
