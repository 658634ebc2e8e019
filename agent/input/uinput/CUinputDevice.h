// The kernel's uinput: a virtual input device created through /dev/uinput (or another path)
// that the system treats like a real keyboard and absolute pointer (a tablet-like mouse).
// Needs write access to the uinput node, usually root or the input group.
// Thread: one owner. Owns the descriptor; Close or the destructor removes the device.
#pragma once

#include <string>

#include "agent/input/uinput/IUinputSink.h"

namespace mirrodex {

inline constexpr const char* kDefaultUinputPath = "/dev/uinput";

class CUinputDevice final : public IUinputSink {
 public:
  explicit CUinputDevice(std::string path = kDefaultUinputPath) : path_(std::move(path)) {}
  ~CUinputDevice() override { Close(); }
  CUinputDevice(const CUinputDevice&) = delete;
  CUinputDevice& operator=(const CUinputDevice&) = delete;

  [[nodiscard]] bool Open(uint32_t width, uint32_t height, std::string& error) override;
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  [[nodiscard]] bool Write(std::span<const UinputEvent> events, std::string& error) override;

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace mirrodex
