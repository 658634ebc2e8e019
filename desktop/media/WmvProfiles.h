// The WMV "system profiles": one fixed table that both the profile list and the WMV writer read,
// so the index the user picks is the profile that is recorded. Any thread; constant.
#pragma once

#include <cstdint>
#include <span>

namespace mirrodex {

struct WmvProfile {
  const char* name;
  const char* encoder;  // FFmpeg encoder: "wmv2" or "wmv1"
  int64_t bitRate;      // bits per second
  int keyFrameSeconds;  // longest time between key frames
};

std::span<const WmvProfile> WmvProfiles();
// The profile at `index`, or null when there is none.
const WmvProfile* FindWmvProfile(uint32_t index);

}  // namespace mirrodex
