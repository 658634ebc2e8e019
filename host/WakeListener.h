// The device's wake-up port: a desktop connects, writes the byte "a" and closes. Only
// allowed addresses are heard; anybody else is dropped without reading.
// Thread: the host's main thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/AddressFilter.h"

namespace mirrodex {

inline constexpr uint16_t kWakePort = 3950;

class WakeListener {
 public:
  explicit WakeListener(const AddressFilter& filter) : filter_(filter) {}
  ~WakeListener();
  WakeListener(const WakeListener&) = delete;
  WakeListener& operator=(const WakeListener&) = delete;

  // Listens on every local IPv4 address; false with `error` (a busy port says so).
  [[nodiscard]] bool Listen(uint16_t port, std::string& error);
  int Fd() const { return fd_; }
  // After the socket polled readable: accepts one connection. Returns the dotted address
  // of an allowed peer that sent "a"; nullopt (with `note` saying why, when worth logging)
  // for anything else.
  std::optional<std::string> AcceptWakeUp(std::string& note);

 private:
  const AddressFilter& filter_;
  int fd_ = -1;
};

}  // namespace mirrodex
