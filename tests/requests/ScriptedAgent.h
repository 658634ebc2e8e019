// A scripted agent without sockets for requester and transfer tests: takes the requests a
// requester queues and answers them in order on its own thread, as the command session hands
// replies to the dispatcher. Like the real session it answers nothing else while a reply is
// held back.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "desktop/session/DeviceRequester.h"
#include "protocol/LittleEndian.h"

namespace mirrodex::test {

struct SeenRequest {
  uint32_t code = 0;
  std::vector<uint8_t> payload;
};

// A reply: the status word of `code` and `result`, then `payload`.
inline std::vector<uint8_t> MakeReply(uint32_t code, uint32_t result, std::span<const uint8_t> payload = {}) {
  std::vector<uint8_t> out(4);
  StoreU32(out.data(), (code << 20) + result);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

class ScriptedAgent {
 public:
  // The reply to a request, or nullopt to hold it back until Release.
  using Script = std::function<std::optional<std::vector<uint8_t>>(const SeenRequest&)>;

  ScriptedAgent(ReplyDispatcher& dispatcher, Script script)
      : dispatcher_(dispatcher), script_(std::move(script)), thread_([this] { Run(); }) {}
  ~ScriptedAgent() {
    {
      std::lock_guard lock(mutex_);
      ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  DeviceRequester::Sender Sender() {
    return [this](uint32_t code, std::span<const uint8_t> payload) {
      {
        std::lock_guard lock(mutex_);
        if (refuseQueueing_) return false;
        queue_.push_back({code, {payload.begin(), payload.end()}});
        seen_.push_back(queue_.back());
      }
      changed_.notify_all();
      return true;
    };
  }
  // Sends the reply held back for the oldest held request.
  void Release(std::vector<uint8_t> reply) {
    {
      std::lock_guard lock(mutex_);
      released_ = std::move(reply);
    }
    changed_.notify_all();
  }
  // Waits until `count` requests have been queued.
  void AwaitRequests(size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return seen_.size() >= count; });
  }
  std::vector<SeenRequest> Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }
  void RefuseQueueing() {
    std::lock_guard lock(mutex_);
    refuseQueueing_ = true;
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return ending_ || !queue_.empty(); });
      if (ending_) return;
      SeenRequest request = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      auto reply = script_(request);
      lock.lock();
      if (!reply) {
        changed_.wait(lock, [&] { return ending_ || released_.has_value(); });
        if (ending_) return;
        reply = std::exchange(released_, std::nullopt);
      }
      lock.unlock();
      dispatcher_.Dispatch(*reply);
      lock.lock();
    }
  }

  ReplyDispatcher& dispatcher_;
  Script script_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<SeenRequest> queue_;
  std::vector<SeenRequest> seen_;
  std::optional<std::vector<uint8_t>> released_;
  bool refuseQueueing_ = false;
  bool ending_ = false;
  std::thread thread_;
};

}  // namespace mirrodex::test
