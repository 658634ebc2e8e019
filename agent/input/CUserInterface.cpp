#include "agent/input/CUserInterface.h"

#include "agent/session/AgentLog.h"
#include "protocol/CommandWords.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

constexpr size_t kCompactAfterBytes = 64 * 1024;

}  // namespace

void CUserInterface::PutCommand(std::span<const uint8_t> bytes) {
  CCSectionLock lock(section_);
  commands_.Append(bytes);
}

void CUserInterface::PutCommandWord(uint32_t word) {
  CCSectionLock lock(section_);
  commands_.AppendU32(word);
}

size_t CUserInterface::TakeReply(CDynamicBuf& out) {
  CCSectionLock lock(section_);
  uint32_t length = 0;
  if (!replies_.TakeU32(length)) return 0;
  out.Clear();
  out.Resize(length);
  if (!replies_.Take(out.Data(), length)) {
    // Only this class writes records, so this cannot happen; never send half a record.
    replies_.Clear();
    out.Clear();
    return 0;
  }
  if (replies_.Remaining() == 0) replies_.Clear();
  return length;
}

bool CUserInterface::HasReply() const {
  CCSectionLock lock(section_);
  return replies_.Remaining() >= 4;
}

void CUserInterface::Reset() {
  CCSectionLock lock(section_);
  commands_.Clear();
  replies_.Clear();
}

void CUserInterface::CompactCommands() {
  if (commands_.Remaining() == 0) {
    commands_.Clear();
  } else if (commands_.Size() - commands_.Remaining() > kCompactAfterBytes) {
    commands_.Compact();
  }
}

CommandResult CUserInterface::ProcessOneCommand() {
  enum class Action { kKey, kPointer, kPause, kRequest, kAnswered };
  uint32_t word = 0;
  Action action = Action::kAnswered;
  {
    CCSectionLock lock(section_);
    if (!commands_.TakeU32(word)) return CommandResult::kNothingQueued;
    switch (word & kCommandClassMask) {
      case kCommandClassKey:
        action = Action::kKey;
        break;
      case kCommandClassPointer:
        action = DecodeCommand(word).action == PointerAction::kTogglePause ? Action::kPause
                                                                            : Action::kPointer;
        break;
      case kRequestWordBase: {
        const uint32_t length = RequestLengthOf(word);
        if (commands_.Remaining() < length) {
          // Never serve bytes that did not arrive: the request gets the unknown-code answer.
          AgentLog("request %u announces %u bytes but only %zu arrived", RequestCodeOf(word),
                   length, commands_.Remaining());
          commands_.Clear();
          replies_.Clear();
          AppendRecord(0, {});
          return CommandResult::kDone;
        }
        request_.Clear();
        request_.Resize(length);
        if (length > 0 && !commands_.Take(request_.Data(), length)) return CommandResult::kDone;
        replies_.Clear();
        action = Action::kRequest;
        break;
      }
      default:
        AppendRecord(0, {});
        break;
    }
    CompactCommands();
  }
  switch (action) {
    case Action::kKey:
      Key(word);
      break;
    case Action::kPointer: {
      const DecodedCommand command = DecodeCommand(word);
      Mouse(command.x, command.y, static_cast<uint32_t>(command.action));
      break;
    }
    case Action::kPause:
      return CommandResult::kPauseToggle;
    case Action::kRequest:
      Serve(RequestCodeOf(word), request_.Bytes());
      break;
    case Action::kAnswered:
      break;
  }
  return CommandResult::kDone;
}

void CUserInterface::Serve(uint32_t /*code*/, std::span<const uint8_t> /*payload*/) { AnswerUnknown(); }

void CUserInterface::AppendReply(uint32_t statusWord, std::span<const uint8_t> payload) {
  CCSectionLock lock(section_);
  AppendRecord(statusWord, payload);
}

void CUserInterface::AnswerUnknown() {
  CCSectionLock lock(section_);
  commands_.Clear();
  replies_.Clear();
  AppendRecord(0, {});
}

void CUserInterface::AppendRecord(uint32_t statusWord, std::span<const uint8_t> payload) {
  replies_.AppendU32(static_cast<uint32_t>(payload.size() + 4));
  replies_.AppendU32(statusWord);
  replies_.Append(payload);
}

}  // namespace mirrodex
