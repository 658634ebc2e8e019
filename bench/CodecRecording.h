// One scene coded once: its frames, the field payloads the encoder produced for them (the
// first two are the intra fields of frame 0; a field with nothing to send has an empty
// payload) and whether the decoder rebuilt every frame exactly. Encoder and decoder
// benchmarks replay it so that both work on the same payloads.
#pragma once

#include <cstdint>
#include <vector>

#include "bench/BenchSupport.h"
#include "protocol/DeviceInfo.h"

namespace mirrodex::bench {

struct CodecRecording {
  static constexpr size_t kIntraFields = 2;

  scenes::SceneKind kind{};
  BenchSize size{};
  DeviceInfo info{};
  std::vector<std::vector<uint16_t>> frames;   // packed, frames 0..size.frames
  std::vector<std::vector<uint8_t>> payloads;  // two per frame
  bool lossless = false;                       // every decoded frame equals its source

  size_t InterFields() const { return payloads.size() - kIntraFields; }
  const std::vector<uint8_t>& InterPayload(size_t i) const { return payloads[kIntraFields + i]; }
  size_t InterBytes() const;
};

// The recording of a scene at a size, made on first use. Only the last one is kept, so
// benchmarks of one scene and size should run one after another.
const CodecRecording& RecordingFor(scenes::SceneKind kind, const BenchSize& size);

}  // namespace mirrodex::bench
