// Sending one request to a services object and taking its reply apart, for the tests.
#pragma once

#include <cstdint>
#include <array>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "agent/services/CFileManager.h"
#include "protocol/ByteBuffer.h"
#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"

namespace mirrodex::test {

struct Reply {
  uint32_t status = 0;
  std::vector<uint8_t> payload;
  bool complete = false;  // at least a status word came

  // A u32 of the payload; a recognisable filler when the payload is too short.
  uint32_t U32(size_t offset) const {
    return offset + 4 <= payload.size() ? LoadU32(payload.data() + offset) : 0xDEADBEEFu;
  }
};

inline Reply Ask(CFileManager& services, uint32_t code, std::span<const uint8_t> payload) {
  ByteBuffer buffer;
  services.Serve(code, payload, buffer);
  Reply reply;
  if (buffer.Size() < 4) return reply;
  reply.complete = true;
  reply.status = LoadU32(buffer.Data());
  reply.payload.assign(buffer.Data() + 4, buffer.Data() + buffer.Size());
  return reply;
}

inline Reply Ask(CFileManager& services, uint32_t code, const std::string& ascii) {
  return Ask(services, code, std::span(reinterpret_cast<const uint8_t*>(ascii.data()), ascii.size()));
}

// One entry of a folder or process listing: a name (u32 length in characters, then UTF-16LE)
// followed by five u32 values.
struct NamedRecord {
  std::string name;
  std::array<uint32_t, 5> values{};
};

// The entries a listing reply counts; the test fails when the payload holds more or less.
std::vector<NamedRecord> ParseNamedRecords(const Reply& reply);

inline std::vector<uint8_t> Utf16(const std::string& utf8) { return Utf8ToUtf16Le(utf8); }

inline std::vector<uint8_t> NameBlocks(std::initializer_list<std::string> names) {
  ByteBuffer buffer;
  for (const auto& name : names) AppendNameBlock(buffer, name);
  return {buffer.Data(), buffer.Data() + buffer.Size()};
}

}  // namespace mirrodex::test
