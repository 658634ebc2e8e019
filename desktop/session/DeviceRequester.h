// One request/reply exchange with the agent at a time: queues the request on the command
// session, waits for the reply with the request's timeout, and checks the reply code and the
// result against the request's success range. A requester that failed once is never used
// again (a late reply could still be on its way): make a new one.
// Threads: construction, Exchange, the accessors and destruction on one requesting thread
// (the user-interface thread or the client's main thread); replies arrive through the
// ReplyDispatcher on the command-session thread.
// Ownership: the dispatcher is not owned and must outlive the requester; the sender is called
// only during Exchange.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>

#include "desktop/session/ReplyDispatcher.h"
#include "protocol/ByteBuffer.h"

namespace mirrodex {

enum class ExchangeStatus {
  kOk,
  kNotSent,         // no connected device to queue the request on
  kTimedOut,        // no reply within the request's timeout
  kNoData,          // a reply without data (the agent did not know the request)
  kWrongCode,       // the reply answers another request
  kRefused,         // the result is outside the request's success range
  kConnectionLost,  // the connection ended while waiting
  kMalformed,       // the reply's payload cannot be read
  kUnusable,        // this requester failed before, or the code is not a request
};

// A short English description of a status, for messages and logs.
const char* Describe(ExchangeStatus status);
// True for the statuses where the device was reached and said no (kRefused).
constexpr bool DeviceRefused(ExchangeStatus status) { return status == ExchangeStatus::kRefused; }

class DeviceRequester {
 public:
  enum class Role { kCurrent, kFileManager };
  // Queues one request on the command session; false when it cannot be queued.
  using Sender = std::function<bool(uint32_t code, std::span<const uint8_t> payload)>;

  // `timeoutCapMs` shortens every request's timeout (tests); the product keeps the default.
  DeviceRequester(ReplyDispatcher& dispatcher, Sender sender, Role role,
                  uint32_t timeoutCapMs = std::numeric_limits<uint32_t>::max());
  ~DeviceRequester();
  DeviceRequester(const DeviceRequester&) = delete;
  DeviceRequester& operator=(const DeviceRequester&) = delete;

  // Sends request `code` with `payload` and waits for its reply. On kOk the status word has
  // been taken out and Payload() is the rest of the reply. On kRefused and kWrongCode the
  // status word is still readable.
  [[nodiscard]] ExchangeStatus Exchange(uint32_t code, std::span<const uint8_t> payload);

  // The last reply's status word and its bits 0..15.
  uint32_t StatusWord() const { return statusWord_; }
  uint32_t Result() const { return statusWord_ & 0xFFFFu; }
  // The reply after the status word; valid until the next Exchange.
  std::span<const uint8_t> Payload() const { return {reply_.ReadPointer(), reply_.Remaining()}; }
  // False once an exchange failed.
  bool Usable() const { return usable_; }

 private:
  friend class ReplyDispatcher;
  ExchangeStatus Fail(ExchangeStatus status);

  ReplyDispatcher& dispatcher_;
  Sender sender_;
  uint32_t timeoutCapMs_;
  bool usable_ = true;
  uint32_t statusWord_ = 0;
  // Guarded by the dispatcher's mutex while an exchange waits:
  ByteBuffer reply_;
  bool waiting_ = false;
  bool answered_ = false;
  bool lost_ = false;
  std::condition_variable answeredChanged_;
};

}  // namespace mirrodex
