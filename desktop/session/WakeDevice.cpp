#include "desktop/session/WakeDevice.h"

#include "desktop/session/ByteChannel.h"

namespace mirrodex {

bool WakeDevice(const std::string& host, UserNotifier* notifier, uint16_t port, int timeoutMs) {
  ByteChannel channel(notifier);
  if (!channel.Connect(host, port, timeoutMs)) return false;
  const uint8_t wake = 0x61;
  const bool sent = channel.Send(&wake, 1) == 1;
  channel.Close();
  return sent;
}

}  // namespace mirrodex
