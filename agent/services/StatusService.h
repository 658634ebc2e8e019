// The status request (19): five words, the memory load in percent, the free and total size
// of the file root's file system in KiB (saturated at 2^32-1), and the main and backup
// battery charge in percent (255 when unknown or absent). A value whose source cannot be
// read keeps the value of the previous request (0 at first).
// Thread: the screen-session thread only.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "protocol/ByteBuffer.h"

namespace mirrodex {

class StatusService {
 public:
  static constexpr uint32_t kBatteryUnknown = 255;

  // Where the values come from; tests point these at trees of their own.
  struct Sources {
    std::string meminfo = "/proc/meminfo";
    std::string powerSupplies = "/sys/class/power_supply";
  };

  // `rootFd` is the file root's descriptor (borrowed; -1 when there is no root).
  StatusService(int rootFd, Sources sources) : rootFd_(rootFd), sources_(std::move(sources)) {}

  void Serve(ByteBuffer& reply);

 private:
  void ReadMemoryLoad();
  void ReadStore();
  void ReadBatteries();

  int rootFd_;
  Sources sources_;
  std::array<uint32_t, 5> values_{};
};

}  // namespace mirrodex
