// The command processor: the queue of commands from the desktop, the reply to the desktop's
// latest data message, and the execution of one command at a time. Backends replay key and
// pointer words on the device; services answer requests.
// One data message, one reply: the desktop sends one request per data message and waits for
// its reply before the next, so a message's first request is served and whatever follows it
// is discarded; a message without a request (empty, cut inside a word, or holding only input
// or words of no class) is answered at once with the status-0 reply. Only the latest
// message's reply is ever handed out, so a late reply can never answer a newer request.
// Input is bounded as CommandQueue describes; the pause toggle is not queued but noted (two
// toggles cancel out).
// Threads: PutCommand, PutCommandWord, TakeReply and HasReply on the command-session thread;
// ProcessOneCommand (and with it Key, Mouse, Serve and SetReply) on the screen-session thread;
// Reset from either, when sessions start or stop. The queue and the reply share one critical
// section, which is not held while a command executes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "agent/input/CommandQueue.h"
#include "agent/session/CCSection.h"
#include "agent/session/CDynamicBuf.h"
#include "agent/session/MRetrieveHttpCallbacks.h"

namespace mirrodex {

class CUserInterface {
 public:
  explicit CUserInterface(size_t inputCapacity = CommandQueue::kDefaultCapacity);
  virtual ~CUserInterface() = default;
  CUserInterface(const CUserInterface&) = delete;
  CUserInterface& operator=(const CUserInterface&) = delete;

  // A key word: bit 16 set = virtual key (bits 0..7), else a character (bits 0..15).
  virtual void Key(uint32_t word) = 0;
  // A pointer action 0 (move), 1 (left up) or 2 (left down) at device pixel (x, y).
  virtual void Mouse(uint32_t x, uint32_t y, uint32_t action) = 0;

  // One data message's payload.
  void PutCommand(std::span<const uint8_t> message);
  // One command word; a word that is neither input nor the pause toggle is discarded.
  void PutCommandWord(uint32_t word);
  // The reply to the latest data message (status word and payload) into `out`; its size, 0
  // while it is not ready or once taken.
  size_t TakeReply(CDynamicBuf& out);
  bool HasReply() const;
  // Runs the next queued command; the pause toggle is left to the caller.
  CommandResult ProcessOneCommand();
  // Drops queued commands, the waiting request and the reply; a request being served then
  // answers no one. A release that a replayed press still needs stays queued.
  void Reset();
  size_t QueuedCommands() const;

 protected:
  // Answers one request (code 0..63, its payload) with SetReply or AnswerUnknown. Runs on the
  // screen-session thread without the queue lock. Without services every request gets the
  // reply of an unknown code.
  virtual void Serve(uint32_t code, std::span<const uint8_t> payload);
  // The reply to the request being served (screen-session thread, from Serve). A second
  // reply, or one to a request that is no longer awaited, is dropped.
  void SetReply(uint32_t statusWord, std::span<const uint8_t> payload = {});
  // The answer to a code the agent does not know: the queued input is dropped and the reply
  // has status 0.
  void AnswerUnknown();

 private:
  // Under the lock: the reply to `message` unless a newer message (or a reset) came since.
  void SetReplyLocked(uint32_t message, uint32_t statusWord, std::span<const uint8_t> payload);
  // Under the lock: takes an input word or the pause toggle; false for any other word.
  bool QueueInputLocked(uint32_t word);

  mutable CCSection section_;
  CommandQueue queue_;
  bool pauseToggled_ = false;
  uint32_t message_ = 0;         // number of the latest data message, the one a reply answers
  uint32_t requestMessage_ = 0;  // the message whose request waits in request_, 0 when none
  CDynamicBuf request_;          // the waiting request's payload
  bool replyReady_ = false;
  uint32_t answeredMessage_ = 0;  // the message that got its reply last
  CDynamicBuf reply_;            // the reply to message_ once ready
  uint64_t malformed_ = 0;       // data messages that broke the one-request rule
  uint64_t strayWords_ = 0;      // command words that were neither input nor the pause toggle
  // Screen-session thread only: the request being served and the message it came in.
  CDynamicBuf serving_;
  uint32_t servingMessage_ = 0;
};

}  // namespace mirrodex
