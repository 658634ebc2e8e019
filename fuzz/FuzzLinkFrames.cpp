// The link's frame parser and the call decoding behind it, fed arbitrary bytes in arbitrary
// pieces: nothing may crash, read out of bounds or allocate more than a frame's bound.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "bridge/CallWire.h"
#include "bridge/FindEntry.h"
#include "bridge/LinkFrame.h"

using namespace mirrodex::bridge;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FrameParser parser([](const FrameHeader& header, std::span<const uint8_t> body) {
    if (header.channel != kCallChannel) return true;
    WireReader in(body);
    in.U32();
    in.U16();
    in.U16();
    (void)in.String();
    (void)in.Bytes(kMaxFileBlock);
    FindEntry entry;
    (void)ReadFindEntry(in, entry);
    return in.Ok();
  });
  // The first byte chooses how the rest is cut into reads.
  const size_t piece = 1 + data[0] % 64;
  for (size_t at = 1; at < size; at += piece) {
    if (!parser.Feed({data + at, std::min(piece, size - at)})) break;
  }
  return 0;
}
