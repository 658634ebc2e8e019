// The 8-byte settings record the desktop answers the DeviceInfo with.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "protocol/MessageCompression.h"

namespace mirrodex {

inline constexpr uint32_t kSessionSettingsSize = 8;

// Screen coding methods (the agent's encoder kinds).
enum CodingMethod : uint32_t {
  kCodingStatisticalFullColour = 0,
  kCodingFullColour = 1,
  kCodingStatisticalReduced = 2,
  kCodingReduced = 3,
};

struct SessionSettings {
  Compressor compressor = Compressor::kZlib;  // bit 0 of word 0
  uint32_t refreshMs = 50;                    // bits 1..31 of word 0
  uint32_t priority = 1;                      // bits 0..1 of word 1
  uint32_t compressionLevel = 9;              // bits 2..5 of word 1
  uint32_t codingMethod = 0;                  // bits 6..7 of word 1

  // Each value goes into its field unmasked (the profile store keeps them in range).
  std::array<uint8_t, kSessionSettingsSize> Pack() const;
  // The agent's reading: every field masked to its bits.
  static SessionSettings Parse(std::span<const uint8_t, kSessionSettingsSize> bytes);

  bool IsReducedColour() const { return codingMethod > 1; }
};

}  // namespace mirrodex
