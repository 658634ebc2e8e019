// The in-memory twin of /dev/uinput: records the devices created and every event written,
// so tests can check the exact event sequence. Can be told to refuse to open.
// Thread: one owner.
#pragma once

#include <vector>

#include "agent/input/uinput/IUinputSink.h"

namespace mirrodex {

class CRecordingUinputSink final : public IUinputSink {
 public:
  struct Device {
    uint32_t width, height;
    bool operator==(const Device&) const = default;
  };

  [[nodiscard]] bool Open(uint32_t width, uint32_t height, std::string& error) override;
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  [[nodiscard]] bool Write(std::span<const UinputEvent> events, std::string& error) override;

  // Later Opens fail with this message; an empty one lets them succeed again.
  void RefuseOpen(std::string message) { refusal_ = std::move(message); }
  const std::vector<Device>& Devices() const { return devices_; }
  const std::vector<UinputEvent>& Events() const { return events_; }
  void ClearEvents() { events_.clear(); }

 private:
  bool open_ = false;
  std::string refusal_;
  std::vector<Device> devices_;
  std::vector<UinputEvent> events_;
};

}  // namespace mirrodex
