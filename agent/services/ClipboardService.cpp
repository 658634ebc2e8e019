#include "agent/services/ClipboardService.h"

#include <string>

#include "agent/services/ReplyWriter.h"
#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"

namespace mirrodex {

void ClipboardService::Get(ByteBuffer& reply) {
  ReplyWriter out(reply, kRequestGetClipboard);
  std::string text;
  const ClipboardStatus status = clipboard_.GetText(text);
  if (status != ClipboardStatus::kOk) return out.FinishEmpty(static_cast<uint32_t>(status));
  out.Payload().Append(Utf8ToUtf16Le(text));
  out.Finish(static_cast<uint32_t>(ClipboardStatus::kOk));
}

void ClipboardService::Set(std::span<const uint8_t> payload, ByteBuffer& reply) {
  ReplyWriter out(reply, kRequestSetClipboard);
  size_t units = 0;
  while (units < payload.size() / 2 && LoadU16(&payload[2 * units]) != 0) ++units;
  const std::string text = Utf16LeToUtf8(payload.first(units * 2));
  out.FinishEmpty(static_cast<uint32_t>(clipboard_.SetText(text)));
}

}  // namespace mirrodex
