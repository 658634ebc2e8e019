// A SessionOwner that records what the sessions report and lets a test wait for it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "desktop/session/ScreenDecoder.h"
#include "desktop/session/SessionLog.h"
#include "desktop/session/SessionOwner.h"

namespace mirrodex::test {

class RecordingOwner : public SessionOwner, public SessionLog {
 public:
  explicit RecordingOwner(const ScreenDecoder& decoder) : decoder_(decoder) {}

  void OnEvent(uint32_t code) override { Record([&] { events.push_back(code); }); }
  void OnData(std::span<const uint8_t> buffer) override {
    Record([&] { data.emplace_back(buffer.begin(), buffer.end()); });
  }
  void OnFrameComplete() override {
    Record([&] {
      ++frames;
      picture.resize(size_t{decoder_.Width()} * decoder_.Height());
      decoder_.CopyPicture(picture.data());
      fillIndexAtFrame = decoder_.FillIndex();
    });
  }
  void OnScreenUpdate(const ScreenUpdateInfo& info) override {
    Record([&] { updates.push_back(info); });
  }
  void Write(std::string_view text) override { Record([&] { log.emplace_back(text); }); }

  // Waits until `done` holds (checked under the lock); false after `timeoutMs`.
  bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
  }
  size_t Count(uint32_t code) const {
    size_t n = 0;
    for (uint32_t e : events) n += e == code;
    return n;
  }
  template <typename F>
  auto Locked(F&& f) {
    std::lock_guard lock(mutex_);
    return f();
  }

  // Guarded by the owner's lock: read through WaitUntil or Locked.
  std::vector<uint32_t> events;
  std::vector<std::vector<uint8_t>> data;
  std::vector<ScreenUpdateInfo> updates;
  std::vector<std::string> log;
  std::vector<uint16_t> picture;
  uint32_t frames = 0;
  uint32_t fillIndexAtFrame = 0;

 private:
  template <typename F>
  void Record(F&& f) {
    {
      std::lock_guard lock(mutex_);
      f();
    }
    changed_.notify_all();
  }

  const ScreenDecoder& decoder_;
  std::mutex mutex_;
  std::condition_variable changed_;
};

}  // namespace mirrodex::test
