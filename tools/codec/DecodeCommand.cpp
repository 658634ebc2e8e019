// decode: recorded screen-session messages back into desktop pictures.
#include <cstdio>
#include <vector>

#include "desktop/session/ScreenDecoder.h"
#include "tools/codec/CodecCommands.h"
#include "tools/codec/CodecIo.h"
#include "tools/codec/PngWriter.h"

namespace mirrodex::codec {

int RunDecode(const CodecOptions& o) {
  std::string error;
  FilePtr in = OpenFile(o.files[0], "rb", error);
  FilePtr out = in ? OpenFile(o.files[1], "wb", error) : nullptr;
  if (!out) {
    std::fprintf(stderr, "mirrodex-codec: %s\n", error.c_str());
    return 2;
  }
  ScreenDecoder decoder;
  const DeviceInfo info = MakeDeviceInfo(static_cast<uint16_t>(o.width), static_cast<uint16_t>(o.height), o.format);
  if (!decoder.ResetGeometry(info)) {
    std::fprintf(stderr, "mirrodex-codec: cannot decode a %ux%u screen in format %u\n", o.width, o.height, o.format);
    return 1;
  }
  std::vector<uint16_t> picture(static_cast<size_t>(o.width) * o.height);
  bool writeFailed = false;
  uint64_t frames = 0;
  decoder.SetFrameCompleteHandler([&] {
    decoder.CopyPicture(picture.data());
    ++frames;
    writeFailed = writeFailed || !WriteAll(out.get(), picture.data(), picture.size() * sizeof(uint16_t));
  });
  const size_t maxPayload = MaxScreenPayloadBytes(info.blockColumns, info.blockRows);
  MessageHeader header;
  ByteBuffer body, inflated;
  uint64_t messages = 0;
  for (;;) {
    const ReadStatus status = ReadMessage(in.get(), maxPayload, header, body, error);
    if (status == ReadStatus::kEnd) break;
    if (status == ReadStatus::kError) {
      std::fprintf(stderr, "mirrodex-codec: message %llu: %s\n", static_cast<unsigned long long>(messages),
                   error.c_str());
      return 2;
    }
    ++messages;
    if (!header.HasBody()) continue;  // status, idle, close and command words carry no picture
    std::span<const uint8_t> payload = body.Bytes();
    if (header.IsCompressed()) {
      if (InflatePayload(o.compression.compressor, payload, header.word1, maxPayload, inflated) != InflateResult::kOk) {
        std::fprintf(stderr, "mirrodex-codec: message %llu does not decompress with %s: check --compress\n",
                     static_cast<unsigned long long>(messages),
                     o.compression.compressor == Compressor::kZlib ? "zlib" : "bzip2");
        return 2;
      }
      payload = inflated.Bytes();
    }
    decoder.ApplyUpdate(payload);
    if (writeFailed) {
      std::fprintf(stderr, "mirrodex-codec: cannot write %s (disk full?)\n", o.files[1].c_str());
      return 2;
    }
  }
  if (std::fflush(out.get()) != 0) {
    std::fprintf(stderr, "mirrodex-codec: cannot write %s (disk full?)\n", o.files[1].c_str());
    return 2;
  }
  if (!o.pngPath.empty()) {
    decoder.CopyPicture(picture.data());
    const std::string pngError = WritePng(o.pngPath, picture.data(), o.width, o.height, o.width);
    if (!pngError.empty()) {
      std::fprintf(stderr, "mirrodex-codec: %s\n", pngError.c_str());
      return 2;
    }
  }
  std::fprintf(stderr, "mirrodex-codec: %llu messages, %llu frames decoded\n",
               static_cast<unsigned long long>(messages), static_cast<unsigned long long>(frames));
  return 0;
}

}  // namespace mirrodex::codec
