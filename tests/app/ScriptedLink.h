// A DeviceLink that records what the windows send and whose connection state a test sets.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "desktop/app/DeviceLink.h"

namespace mirrodex::test {

struct SentPointer {
  uint32_t x, y;
  PointerAction action;
  bool operator==(const SentPointer&) const = default;
};

struct SentKey {
  uint32_t code;
  bool isVirtualKey;
  bool operator==(const SentKey&) const = default;
};

class ScriptedLink : public app::DeviceLink {
 public:
  void Listen() override { ++listens; connected = false; }
  void Stop() override { ++stops; connected = false; }
  bool Wake(const std::string& host) override { wakes.push_back(host); return wakeSucceeds; }
  void SetProfile(const std::string& name) override { profile = name; }
  bool IsConnected() const override { return connected; }
  bool BothConnected() const override { return connected; }
  DeviceInfo ConnectedInfo() const override { return info; }
  void QueueKey(uint32_t code, bool isVirtualKey) override {
    if (connected) keys.push_back({code, isVirtualKey});
  }
  void QueuePointer(uint32_t x, uint32_t y, PointerAction action) override {
    if (connected) pointers.push_back({x, y, action});
  }
  bool QueueRequest(uint32_t code, std::span<const uint8_t>) override {
    std::lock_guard lock(mutex);
    requests.push_back(code);
    return connected;
  }

  bool connected = false;
  bool wakeSucceeds = true;
  DeviceInfo info{};
  int listens = 0, stops = 0;
  std::string profile;
  std::vector<std::string> wakes;
  std::vector<SentPointer> pointers;
  std::vector<SentKey> keys;
  std::mutex mutex;
  std::vector<uint32_t> requests;
};

}  // namespace mirrodex::test
