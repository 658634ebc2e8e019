// Builds one reply in the caller's buffer: the status word first, the payload after it, the
// result filled in last (a listing knows its count only at the end).
// Thread: whoever owns the reply buffer.
#pragma once

#include <cstdint>

#include "protocol/ByteBuffer.h"
#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"

namespace mirrodex {

inline constexpr uint32_t kResultBadRequest = 0xFFFF;

class ReplyWriter {
 public:
  ReplyWriter(ByteBuffer& reply, uint32_t replyCode)
      : reply_(reply), replyCode_(replyCode), start_(reply.Size()) {
    reply_.AppendU32(0);
  }

  ByteBuffer& Payload() { return reply_; }
  size_t PayloadSize() const { return reply_.Size() - start_ - 4; }
  // Drops whatever payload was appended so far.
  void DropPayload() { reply_.Resize(start_ + 4); }
  void Finish(uint32_t result) { StoreU32(reply_.Data() + start_, StatusWord(replyCode_, result)); }
  // A reply without payload.
  void FinishEmpty(uint32_t result) {
    DropPayload();
    Finish(result);
  }

 private:
  ByteBuffer& reply_;
  uint32_t replyCode_;
  size_t start_;
};

}  // namespace mirrodex
