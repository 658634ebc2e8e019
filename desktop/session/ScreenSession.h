// The screen session (port 3938): the DeviceInfo/settings opening, then screen updates fed to
// the decoder on this session's thread, status values handed to the owner, and the agent's
// close message. Threads and ownership as SessionBase; the decoder is not owned, must outlive
// the session, and is written by the session thread only while the session runs.
#pragma once

#include <mutex>

#include "desktop/session/ScreenDecoder.h"
#include "desktop/session/SessionBase.h"
#include "protocol/ByteBuffer.h"
#include "protocol/DeviceInfo.h"

namespace mirrodex {

class ScreenSession : public SessionBase {
 public:
  ScreenSession(SessionOwner& owner, SessionSignal& signal, const SessionConfig& config,
                ScreenDecoder& decoder);
  ~ScreenSession() override;

  // Any thread: the DeviceInfo of the current or last connection (zero before the first).
  DeviceInfo ConnectedInfo() const;

 private:
  void Act(uint32_t state) override;
  void Shut() override;
  void Open();
  void ReceiveOne();

  ScreenDecoder& decoder_;
  ByteBuffer value_;
  mutable std::mutex infoMutex_;
  DeviceInfo info_{};
};

}  // namespace mirrodex
