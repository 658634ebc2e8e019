// The agent's growable byte buffer is the protocol's ByteBuffer (grows geometrically; 32-bit
// values little-endian). Not thread-safe: the owner serialises access.
#pragma once

#include "protocol/ByteBuffer.h"

namespace mirrodex {

using CDynamicBuf = ByteBuffer;

}  // namespace mirrodex
