#include "bridge/LinkFrame.h"

#include <algorithm>

#include "protocol/LittleEndian.h"

namespace mirrodex::bridge {

void EncodeFrameHeader(const FrameHeader& header, uint8_t out[kFrameHeaderSize]) {
  const uint32_t word0 =
      uint32_t{header.channel} | (uint32_t{static_cast<uint8_t>(header.kind)} << 16);
  StoreU32(out, word0);
  StoreU32(out + 4, header.length);
}

bool DecodeFrameHeader(const uint8_t in[kFrameHeaderSize], FrameHeader& header,
                       std::string& error) {
  const uint32_t word0 = LoadU32(in);
  const uint32_t length = LoadU32(in + 4);
  if ((word0 >> 24) != 0) {
    error = "a frame header with reserved bits set";
    return false;
  }
  const uint8_t kind = static_cast<uint8_t>(word0 >> 16);
  header.channel = static_cast<uint16_t>(word0);
  header.length = length;
  if (kind < 1 || kind > 3) {
    error = "a frame of unknown kind " + std::to_string(kind);
    return false;
  }
  header.kind = static_cast<FrameKind>(kind);
  if (header.channel == kCallChannel) {
    if (header.kind != FrameKind::kData || length > kMaxCallBody) {
      error = "a call frame of kind " + std::to_string(kind) + " and " + std::to_string(length) +
              " bytes";
      return false;
    }
    return true;
  }
  const uint32_t limit = header.kind == FrameKind::kData     ? kMaxStreamChunk
                         : header.kind == FrameKind::kCredit ? 4
                                                             : 0;
  const bool exact = header.kind != FrameKind::kData;
  if (exact ? length != limit : length > limit) {
    error = "a stream frame of kind " + std::to_string(kind) + " with " + std::to_string(length) +
            " bytes";
    return false;
  }
  return true;
}

void FrameParser::Refuse() {
  failed_ = true;
  if (error_.empty()) error_ = "a frame the receiver refused";
}

bool FrameParser::Feed(std::span<const uint8_t> bytes) {
  while (!failed_ && !bytes.empty()) {
    if (headerHave_ < kFrameHeaderSize) {
      const size_t take = std::min(kFrameHeaderSize - headerHave_, bytes.size());
      std::copy_n(bytes.begin(), take, header_ + headerHave_);
      headerHave_ += take;
      bytes = bytes.subspan(take);
      if (headerHave_ < kFrameHeaderSize) break;
      if (!DecodeFrameHeader(header_, current_, error_)) {
        failed_ = true;
        break;
      }
      body_.clear();
      // A body that is all there goes to the sink without a copy.
      if (bytes.size() >= current_.length) {
        headerHave_ = 0;
        const auto body = bytes.first(current_.length);
        bytes = bytes.subspan(current_.length);
        if (!sink_(current_, body)) Refuse();
        continue;
      }
      body_.reserve(current_.length);  // bounded by DecodeFrameHeader
    }
    const size_t take = std::min<size_t>(current_.length - body_.size(), bytes.size());
    body_.insert(body_.end(), bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(take));
    bytes = bytes.subspan(take);
    if (body_.size() == current_.length) {
      headerHave_ = 0;
      if (!sink_(current_, body_)) Refuse();
    }
  }
  return !failed_;
}

}  // namespace mirrodex::bridge
