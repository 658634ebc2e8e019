#include "agent/input/CUserInterface.h"

#include <utility>

#include "agent/session/AgentLog.h"
#include "protocol/CommandWords.h"
#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

bool IsRequestWord(uint32_t word) { return (word & kCommandClassMask) == kRequestWordBase; }

// Counts one more fault; true at powers of two, so a desktop cannot flood the log.
bool CountAndLog(uint64_t& count) {
  ++count;
  return (count & (count - 1)) == 0;
}

}  // namespace

CUserInterface::CUserInterface(size_t inputCapacity) : queue_(inputCapacity) {}

bool CUserInterface::QueueInputLocked(uint32_t word) {
  switch (word & kCommandClassMask) {
    case kCommandClassKey:
      queue_.PushInput(word);
      return true;
    case kCommandClassPointer:
      if (DecodeCommand(word).action == PointerAction::kTogglePause) {
        pauseToggled_ = !pauseToggled_;
      } else {
        queue_.PushInput(word);
      }
      return true;
    default:
      return false;
  }
}

void CUserInterface::PutCommand(std::span<const uint8_t> message) {
  CCSectionLock lock(section_);
  // A new message: whatever was not taken yet belongs to an older one.
  if (++message_ == 0) message_ = 1;
  replyReady_ = false;
  requestMessage_ = 0;
  const char* fault = nullptr;
  size_t offset = 0;
  for (; message.size() - offset >= 4; offset += 4) {
    const uint32_t word = LoadU32(&message[offset]);
    if (QueueInputLocked(word)) continue;
    if (!IsRequestWord(word)) {
      fault = "a word that is neither input nor a request";
      continue;
    }
    const size_t length = RequestLengthOf(word);
    offset += 4;
    if (message.size() - offset < length) {
      // Never serve bytes that did not arrive.
      fault = "a request longer than the message";
      break;
    }
    request_.Clear();
    request_.Append(message.subspan(offset, length));
    requestMessage_ = message_;
    queue_.PushRequestMarker(word);
    if (offset + length < message.size()) {
      fault = "bytes after its request (further requests are not served)";
    }
    break;
  }
  if (requestMessage_ == 0) {
    if (fault == nullptr) fault = offset < message.size() ? "a cut word" : "no request";
    SetReplyLocked(message_, 0, {});
  }
  if (fault != nullptr && CountAndLog(malformed_)) {
    AgentLog("a data message of %zu bytes carries %s; %llu such messages so far", message.size(),
             fault, static_cast<unsigned long long>(malformed_));
  }
}

void CUserInterface::PutCommandWord(uint32_t word) {
  CCSectionLock lock(section_);
  if (!QueueInputLocked(word) && CountAndLog(strayWords_)) {
    AgentLog("command word 0x%08X is not input; discarded (%llu such words so far)", word,
             static_cast<unsigned long long>(strayWords_));
  }
}

size_t CUserInterface::TakeReply(CDynamicBuf& out) {
  CCSectionLock lock(section_);
  if (!replyReady_) return 0;
  std::swap(out, reply_);
  reply_.Clear();
  replyReady_ = false;
  return out.Size();
}

bool CUserInterface::HasReply() const {
  CCSectionLock lock(section_);
  return replyReady_;
}

void CUserInterface::Reset() {
  CCSectionLock lock(section_);
  queue_.Clear();
  pauseToggled_ = false;
  if (++message_ == 0) message_ = 1;
  requestMessage_ = 0;
  replyReady_ = false;
  reply_.Clear();
}

size_t CUserInterface::QueuedCommands() const {
  CCSectionLock lock(section_);
  return queue_.Size();
}

CommandResult CUserInterface::ProcessOneCommand() {
  uint32_t word = 0;
  {
    CCSectionLock lock(section_);
    if (pauseToggled_) {
      pauseToggled_ = false;
      return CommandResult::kPauseToggle;
    }
    if (!queue_.Pop(word)) return CommandResult::kNothingQueued;
    if (IsRequestWord(word)) {
      if (requestMessage_ == 0) return CommandResult::kDone;  // no longer awaited
      std::swap(serving_, request_);
      request_.Clear();
      servingMessage_ = requestMessage_;
      requestMessage_ = 0;
    }
  }
  if (IsRequestWord(word)) {
    Serve(RequestCodeOf(word), serving_.Bytes());
    servingMessage_ = 0;
  } else if ((word & kCommandClassMask) == kCommandClassKey) {
    Key(word);
  } else {
    const DecodedCommand command = DecodeCommand(word);
    Mouse(command.x, command.y, static_cast<uint32_t>(command.action));
  }
  return CommandResult::kDone;
}

void CUserInterface::Serve(uint32_t /*code*/, std::span<const uint8_t> /*payload*/) { AnswerUnknown(); }

void CUserInterface::SetReply(uint32_t statusWord, std::span<const uint8_t> payload) {
  CCSectionLock lock(section_);
  SetReplyLocked(servingMessage_, statusWord, payload);
}

void CUserInterface::AnswerUnknown() {
  CCSectionLock lock(section_);
  queue_.Clear();
  SetReplyLocked(servingMessage_, 0, {});
}

void CUserInterface::SetReplyLocked(uint32_t message, uint32_t statusWord,
                                    std::span<const uint8_t> payload) {
  if (message == 0 || message != message_ || message == answeredMessage_) {
    AgentLog("a reply (status 0x%X) answers no waiting request; dropped", statusWord);
    return;
  }
  reply_.Clear();
  reply_.AppendU32(statusWord);
  reply_.Append(payload);
  replyReady_ = true;
  answeredMessage_ = message;
}

}  // namespace mirrodex
