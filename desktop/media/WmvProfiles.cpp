#include "desktop/media/WmvProfiles.h"

namespace mirrodex {
namespace {

// From fast networks down to modems. Frames come at most twice a second, so every profile
// spends its bit rate on few, sharp frames.
constexpr WmvProfile kProfiles[] = {
    {"Video for local area network (768 Kbps)", "wmv2", 768000, 5},
    {"Video for local area network (384 Kbps)", "wmv2", 384000, 5},
    {"Video for broadband (256 Kbps)", "wmv2", 256000, 8},
    {"Video for broadband (100 Kbps)", "wmv2", 100000, 8},
    {"Video for dial-up modems (56 Kbps)", "wmv2", 48000, 10},
    {"Video for dial-up modems (28.8 Kbps)", "wmv1", 22000, 10},
};

}  // namespace

std::span<const WmvProfile> WmvProfiles() {
  return kProfiles;
}

const WmvProfile* FindWmvProfile(uint32_t index) {
  return index < std::size(kProfiles) ? &kProfiles[index] : nullptr;
}

}  // namespace mirrodex
