// One entry of a device search, as CE_FIND_DATA carries it, and its form in an answer.
// Value type; any thread.
#pragma once

#include <cstdint>
#include <string>

#include "bridge/CallWire.h"

namespace mirrodex::bridge {

// One entry of a search, as CE_FIND_DATA carries it.
struct FindEntry {
  uint32_t attributes = 0;
  uint64_t creationTime = 0;  // FILETIME values
  uint64_t accessTime = 0;
  uint64_t writeTime = 0;
  uint64_t size = 0;
  std::u16string name;
};

void WriteFindEntry(WireWriter& out, const FindEntry& entry);
[[nodiscard]] bool ReadFindEntry(WireReader& in, FindEntry& entry);

}  // namespace mirrodex::bridge
