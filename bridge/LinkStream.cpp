#include "bridge/LinkStream.h"

namespace mirrodex::bridge {

int32_t LinkStream::Read(void* buf, uint32_t size, uint32_t* read) {
  uint32_t count = 0;
  const bool ok = size == 0 || channel_->Read(buf, size, count);
  if (read != nullptr) *read = count;
  return ok ? kStreamOk : kStreamFail;
}

int32_t LinkStream::Write(const void* buf, uint32_t size, uint32_t* written) {
  const bool ok = channel_->Write(buf, size);
  if (written != nullptr) *written = ok ? size : 0;
  return ok ? kStreamOk : kStreamFail;
}

uint32_t LinkStream::Release() {
  delete this;
  return 0;
}

}  // namespace mirrodex::bridge
