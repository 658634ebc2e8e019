// The process request (20). A payload shorter than 3 bytes asks for the list: per process the
// name, id, thread count, usage count (always 1: the snapshot's one reference), parent id and
// module id (always 0: processes have no module ids here). Else byte 0 is the action, '1'
// close or '2' bring to front, and the rest the process id in decimal digits.
// Close asks the process's windows to close, then ends the process, with windows or without.
// Thread: the screen-session thread only; a close blocks for up to the grace period plus 1 s.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "protocol/ByteBuffer.h"

namespace mirrodex {

class ProcessService {
 public:
  static constexpr uint32_t kUsageCount = 1;
  static constexpr uint32_t kModuleId = 0;
  static constexpr uint32_t kMaxEntries = 0xFFFE;

  // `displayName` empty: no display, so no windows to ask. `grace`: how long a process may
  // take to end after SIGTERM before SIGKILL.
  ProcessService(std::string displayName, std::chrono::milliseconds grace,
                 std::string procDir = "/proc")
      : displayName_(std::move(displayName)), grace_(grace), procDir_(std::move(procDir)) {}

  void Serve(std::span<const uint8_t> payload, ByteBuffer& reply);

 private:
  void List(ByteBuffer& reply);
  [[nodiscard]] bool Close(uint32_t id);
  void BringToFront(uint32_t id);

  std::string displayName_;
  std::chrono::milliseconds grace_;
  std::string procDir_;
};

}  // namespace mirrodex
