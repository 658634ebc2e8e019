// Where the uinput backend writes its events: the kernel's /dev/uinput (CUinputDevice) or,
// in tests, a recording twin. The backend decides every event; a sink only creates the
// virtual device and delivers them unchanged.
// Thread: one owner.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace mirrodex {

// One input event as the kernel takes it, without the time stamp it fills in itself.
struct UinputEvent {
  uint16_t type;
  uint16_t code;
  int32_t value;
  bool operator==(const UinputEvent&) const = default;
};

class IUinputSink {
 public:
  virtual ~IUinputSink() = default;
  // Creates the virtual device: a keyboard and, when width and height are not 0, a left
  // button with an absolute pointer over pixels 0..width-1 and 0..height-1.
  [[nodiscard]] virtual bool Open(uint32_t width, uint32_t height, std::string& error) = 0;
  // Removes the device; nothing happens when none is open.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Delivers the events in order, all or none.
  [[nodiscard]] virtual bool Write(std::span<const UinputEvent> events, std::string& error) = 0;
};

}  // namespace mirrodex
