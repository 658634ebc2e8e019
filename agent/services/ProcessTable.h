// A snapshot of the processes from /proc: name, id, thread count and parent id.
// Thread: any; no state between calls.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mirrodex {

struct ProcessEntry {
  std::string name;  // the command name, completed from the executable's file name when cut
  uint32_t id = 0;
  uint32_t threads = 0;
  uint32_t parentId = 0;
};

class ProcessTable {
 public:
  // nullopt when the process folder cannot be read. Processes that end during the walk are
  // left out. Ordered by id.
  static std::optional<std::vector<ProcessEntry>> Snapshot(const std::string& procDir = "/proc");
  // One process, or nullopt when it does not exist (any more).
  static std::optional<ProcessEntry> Read(const std::string& procDir, uint32_t id);
  // The state letter of /proc/<id>/stat ('Z' for a process that ended but is not yet reaped);
  // 0 when the process is gone.
  static char State(const std::string& procDir, uint32_t id);
};

}  // namespace mirrodex
