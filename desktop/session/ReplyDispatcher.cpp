#include "desktop/session/ReplyDispatcher.h"

#include "desktop/session/DeviceRequester.h"
#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"

namespace mirrodex {

void ReplyDispatcher::Register(DeviceRequester* requester, Slot slot) {
  std::lock_guard lock(mutex_);
  (slot == Slot::kCurrent ? current_ : fileManager_) = requester;
}

void ReplyDispatcher::Unregister(DeviceRequester* requester) {
  std::lock_guard lock(mutex_);
  if (current_ == requester) current_ = nullptr;
  if (fileManager_ == requester) fileManager_ = nullptr;
}

DeviceRequester* ReplyDispatcher::Waiting() const {
  if (current_ && current_->waiting_) return current_;
  if (fileManager_ && fileManager_->waiting_) return fileManager_;
  return nullptr;
}

void ReplyDispatcher::Dispatch(std::span<const uint8_t> buffer) {
  std::lock_guard lock(mutex_);
  // The command session sends one request at a time, so replies come in the order of the
  // requests: the oldest reply still owed belongs to an exchange that gave up.
  if (owed_ > 0) {
    --owed_;
    return;
  }
  DeviceRequester* target = Waiting();
  if (!target) return;  // nobody asked for it
  if (buffer.size() >= 4 && LoadU32(buffer.data()) >= kReplyCodeZeroLimit) target->reply_.Append(buffer);
  target->waiting_ = false;
  target->answered_ = true;
  target->answeredChanged_.notify_all();
}

void ReplyDispatcher::ConnectionLost() {
  std::lock_guard lock(mutex_);
  owed_ = 0;
  if (DeviceRequester* target = Waiting()) {
    target->waiting_ = false;
    target->lost_ = true;
    target->answeredChanged_.notify_all();
  }
}

uint32_t ReplyDispatcher::OwedReplies() const {
  std::lock_guard lock(mutex_);
  return owed_;
}

}  // namespace mirrodex
