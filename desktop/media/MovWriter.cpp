#include "desktop/media/MovWriter.h"

#include <string>

#include "desktop/media/FourCc.h"
#include "desktop/media/MovCodecTypes.h"

namespace mirrodex {
const MovieWriterTexts kMovWriterTexts{"Error",
                                       nullptr,
                                       "Unable to Create Movie File",
                                       "Unable to Create Track Media",
                                       "Unable to Begin Editing",
                                       "Unable to Get Compression Size",
                                       false};

MovWriter::MovWriter(std::filesystem::path path, uint32_t codecType, int quality,
                     UserNotifier* notifier)
    : MovieWriter(std::move(path), notifier, kMovWriterTexts),
      codecType_(codecType),
      codecQuality_(MovCodecQuality(quality)) {}

MediaResult MovWriter::Describe(MovieStream& stream) const {
  const MovCodecType* type = FindMovCodecType(codecType_);
  const std::string code = FourCcText(FourCcSwap(codecType_));
  if (type == nullptr)
    return MediaResult::Failure("\"" + code +
                                "\" is not a QuickTime codec type this program knows.");
  if (!MovieFile::HasEncoder(type->encoder))
    return MediaResult::Failure(std::string("The codec \"") + type->text + "\" (" + code +
                                ") cannot be written on this system: FFmpeg has no encoder for "
                                "it. Choose another codec.");
  stream.container = "mov";
  stream.encoder = type->encoder;
  stream.codecTag = FourCcSwap(type->type);
  stream.timeUnitMs = 500;
  stream.qscale = QuantiserFor(codecQuality_ / 1024.0);
  stream.sizes = type->sizes;
  return MediaResult::Success();
}

}  // namespace mirrodex
