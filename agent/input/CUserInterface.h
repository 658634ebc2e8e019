// The command processor: the queue of commands from the desktop and the buffer of reply
// records, and the execution of one command at a time. Backends replay key and pointer words
// on the device; services answer requests.
// Threads: PutCommand, PutCommandWord, TakeReply and HasReply on the command-session thread;
// ProcessOneCommand on the screen-session thread; Reset while no session runs. The queue and
// the reply buffer share one critical section, which is not held while a command executes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "agent/session/CCSection.h"
#include "agent/session/CDynamicBuf.h"
#include "agent/session/MRetrieveHttpCallbacks.h"

namespace mirrodex {

class CUserInterface {
 public:
  CUserInterface() = default;
  virtual ~CUserInterface() = default;
  CUserInterface(const CUserInterface&) = delete;
  CUserInterface& operator=(const CUserInterface&) = delete;

  // A key word: bit 16 set = virtual key (bits 0..7), else a character (bits 0..15).
  virtual void Key(uint32_t word) = 0;
  // A pointer action 0 (move), 1 (left up) or 2 (left down) at device pixel (x, y).
  virtual void Mouse(uint32_t x, uint32_t y, uint32_t action) = 0;

  void PutCommand(std::span<const uint8_t> bytes);
  void PutCommandWord(uint32_t word);
  // One reply record's status word and payload into `out`; its size, 0 when none.
  size_t TakeReply(CDynamicBuf& out);
  bool HasReply() const;
  // Runs the next queued command; the pause toggle is left to the caller.
  CommandResult ProcessOneCommand();
  // Drops queued commands and replies.
  void Reset();

 protected:
  // Answers one request (code 0..63, its payload). Runs on the screen-session thread without
  // the queue lock. Without services every request gets the reply of an unknown code.
  virtual void Serve(uint32_t code, std::span<const uint8_t> payload);
  // Appends a reply record: length word, status word, payload. Any thread.
  void AppendReply(uint32_t statusWord, std::span<const uint8_t> payload = {});
  // The answer to a code the agent does not know: the queue and the replies are emptied and
  // one record with status 0 follows.
  void AnswerUnknown();

 private:
  // Under the lock: frees the space of taken commands.
  void CompactCommands();
  // Under the lock: appends one reply record.
  void AppendRecord(uint32_t statusWord, std::span<const uint8_t> payload);

  mutable CCSection section_;
  CDynamicBuf commands_;
  CDynamicBuf replies_;
  CDynamicBuf request_;  // screen-session thread only: the request being served
};

}  // namespace mirrodex
