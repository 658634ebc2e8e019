// Building and reading data messages: the raw-threshold send rule and the two compressors
// (zlib one-shot, one complete bzip2 stream). One implementation serves the desktop and the
// agent. No I/O here: callers write the built message and hand received bodies in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/ByteBuffer.h"
#include "protocol/MessageHeader.h"

namespace mirrodex {

// The compressor flag of the settings: 1 = zlib, 0 = bzip2.
enum class Compressor : uint8_t { kBzip2 = 0, kZlib = 1 };

inline constexpr int kBzip2WorkFactor = 30;

struct CompressionParams {
  Compressor compressor = Compressor::kZlib;
  int zlibLevel = 9;        // 1..9
  int bzip2BlockSize = 9;   // 1..9 (x 100k)
};

// Builds data messages by the raw-threshold rule. One writer per transport; not thread-safe.
class DataMessageWriter {
 public:
  // Builds one message (8-byte header + body) for `payload` into `out` (cleared first).
  // Payloads up to the threshold go raw; otherwise they are compressed, and a compressed
  // size above both the payload size and the threshold sends the payload raw and raises the
  // threshold to that size. Returns false only for payloads too large for the 28-bit length.
  [[nodiscard]] bool Build(std::span<const uint8_t> payload, ByteBuffer& out);

  void SetParams(const CompressionParams& params) { params_ = params; }
  const CompressionParams& Params() const { return params_; }
  uint32_t Threshold() const { return threshold_; }
  void ResetThreshold() { threshold_ = 0; }

 private:
  // Compresses into out behind the header room; returns the compressed size, or 0 on failure.
  size_t Compress(std::span<const uint8_t> payload, ByteBuffer& out);

  CompressionParams params_;
  uint32_t threshold_ = 0;
};

// Builds a raw data message (header with word0 = word1 = size, then the payload) into `out`.
void BuildRawMessage(std::span<const uint8_t> payload, ByteBuffer& out);

enum class InflateResult { kOk, kTooLarge, kCorrupt };

// Decompresses one compressed body into `out` (cleared first). `declaredSize` is word1 of the
// header; `maxSize` is the caller's hard bound on the payload (nothing larger is ever
// allocated). zlib must produce a complete stream; a bzip2 stream that ends early without an
// error yields what was decompressed.
[[nodiscard]] InflateResult InflatePayload(Compressor compressor, std::span<const uint8_t> body,
                                           uint32_t declaredSize, size_t maxSize, ByteBuffer& out);

// The upper bound of a screen update payload for a geometry: field header, a full palette
// announcement, the block section length and every block's largest record.
inline size_t MaxScreenPayloadBytes(uint32_t blockColumns, uint32_t blockRows) {
  return 2 + 2 * 8191 + 4 + static_cast<size_t>(blockColumns) * blockRows * 99;
}
inline constexpr size_t kMaxReplyPayloadBytes = 64u << 20;

}  // namespace mirrodex
