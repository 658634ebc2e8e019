// The link's framing: every message on the link is an 8-byte header and a body.
//   word 0: channel (bits 0..15) | kind (bits 16..23); bits 24..31 are zero
//   word 1: body length in bytes
// Channel 0 carries calls and answers (kind Data only); every other channel is one invoked
// stream, with Data, Credit (4-byte grant of more bytes the receiver will hold) and Close.
// The link is untrusted: FrameParser refuses anything outside these rules, and a refused
// frame ends the link.
// Value types and a parser owned by one reading thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace mirrodex::bridge {

enum class FrameKind : uint8_t { kData = 1, kCredit = 2, kClose = 3 };

inline constexpr size_t kFrameHeaderSize = 8;
inline constexpr uint16_t kCallChannel = 0;
// A call or answer carries at most one file block of 1 MiB and its arguments.
inline constexpr uint32_t kMaxCallBody = (1u << 20) + 4096;
// Stream data goes in chunks no larger than this, so calls and the other stream interleave.
inline constexpr uint32_t kMaxStreamChunk = 64 * 1024;
// Bytes a stream's receiver holds for it before the sender must wait for credit.
inline constexpr uint32_t kStreamWindow = 2 * 1024 * 1024;

struct FrameHeader {
  uint16_t channel = 0;
  FrameKind kind = FrameKind::kData;
  uint32_t length = 0;
};

void EncodeFrameHeader(const FrameHeader& header, uint8_t out[kFrameHeaderSize]);

// Checks a header against the rules above; false with `error` saying what is wrong.
[[nodiscard]] bool DecodeFrameHeader(const uint8_t in[kFrameHeaderSize], FrameHeader& header,
                                     std::string& error);

// Turns the bytes read from the link, in whatever pieces they come, into frames.
class FrameParser {
 public:
  // Called once per complete frame; the body is valid only during the call. Returning false
  // stops parsing (the consumer found the frame unacceptable).
  using FrameSink = std::function<bool(const FrameHeader&, std::span<const uint8_t>)>;

  explicit FrameParser(FrameSink sink) : sink_(std::move(sink)) {}

  // False once a frame was refused (by the rules or by the sink); later calls do nothing.
  [[nodiscard]] bool Feed(std::span<const uint8_t> bytes);
  bool Failed() const { return failed_; }
  const std::string& Error() const { return error_; }

 private:
  void Refuse();

  FrameSink sink_;
  uint8_t header_[kFrameHeaderSize]{};
  size_t headerHave_ = 0;
  FrameHeader current_;
  std::vector<uint8_t> body_;
  bool failed_ = false;
  std::string error_;
};

}  // namespace mirrodex::bridge
