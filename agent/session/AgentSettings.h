// What a transport keeps of the desktop's SessionSettings, in the agent's terms: the
// compressor and its level, the step period, the priority code and the encoder kind.
#pragma once

#include <cstdint>

#include "protocol/MessageCompression.h"
#include "protocol/SessionSettings.h"

namespace mirrodex {

struct AgentSettings {
  // A desktop may ask for any 31-bit period; beyond a minute the picture would look dead, and
  // such a value is taken as the minute.
  static constexpr uint32_t kMaxPeriodMs = 60000;

  Compressor compressor = Compressor::kZlib;
  uint32_t periodMs = 50;
  int priority = 3;
  uint32_t level = 9;
  uint32_t bzip2BlockSize = 3;
  uint32_t encoderKind = 0;

  // Takes the desktop's record; true when the compressor, period, priority or level changed.
  bool Apply(const SessionSettings& settings);
  CompressionParams Compression() const;
};

}  // namespace mirrodex
