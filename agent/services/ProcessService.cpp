#include "agent/services/ProcessService.h"

#include <unistd.h>

#include <optional>

#include "agent/services/ProcessEnder.h"
#include "agent/services/ProcessTable.h"
#include "agent/services/ReplyWriter.h"
#include "agent/services/X11Windows.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

constexpr uint32_t kActionDone = 1;
constexpr size_t kMinActionBytes = 3;

std::optional<uint32_t> ParseDecimal(std::span<const uint8_t> digits) {
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (const uint8_t c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value == 0 || value > 0x7FFFFFFFu) return std::nullopt;
  return static_cast<uint32_t>(value);
}

}  // namespace

void ProcessService::Serve(std::span<const uint8_t> payload, ByteBuffer& reply) {
  if (payload.size() < kMinActionBytes) return List(reply);
  ReplyWriter out(reply, kRequestProcesses);
  const uint8_t action = payload[0];
  const auto id = ParseDecimal(payload.subspan(1));
  // Ending the agent itself would cut the session before the reply.
  if (!id || (action != '1' && action != '2') || *id == static_cast<uint32_t>(::getpid())) {
    return out.FinishEmpty(kResultBadRequest);
  }
  if (action == '1') return out.FinishEmpty(Close(*id) ? kActionDone : kResultBadRequest);
  BringToFront(*id);
  out.FinishEmpty(kActionDone);
}

void ProcessService::List(ByteBuffer& reply) {
  ReplyWriter out(reply, kRequestProcesses);
  const auto processes = ProcessTable::Snapshot(procDir_);
  if (!processes || processes->empty()) return out.FinishEmpty(kResultBadRequest);
  uint32_t count = 0;
  for (const auto& process : *processes) {
    if (count == kMaxEntries) break;
    const auto name = Utf8ToUtf16Le(process.name);
    ByteBuffer& payload = out.Payload();
    payload.AppendU32(static_cast<uint32_t>(name.size() / 2));
    payload.Append(name.data(), name.size());
    payload.AppendU32(process.id);
    payload.AppendU32(process.threads);
    payload.AppendU32(kUsageCount);
    payload.AppendU32(process.parentId);
    payload.AppendU32(kModuleId);
    ++count;
  }
  out.Finish(count);
}

bool ProcessService::Close(uint32_t id) {
  if (!displayName_.empty()) {
    X11Windows windows(displayName_);
    if (windows.Usable()) windows.AskToClose(windows.OfProcess(id));
  }
  return ProcessEnder::End(id, grace_) == EndResult::kEnded;
}

void ProcessService::BringToFront(uint32_t id) {
  if (displayName_.empty()) return;
  X11Windows windows(displayName_);
  if (windows.Usable()) (void)windows.BringToFront(windows.OfProcess(id));
}

}  // namespace mirrodex
