// Requests (desktop to agent) and replies (agent to desktop) on the command session: the
// request and status words, name blocks and the table of request codes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "protocol/ByteBuffer.h"
#include "protocol/TextEncoding.h"

namespace mirrodex {

inline constexpr uint32_t kRequestWordBase = 0x0C000000u;
inline constexpr uint32_t kMaxRequestPayload = (1u << 20) - 1;
// Status words below this carry no data for a waiting request (reply code 0).
inline constexpr uint32_t kReplyCodeZeroLimit = 0x100000u;
inline constexpr uint32_t kMaxNameBlockBytes = 512;
inline constexpr uint32_t kMaxClipboardBytes = 2048;

enum RequestCode : uint32_t {
  kRequestGetClipboard = 3,
  kRequestSetClipboard = 4,
  kRequestListFolder = 5,
  kRequestListRoots = 6,
  kRequestReadFirst = 7,
  kRequestReadNext = 8,
  kRequestWriteFirst = 9,
  kRequestWriteNext = 10,
  kRequestFileExists = 11,
  kRequestRenameFile = 12,
  kRequestDeleteFile = 13,
  kRequestCreateFolder = 14,
  kRequestRemoveFolder = 15,
  kRequestRenameFolder = 16,
  kRequestCopyFile = 17,
  kRequestStatus = 19,
  kRequestProcesses = 20,
};

struct RequestSpec {
  uint32_t code;
  uint32_t replyCode;
  uint32_t successMin;  // result range that counts as success, inclusive
  uint32_t successMax;
  uint32_t timeoutMs;   // how long the desktop's requester waits
};

// The row for a request code, or nullopt for a code the table does not hold.
std::optional<RequestSpec> FindRequestSpec(uint32_t code);

constexpr uint32_t RequestWord(uint32_t code, uint32_t payloadBytes) {
  return kRequestWordBase + ((code & 63u) << 20) + (payloadBytes & kMaxRequestPayload);
}
constexpr uint32_t RequestCodeOf(uint32_t requestWord) { return (requestWord >> 20) & 63u; }
constexpr uint32_t RequestLengthOf(uint32_t requestWord) { return requestWord & kMaxRequestPayload; }

constexpr uint32_t StatusWord(uint32_t replyCode, uint32_t result) { return (replyCode << 20) + result; }
constexpr uint32_t ReplyCodeOf(uint32_t statusWord) { return statusWord >> 20; }
constexpr uint32_t ResultOf(uint32_t statusWord) { return statusWord & 0xFFFFu; }

// Builds a request: the request word followed by the payload.
std::vector<uint8_t> BuildRequest(uint32_t code, std::span<const uint8_t> payload);

// A name block: u32 byte count n, then n bytes of UTF-16LE text.
void AppendNameBlock(ByteBuffer& out, const std::string& utf8Name);
// Reads one name block at `offset`, advancing it; nullopt when the count is 0, odd, above
// 512 or runs past the data.
std::optional<std::vector<uint8_t>> ReadNameBlock(std::span<const uint8_t> data, size_t& offset);

}  // namespace mirrodex
