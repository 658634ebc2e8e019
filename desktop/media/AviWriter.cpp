#include "desktop/media/AviWriter.h"

#include "desktop/media/AviCompressors.h"
#include "desktop/media/FourCc.h"

namespace mirrodex {
namespace {

constexpr const char* kRenderError = "Error Occured While Rendering the Movie";
constexpr MovieWriterTexts kTexts{"Error",      kRenderError, kRenderError, kRenderError,
                                  kRenderError, kRenderError, false};

}  // namespace

AviWriter::AviWriter(std::filesystem::path path, uint32_t handler, AviCompressorSettings settings,
                     UserNotifier* notifier)
    : MovieWriter(std::move(path), notifier, kTexts), handler_(handler), settings_(settings) {}

MediaResult AviWriter::Describe(MovieStream& stream) const {
  const AviCompressor* compressor = FindAviCompressor(handler_);
  if (compressor == nullptr || !MovieFile::HasEncoder(compressor->encoder))
    return MediaResult::Failure("The AVI compressor " + FourCcText(handler_) +
                                " is not installed. Choose another compressor.");
  stream.container = "avi";
  stream.encoder = compressor->encoder;
  stream.codecTag = compressor->handler;
  stream.timeUnitMs = 500;  // AVI has one constant frame rate: the capture timer's
  stream.keyFrameInterval = kKeyFrameInterval;
  if (settings_.bitRate > 0) {
    stream.bitRate = settings_.bitRate;
  } else if (settings_.quality > 0) {
    stream.qscale = QuantiserFor((settings_.quality - 1) / 99.0);
  }
  return MediaResult::Success();
}

}  // namespace mirrodex
