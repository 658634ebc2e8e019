#include "desktop/media/WmvWriter.h"

#include <string>

#include "desktop/media/WmvProfiles.h"

namespace mirrodex {
namespace {

constexpr MovieWriterTexts kTexts{"Error",
                                  nullptr,
                                  "Unable to Set Output Filename",
                                  "Unable to Set Media Type",
                                  "Unable to Initialize Writing",
                                  "Unable to Write Frame",
                                  true};

}  // namespace

WmvWriter::WmvWriter(std::filesystem::path path, uint32_t profile, UserNotifier* notifier)
    : MovieWriter(std::move(path), notifier, kTexts), profile_(profile) {}

MediaResult WmvWriter::Describe(MovieStream& stream) const {
  const WmvProfile* profile = FindWmvProfile(profile_);
  if (profile == nullptr) return MediaResult::Failure("Unable to Load System Profile");
  if (!MovieFile::HasEncoder(profile->encoder))
    return MediaResult::Failure(std::string("The profile \"") + profile->name + "\" needs the " +
                                profile->encoder +
                                " encoder, which this system's FFmpeg lacks. Choose another "
                                "profile or video format.");
  stream.container = "asf";
  stream.encoder = profile->encoder;
  stream.timeUnitMs = 500;
  stream.bitRate = profile->bitRate;
  stream.keyFrameInterval = profile->keyFrameSeconds * 2;
  return MediaResult::Success();
}

}  // namespace mirrodex
