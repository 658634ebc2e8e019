// A command processor for tests: records the input it is asked to replay and answers each
// request with its own payload under status (code << 20) + its serial number, or answers
// nothing at all when told to.
// Threads: as CUserInterface; `replayed` and `served` are read once the screen thread is idle.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "agent/input/CUserInterface.h"
#include "protocol/CommandWords.h"
#include "protocol/Requests.h"

namespace mirrodex::test {

class EchoUserInterface final : public CUserInterface {
 public:
  using CUserInterface::CUserInterface;

  void Key(uint32_t word) override { replayed.push_back(word); }
  void Mouse(uint32_t x, uint32_t y, uint32_t action) override {
    replayed.push_back(PointerWord(x, y, static_cast<PointerAction>(action)));
  }

  std::vector<uint32_t> replayed;
  uint32_t served = 0;
  bool answers = true;
  std::function<void()> whileServing;  // runs once, inside the next request

 protected:
  void Serve(uint32_t code, std::span<const uint8_t> payload) override {
    ++served;
    if (auto hook = std::exchange(whileServing, nullptr)) hook();
    if (answers) SetReply(StatusWord(code, served), payload);
  }
};

}  // namespace mirrodex::test
