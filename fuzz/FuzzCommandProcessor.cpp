// The agent's command processor fed by a desktop that may be hostile: data messages, command
// words, processing steps, reply takes and resets in any order. It must stay bounded, give
// each data message at most one reply, that message's own, and still answer a real request
// afterwards with its own reply.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"
#include "tests/agent/EchoUserInterface.h"

namespace {

using mirrodex::CDynamicBuf;
using mirrodex::CommandResult;

constexpr size_t kCapacity = 32;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace mirrodex;
  test::EchoUserInterface ui(kCapacity);
  std::span<const uint8_t> in(data, size);
  bool taken = true;  // the latest message's reply was taken
  CDynamicBuf reply;
  while (!in.empty()) {
    const uint8_t op = in[0];
    in = in.subspan(1);
    switch (op % 5) {
      case 0: {  // a data message of the next n bytes
        const size_t n = in.empty() ? 0 : std::min<size_t>(in[0], in.size() - 1);
        if (!in.empty()) in = in.subspan(1);
        ui.PutCommand(in.first(n));
        in = in.subspan(n);
        taken = false;
        break;
      }
      case 1:  // a command word
        if (in.size() >= 4) {
          ui.PutCommandWord(LoadU32(in.data()));
          in = in.subspan(4);
        }
        break;
      case 2:
        for (int steps = op >> 3; steps >= 0; --steps) {
          if (ui.ProcessOneCommand() == CommandResult::kNothingQueued) break;
        }
        break;
      case 3:
        if (ui.TakeReply(reply) > 0) {
          Check(!taken);  // one reply per message
          Check(reply.Size() >= 4);
          taken = true;
        }
        break;
      default:
        ui.Reset();
        taken = true;
        break;
    }
    Check(ui.QueuedCommands() <= kCapacity + 2);
  }
  const uint8_t mine[] = {'m', 'i', 'n', 'e'};
  ui.PutCommand(BuildRequest(kRequestFileExists, mine));
  while (ui.ProcessOneCommand() != CommandResult::kNothingQueued) {
  }
  Check(ui.TakeReply(reply) == 8);
  Check(ReplyCodeOf(LoadU32(reply.Data())) == kRequestFileExists);
  Check(LoadU32(reply.Data() + 4) == LoadU32(mine));
  return 0;
}
