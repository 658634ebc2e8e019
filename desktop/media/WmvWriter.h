// WMV files: ASF with wmv2 or wmv1 video, encoded as one of the fixed system profiles
// (WmvProfiles), frames stamped at their 500 ms capture times. Threads and order: MovieWriter.
#pragma once

#include <cstdint>

#include "desktop/media/MovieWriter.h"

namespace mirrodex {

class WmvWriter final : public MovieWriter {
 public:
  // `profile`: index into WmvProfiles(). The quality is not used: the profile sets the rate.
  WmvWriter(std::filesystem::path path, uint32_t profile, UserNotifier* notifier);

 private:
  MediaResult Describe(MovieStream& stream) const override;

  uint32_t profile_;
};

}  // namespace mirrodex
