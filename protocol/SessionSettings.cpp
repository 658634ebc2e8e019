#include "protocol/SessionSettings.h"

#include "protocol/LittleEndian.h"

namespace mirrodex {

std::array<uint8_t, kSessionSettingsSize> SessionSettings::Pack() const {
  std::array<uint8_t, kSessionSettingsSize> b{};
  const uint32_t word0 = (compressor == Compressor::kZlib ? 1u : 0u) | (refreshMs << 1);
  const uint32_t word1 = priority | (compressionLevel << 2) | (codingMethod << 6);
  StoreU32(&b[0], word0);
  StoreU32(&b[4], word1);
  return b;
}

SessionSettings SessionSettings::Parse(std::span<const uint8_t, kSessionSettingsSize> b) {
  const uint32_t word0 = LoadU32(&b[0]);
  const uint32_t word1 = LoadU32(&b[4]);
  SessionSettings s;
  s.compressor = (word0 & 1u) ? Compressor::kZlib : Compressor::kBzip2;
  s.refreshMs = word0 >> 1;
  s.priority = word1 & 3u;
  s.compressionLevel = (word1 >> 2) & 0xFu;
  s.codingMethod = (word1 >> 6) & 3u;
  return s;
}

}  // namespace mirrodex
