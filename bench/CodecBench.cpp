// The screen update codec per scene and size: encoder and decoder time per field on the same
// recorded payloads, the intra field, compression of the payloads, and the frame copy that
// bounds every per-frame cost from below.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "agent/capture/ScreenEncoder.h"
#include "bench/CodecRecording.h"
#include "desktop/session/ScreenDecoder.h"
#include "protocol/MessageCompression.h"
#include "tools/scenes/SceneGenerator.h"

namespace mirrodex::bench {
namespace {

using scenes::SceneKind;

void FrameCopy(benchmark::State& state, BenchSize size) {
  const size_t bytes = 2ull * size.width * size.height;
  std::vector<uint8_t> source(bytes, 0x5A), target(bytes);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), bytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void SetUpEncoder(ScreenEncoder& encoder, const BenchSize& size) {
  if (!encoder.Setup(size.width, size.height, kBenchFormat)) std::abort();
}

// Inter fields of the recorded frames, in order; after the last one the encoder starts a
// new session on frame 0 outside the timing, so every timed field codes the recorded change.
void Encode(benchmark::State& state, SceneKind kind, BenchSize size) {
  const CodecRecording& rec = RecordingFor(kind, size);
  ScreenEncoder encoder;
  size_t field = 0, bytes = 0;
  bool matches = true;
  auto restart = [&] {
    // A fresh Setup, not only a new session: a new session on a used encoder does not clear
    // palette entries above the reset mark, so it would code differently from the recording.
    SetUpEncoder(encoder, size);
    encoder.StartSession();
    encoder.LoadImage(rec.frames[0].data(), 2 * size.width);
    encoder.EncodeNextField();
    encoder.EncodeNextField();
    field = 0;
  };
  restart();
  for (auto _ : state) {
    if (field == rec.InterFields()) restart();
    if (encoder.NeedsCapture()) encoder.LoadImage(rec.frames[1 + field / 2].data(), 2 * size.width);
    std::span<const uint8_t> payload;
    state.SetIterationTime(TimeOf([&] { payload = encoder.EncodeNextField(); }));
    benchmark::DoNotOptimize(payload.data());
    matches = matches && payload.size() == rec.InterPayload(field).size();
    bytes += payload.size();
    ++field;
  }
  if (!matches) state.SkipWithError("the encoder's payloads differ from the recording");
  state.counters["payload_B"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
  state.counters["lossless"] = rec.lossless ? 1 : 0;
}

// The recorded inter payloads applied in turn, cycling; fields with nothing sent cost nothing.
void Decode(benchmark::State& state, SceneKind kind, BenchSize size) {
  const CodecRecording& rec = RecordingFor(kind, size);
  ScreenDecoder decoder;
  if (!decoder.ResetGeometry(rec.info)) std::abort();
  for (size_t i = 0; i < CodecRecording::kIntraFields; ++i) decoder.ApplyUpdate(rec.payloads[i]);
  size_t field = 0, bytes = 0;
  for (auto _ : state) {
    const std::vector<uint8_t>& payload = rec.InterPayload(field);
    state.SetIterationTime(TimeOf([&] {
      if (!payload.empty()) benchmark::DoNotOptimize(decoder.ApplyUpdate(payload));
    }));
    bytes += payload.size();
    field = (field + 1) % rec.InterFields();
  }
  state.counters["payload_B"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
  state.counters["lossless"] = rec.lossless ? 1 : 0;
}

// The data message the transport builds for each sent inter payload. Counters are per field,
// unsent fields included, so they add up to bytes per image.
void Compress(benchmark::State& state, SceneKind kind, BenchSize size, CompressionParams params) {
  const CodecRecording& rec = RecordingFor(kind, size);
  DataMessageWriter writer;
  writer.SetParams(params);
  ByteBuffer out;
  std::vector<size_t> sent;
  size_t rawBytes = 0, messageBytes = 0;
  for (size_t i = 0; i < rec.InterFields(); ++i) {
    if (rec.InterPayload(i).empty()) continue;
    writer.ResetThreshold();
    if (!writer.Build(rec.InterPayload(i), out)) std::abort();
    sent.push_back(i);
    rawBytes += rec.InterPayload(i).size();
    messageBytes += out.Size();
  }
  if (sent.empty()) {
    state.SkipWithError("nothing to compress");
    return;
  }
  size_t next = 0;
  for (auto _ : state) {
    writer.ResetThreshold();
    benchmark::DoNotOptimize(writer.Build(rec.InterPayload(sent[next]), out));
    next = (next + 1) % sent.size();
  }
  const double fields = static_cast<double>(rec.InterFields());
  state.counters["raw_B_per_field"] = static_cast<double>(rawBytes) / fields;
  state.counters["sent_B_per_field"] = static_cast<double>(messageBytes) / fields;
}

// A session's first (even, intra) field, palette reset included.
void IntraField(benchmark::State& state, SceneKind kind, BenchSize size) {
  const scenes::SceneGenerator scene(kind, size.width, size.height, kBenchFormat, kBenchSeed);
  ScreenEncoder encoder;
  SetUpEncoder(encoder, size);
  scene.Render(0, encoder.CurrentImage(), 2 * encoder.ImageStride());
  size_t bytes = 0;
  for (auto _ : state) {
    encoder.StartSession();
    const std::span<const uint8_t> payload = encoder.EncodeNextField();
    benchmark::DoNotOptimize(payload.data());
    bytes = payload.size();
  }
  state.counters["payload_B"] = static_cast<double>(bytes);
}

struct NamedParams {
  const char* name;
  CompressionParams params;
};
constexpr NamedParams kCompressors[] = {
    {"zlib1", {Compressor::kZlib, 1, 9}},
    {"zlib6", {Compressor::kZlib, 6, 9}},
    {"zlib9", {Compressor::kZlib, 9, 9}},
    {"bzip2", {Compressor::kBzip2, 9, 9}},
};

const bool kRegistered = [] {
  for (const BenchSize& size : kBenchSizes) {
    const std::string dims = std::to_string(size.width) + "x" + std::to_string(size.height);
    benchmark::RegisterBenchmark(("FrameCopy/" + dims).c_str(), FrameCopy, size)->Unit(benchmark::kMicrosecond);
    for (SceneKind kind : scenes::AllSceneKinds()) {
      benchmark::RegisterBenchmark(BenchName("Encode", kind, size).c_str(), Encode, kind, size)
          ->UseManualTime()
          ->Unit(benchmark::kMicrosecond);
      if (kind == SceneKind::kStatic || kind == SceneKind::kPhoto) {
        benchmark::RegisterBenchmark(BenchName("IntraField", kind, size).c_str(), IntraField, kind, size)
            ->Unit(benchmark::kMicrosecond);
      }
      if (kind == SceneKind::kStatic) continue;  // nothing is ever sent
      benchmark::RegisterBenchmark(BenchName("Decode", kind, size).c_str(), Decode, kind, size)
          ->UseManualTime()
          ->Unit(benchmark::kMicrosecond);
      for (const NamedParams& c : kCompressors) {
        const std::string name = BenchName("Compress", kind, size) + "/" + c.name;
        benchmark::RegisterBenchmark(name.c_str(), Compress, kind, size, c.params)->Unit(benchmark::kMicrosecond);
      }
    }
  }
  return true;
}();

}  // namespace
}  // namespace mirrodex::bench
