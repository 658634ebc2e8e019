#include "desktop/session/DeviceRequester.h"

#include <algorithm>
#include <chrono>

#include "protocol/Requests.h"

namespace mirrodex {

const char* Describe(ExchangeStatus status) {
  switch (status) {
    case ExchangeStatus::kOk:
      return "done";
    case ExchangeStatus::kNotSent:
      return "no device is connected";
    case ExchangeStatus::kTimedOut:
      return "the device did not answer in time";
    case ExchangeStatus::kNoData:
      return "the device did not understand the request";
    case ExchangeStatus::kWrongCode:
      return "the device answered another request";
    case ExchangeStatus::kRefused:
      return "the device refused the request";
    case ExchangeStatus::kConnectionLost:
      return "the connection to the device was lost";
    case ExchangeStatus::kMalformed:
      return "the device's answer could not be read";
    case ExchangeStatus::kUnusable:
      return "the request could not be made";
  }
  return "unknown failure";
}

DeviceRequester::DeviceRequester(ReplyDispatcher& dispatcher, Sender sender, Role role,
                                 uint32_t timeoutCapMs)
    : dispatcher_(dispatcher), sender_(std::move(sender)), timeoutCapMs_(timeoutCapMs) {
  dispatcher_.Register(this, role == Role::kCurrent ? ReplyDispatcher::Slot::kCurrent
                                                    : ReplyDispatcher::Slot::kFileManager);
}

DeviceRequester::~DeviceRequester() { dispatcher_.Unregister(this); }

ExchangeStatus DeviceRequester::Fail(ExchangeStatus status) {
  usable_ = false;
  return status;
}

ExchangeStatus DeviceRequester::Exchange(uint32_t code, std::span<const uint8_t> payload) {
  const auto row = FindRequestSpec(code);
  if (!usable_ || !row) return Fail(ExchangeStatus::kUnusable);
  const std::lock_guard turn(dispatcher_.exchangeTurn_);
  statusWord_ = 0;
  {
    std::lock_guard lock(dispatcher_.mutex_);
    reply_.Clear();
    answered_ = false;
    lost_ = false;
    waiting_ = true;
  }
  if (!sender_ || !sender_(code, payload)) {
    std::lock_guard lock(dispatcher_.mutex_);
    waiting_ = false;
    return Fail(ExchangeStatus::kNotSent);
  }
  {
    std::unique_lock lock(dispatcher_.mutex_);
    const auto timeout = std::chrono::milliseconds(std::min(row->timeoutMs, timeoutCapMs_));
    const bool woke = answeredChanged_.wait_for(lock, timeout, [&] { return answered_ || lost_; });
    if (!woke) {
      // The reply may still come; the dispatcher drops it instead of handing it to the
      // next exchange.
      waiting_ = false;
      ++dispatcher_.owed_;
      return Fail(ExchangeStatus::kTimedOut);
    }
    if (lost_) return Fail(ExchangeStatus::kConnectionLost);
  }
  // Answered: the dispatcher no longer touches the buffer.
  if (!reply_.TakeU32(statusWord_)) return Fail(ExchangeStatus::kNoData);
  if (ReplyCodeOf(statusWord_) != row->replyCode) return Fail(ExchangeStatus::kWrongCode);
  if (Result() < row->successMin || Result() > row->successMax) return Fail(ExchangeStatus::kRefused);
  return ExchangeStatus::kOk;
}

}  // namespace mirrodex
