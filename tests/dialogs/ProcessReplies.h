// Replies of request 20 as an agent sends them, for the device applications dialog tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"

namespace mirrodex::test {

struct FakeProcess {
  std::u16string name;
  uint32_t id;
};

// The status word (reply code 20, result = the number of entries) and the entries.
inline std::vector<uint8_t> ProcessListReply(const std::vector<FakeProcess>& processes) {
  std::vector<uint8_t> out(4);
  StoreU32(out.data(), StatusWord(kRequestProcesses, static_cast<uint32_t>(processes.size())));
  const auto put = [&out](uint32_t value) {
    const size_t at = out.size();
    out.resize(at + 4);
    StoreU32(&out[at], value);
  };
  for (const FakeProcess& process : processes) {
    put(static_cast<uint32_t>(process.name.size()));
    for (char16_t c : process.name) {
      out.push_back(static_cast<uint8_t>(c & 0xFF));
      out.push_back(static_cast<uint8_t>(c >> 8));
    }
    put(process.id);
    for (uint32_t value : {1u, 0u, 1u, 0u}) put(value);  // threads, usage, parent, module
  }
  return out;
}

inline std::vector<uint8_t> ProcessResultReply(uint32_t result) {
  std::vector<uint8_t> out(4);
  StoreU32(out.data(), StatusWord(kRequestProcesses, result));
  return out;
}

}  // namespace mirrodex::test
