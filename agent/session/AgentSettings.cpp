#include "agent/session/AgentSettings.h"

#include <algorithm>

namespace mirrodex {
namespace {

// The desktop's priority codes 0..3 as the agent's thread priority codes.
int MapPriority(uint32_t code) {
  constexpr int kPriorities[4] = {7, 3, 2, 1};
  return kPriorities[code & 3u];
}

}  // namespace

bool AgentSettings::Apply(const SessionSettings& s) {
  const uint32_t period = std::min(s.refreshMs, kMaxPeriodMs);
  const int priorityCode = MapPriority(s.priority);
  const bool changed = s.compressor != compressor || period != periodMs ||
                       priorityCode != priority || s.compressionLevel != level;
  compressor = s.compressor;
  periodMs = period;
  priority = priorityCode;
  level = s.compressionLevel;
  bzip2BlockSize = level == 0 ? 1 : (level - 1) / 3 + 1;
  encoderKind = s.codingMethod;
  return changed;
}

CompressionParams AgentSettings::Compression() const {
  CompressionParams params;
  params.compressor = compressor;
  params.zlibLevel = static_cast<int>(std::clamp<uint32_t>(level, 1, 9));
  params.bzip2BlockSize = static_cast<int>(std::clamp<uint32_t>(bzip2BlockSize, 1, 9));
  return params;
}

}  // namespace mirrodex
