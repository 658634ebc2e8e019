#include "bench/CodecRecording.h"

#include <memory>
#include <stdexcept>

#include "agent/capture/ScreenEncoder.h"
#include "desktop/session/ScreenDecoder.h"
#include "protocol/ScreenUpdateFormat.h"
#include "tools/scenes/SceneGenerator.h"

namespace mirrodex::bench {
namespace {

bool ShowsFrame(const ScreenDecoder& decoder, const std::vector<uint16_t>& frame, uint16_t format) {
  std::vector<uint16_t> picture(frame.size());
  decoder.CopyPicture(picture.data());
  for (size_t i = 0; i < frame.size(); ++i) {
    if (picture[i] != ToRgb555(format, frame[i])) return false;
  }
  return true;
}

std::unique_ptr<CodecRecording> Record(scenes::SceneKind kind, const BenchSize& size) {
  auto rec = std::make_unique<CodecRecording>();
  rec->kind = kind;
  rec->size = size;
  const scenes::SceneGenerator scene(kind, size.width, size.height, kBenchFormat, kBenchSeed);
  ScreenEncoder encoder;
  if (!encoder.Setup(size.width, size.height, kBenchFormat)) throw std::runtime_error("encoder setup");
  encoder.StartSession();
  rec->info = encoder.Describe();
  ScreenDecoder decoder;
  if (!decoder.ResetGeometry(rec->info)) throw std::runtime_error("decoder geometry");
  rec->lossless = true;
  for (uint32_t f = 0; f <= size.frames; ++f) {
    rec->frames.push_back(scene.Render(f));
    encoder.LoadImage(rec->frames.back().data(), 2 * size.width);
    for (int field = 0; field < 2; ++field) {
      const std::span<const uint8_t> payload = encoder.EncodeNextField();
      rec->payloads.emplace_back(payload.begin(), payload.end());
      if (!payload.empty()) decoder.ApplyUpdate(payload);
    }
    rec->lossless = rec->lossless && ShowsFrame(decoder, rec->frames.back(), kBenchFormat);
  }
  return rec;
}

}  // namespace

size_t CodecRecording::InterBytes() const {
  size_t bytes = 0;
  for (size_t i = 0; i < InterFields(); ++i) bytes += InterPayload(i).size();
  return bytes;
}

const CodecRecording& RecordingFor(scenes::SceneKind kind, const BenchSize& size) {
  static std::unique_ptr<CodecRecording> last;
  if (!last || last->kind != kind || last->size.width != size.width || last->size.height != size.height) {
    last.reset();  // free the old one first: full HD recordings are large
    last = Record(kind, size);
  }
  return *last;
}

}  // namespace mirrodex::bench
