// encode and stats: frames through the encoder and the transport's send rule.
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "agent/capture/ScreenEncoder.h"
#include "desktop/session/ScreenDecoder.h"
#include "tools/codec/CodecCommands.h"
#include "tools/codec/CodecIo.h"

namespace mirrodex::codec {
namespace {

using Clock = std::chrono::steady_clock;

double MicrosecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

struct FieldRecord {
  const ScreenEncoder::FieldStats& stats;
  size_t messageBytes;  // header + body as sent, 0 when nothing was sent
  double encodeMicros;
};

// Runs every frame of the input through the encoder as one capture (two fields) and builds
// each field's message; `sink` sees every field. Returns the exit code.
int EncodeFrames(const CodecOptions& o, const std::function<bool(const FieldRecord&, const ByteBuffer&,
                                                                 std::span<const uint8_t>)>& sink) {
  std::string error;
  FilePtr in = OpenFile(o.files[0], "rb", error);
  if (!in) {
    std::fprintf(stderr, "mirrodex-codec: %s\n", error.c_str());
    return 2;
  }
  ScreenEncoder encoder;
  if (!encoder.Setup(o.width, o.height, o.format)) {
    std::fprintf(stderr, "mirrodex-codec: cannot encode a %ux%u screen in format %u\n", o.width, o.height, o.format);
    return 1;
  }
  encoder.SelectKind(o.kind);
  encoder.StartSession();
  DataMessageWriter writer;
  writer.SetParams(o.compression);
  ByteBuffer message;
  std::vector<uint16_t> frame(static_cast<size_t>(o.width) * o.height);
  for (;;) {
    const ReadStatus status = ReadFrame(in.get(), frame, error);
    if (status == ReadStatus::kEnd) return 0;
    if (status == ReadStatus::kError) {
      std::fprintf(stderr, "mirrodex-codec: %s\n", error.c_str());
      return 2;
    }
    encoder.LoadImage(frame.data(), o.width * sizeof(uint16_t));
    for (int field = 0; field < 2; ++field) {
      const auto start = Clock::now();
      const std::span<const uint8_t> payload = encoder.EncodeNextField();
      const double micros = MicrosecondsSince(start);
      message.Clear();
      if (!payload.empty()) {
        if (o.compress) {
          if (!writer.Build(payload, message)) return 2;
        } else {
          BuildRawMessage(payload, message);
        }
      }
      if (!sink({encoder.LastField(), message.Size(), micros}, message, payload)) return 2;
    }
  }
}

}  // namespace

int RunEncode(const CodecOptions& o) {
  std::string error;
  FilePtr out = OpenFile(o.files[1], "wb", error);
  if (!out) {
    std::fprintf(stderr, "mirrodex-codec: %s\n", error.c_str());
    return 2;
  }
  const int rc = EncodeFrames(o, [&](const FieldRecord&, const ByteBuffer& message, std::span<const uint8_t>) {
    if (WriteAll(out.get(), message.Data(), message.Size())) return true;
    std::fprintf(stderr, "mirrodex-codec: cannot write %s (disk full?)\n", o.files[1].c_str());
    return false;
  });
  if (std::fflush(out.get()) != 0) {
    std::fprintf(stderr, "mirrodex-codec: cannot write %s (disk full?)\n", o.files[1].c_str());
    return 2;
  }
  return rc;
}

int RunStats(const CodecOptions& o) {
  ScreenDecoder decoder;
  DeviceInfo info = MakeDeviceInfo(static_cast<uint16_t>(o.width), static_cast<uint16_t>(o.height), o.format);
  if (o.kind >= 2) info.colourFormat = kColourReducedGrey;
  if (!decoder.ResetGeometry(info)) return 1;
  std::printf("%6s %4s %6s %5s %7s %7s %8s %8s %10s %9s %9s\n", "field", "half", "header", "reset", "entries",
              "records", "A", "payload", "compressed", "enc_us", "dec_us");
  uint64_t fields = 0, sent = 0, payloadTotal = 0, messageTotal = 0;
  double encodeTotal = 0, decodeTotal = 0;
  const int rc = EncodeFrames(o, [&](const FieldRecord& f, const ByteBuffer&, std::span<const uint8_t> payload) {
    double decodeMicros = 0;
    if (!payload.empty()) {
      const auto start = Clock::now();
      decoder.ApplyUpdate(payload);
      decodeMicros = MicrosecondsSince(start);
    }
    const bool even = fields % 2 == 0;
    std::printf("%6llu %4s 0x%04x %5s %7u %7u %8u %8u %10zu %9.1f %9.1f\n", static_cast<unsigned long long>(fields),
                even ? "even" : "odd", f.stats.header, (f.stats.header & 0x2000) ? "yes" : "-", f.stats.paletteEntries,
                f.stats.records, f.stats.blockBytes, f.stats.payloadBytes, f.messageBytes, f.encodeMicros,
                decodeMicros);
    ++fields;
    sent += f.stats.sent ? 1 : 0;
    payloadTotal += f.stats.payloadBytes;
    messageTotal += f.messageBytes;
    encodeTotal += f.encodeMicros;
    decodeTotal += decodeMicros;
    return true;
  });
  if (fields > 0) {
    std::printf("total: %llu fields, %llu messages, %llu payload bytes, %llu bytes sent (%.1f%%), "
                "encode %.1f us/field, decode %.1f us/field\n",
                static_cast<unsigned long long>(fields), static_cast<unsigned long long>(sent),
                static_cast<unsigned long long>(payloadTotal), static_cast<unsigned long long>(messageTotal),
                payloadTotal ? 100.0 * static_cast<double>(messageTotal) / static_cast<double>(payloadTotal) : 0.0,
                encodeTotal / static_cast<double>(fields), decodeTotal / static_cast<double>(fields));
  }
  return rc;
}

}  // namespace mirrodex::codec
