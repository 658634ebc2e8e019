#include "protocol/MessageCompression.h"

#include <bzlib.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace mirrodex {
namespace {

// bzip2's documented worst case: 1% larger plus 600 bytes.
size_t Bzip2Bound(size_t size) { return size + size / 100 + 600; }

size_t CompressZlib(std::span<const uint8_t> in, int level, uint8_t* dest, size_t capacity) {
  uLongf destLength = capacity;
  const int rc = compress2(dest, &destLength, in.data(), in.size(), level);
  return rc == Z_OK ? destLength : 0;
}

size_t CompressBzip2(std::span<const uint8_t> in, int blockSize, uint8_t* dest, size_t capacity) {
  if (in.size() > std::numeric_limits<unsigned>::max() ||
      capacity > std::numeric_limits<unsigned>::max()) {
    return 0;
  }
  unsigned destLength = static_cast<unsigned>(capacity);
  const int rc = BZ2_bzBuffToBuffCompress(
      reinterpret_cast<char*>(dest), &destLength,
      const_cast<char*>(reinterpret_cast<const char*>(in.data())),
      static_cast<unsigned>(in.size()), std::clamp(blockSize, 1, 9), 0, kBzip2WorkFactor);
  return rc == BZ_OK ? destLength : 0;
}

InflateResult InflateZlib(std::span<const uint8_t> body, size_t capacity, ByteBuffer& out) {
  out.Resize(capacity);
  uLongf produced = capacity;
  const int rc = uncompress(out.Data(), &produced, body.data(), body.size());
  if (rc != Z_OK) {
    out.Clear();
    return rc == Z_BUF_ERROR && body.size() > 0 ? InflateResult::kTooLarge : InflateResult::kCorrupt;
  }
  out.Resize(produced);
  return InflateResult::kOk;
}

InflateResult InflateBzip2(std::span<const uint8_t> body, size_t capacity, ByteBuffer& out) {
  out.Resize(capacity);
  bz_stream stream{};
  if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) {
    out.Clear();
    return InflateResult::kCorrupt;
  }
  stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(body.data()));
  stream.avail_in = static_cast<unsigned>(body.size());
  stream.next_out = reinterpret_cast<char*>(out.Data());
  stream.avail_out = static_cast<unsigned>(capacity);
  const int rc = BZ2_bzDecompress(&stream);
  const size_t produced = capacity - stream.avail_out;
  const bool outputFull = stream.avail_out == 0;
  BZ2_bzDecompressEnd(&stream);
  if (rc < 0) {
    out.Clear();
    return InflateResult::kCorrupt;
  }
  // Output that fills the whole buffer before the stream ends is larger than announced.
  if (rc != BZ_STREAM_END && outputFull) {
    out.Clear();
    return InflateResult::kTooLarge;
  }
  out.Resize(produced);
  return InflateResult::kOk;
}

}  // namespace

void BuildRawMessage(std::span<const uint8_t> payload, ByteBuffer& out) {
  const auto size = static_cast<uint32_t>(payload.size());
  out.Resize(kHeaderSize + payload.size());
  MakeHeader(MessageType::kRawData, size, size).Pack(out.Data());
  if (!payload.empty()) std::memcpy(out.Data() + kHeaderSize, payload.data(), payload.size());
}

bool DataMessageWriter::Build(std::span<const uint8_t> payload, ByteBuffer& out) {
  out.Clear();
  if (payload.size() > kLengthMask) return false;
  const auto size = static_cast<uint32_t>(payload.size());
  if (size <= threshold_) {
    BuildRawMessage(payload, out);
    return true;
  }
  const size_t compressed = Compress(payload, out);
  // A failed compression is treated like one that grew the payload: it goes raw.
  if (compressed == 0 || (compressed > size && compressed > threshold_)) {
    threshold_ = static_cast<uint32_t>(std::min<size_t>(std::max<size_t>(compressed, size), kLengthMask));
    BuildRawMessage(payload, out);
    return true;
  }
  out.Resize(kHeaderSize + compressed);
  MakeHeader(MessageType::kCompressedData, static_cast<uint32_t>(compressed), size).Pack(out.Data());
  return true;
}

size_t DataMessageWriter::Compress(std::span<const uint8_t> payload, ByteBuffer& out) {
  // Room for the worst case, so an incompressible payload yields its true compressed size
  // instead of a buffer error.
  const size_t bound = params_.compressor == Compressor::kZlib ? compressBound(payload.size())
                                                               : Bzip2Bound(payload.size());
  out.Resize(kHeaderSize + bound);
  uint8_t* dest = out.Data() + kHeaderSize;
  return params_.compressor == Compressor::kZlib
             ? CompressZlib(payload, std::clamp(params_.zlibLevel, 1, 9), dest, bound)
             : CompressBzip2(payload, params_.bzip2BlockSize, dest, bound);
}

InflateResult InflatePayload(Compressor compressor, std::span<const uint8_t> body,
                             uint32_t declaredSize, size_t maxSize, ByteBuffer& out) {
  out.Clear();
  if (declaredSize > maxSize) return InflateResult::kTooLarge;
  if (body.size() > std::numeric_limits<unsigned>::max()) return InflateResult::kCorrupt;
  // The declared size plus the customary 1024 bytes of slack, never beyond the bound.
  const size_t wanted = static_cast<size_t>(declaredSize) + 1024;
  const size_t capacity = std::min(wanted, maxSize);
  return compressor == Compressor::kZlib ? InflateZlib(body, capacity, out)
                                         : InflateBzip2(body, capacity, out);
}

}  // namespace mirrodex
