// A received message as the transports see it: header, body, bounded decompression with
// either compressor, then the request and reply fields the services read.
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/MessageCompression.h"
#include "protocol/MessageHeader.h"
#include "protocol/Requests.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace mirrodex;
  if (size < kHeaderSize + 1) return 0;
  const Compressor compressor = (data[0] & 1) ? Compressor::kZlib : Compressor::kBzip2;
  const MessageHeader header = MessageHeader::Parse(data + 1);
  std::span<const uint8_t> body(data + 1 + kHeaderSize, size - 1 - kHeaderSize);
  if (!header.HasBody()) return 0;
  if (body.size() > header.Length()) body = body.first(header.Length());
  ByteBuffer payload;
  std::span<const uint8_t> content = body;
  if (header.IsCompressed()) {
    if (InflatePayload(compressor, body, header.word1, 1u << 20, payload) != InflateResult::kOk) return 0;
    content = payload.Bytes();
  }
  if (content.size() < 4) return 0;
  const uint32_t word = LoadU32(content.data());
  static_cast<void>(FindRequestSpec(RequestCodeOf(word)));
  size_t offset = 4;
  while (auto name = ReadNameBlock(content, offset)) static_cast<void>(Utf16LeToUtf8(*name));
  static_cast<void>(Utf16LeToUtf8(content.subspan(4)));
  return 0;
}
