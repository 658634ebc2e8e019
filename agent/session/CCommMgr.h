// The agent's transport of one session: the byte operations a platform implements (a socket
// or an attached stream) and, on top of them, the message layer: whole headers and bodies,
// decompression within a bound, the raw-threshold send rule, the desktop's settings.
// Threads: one session thread uses a transport; Interrupt may come from any thread and
// wakes that thread from a blocked connect, receive or send. Close only from the session
// thread, or while no session runs.
// Ownership: an attached stream stays owned by whoever attached it (Close closes it, never
// releases it). The settings and the send threshold survive across sessions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "agent/session/AgentSettings.h"
#include "agent/session/CDynamicBuf.h"
#include "protocol/IRAPIStream.h"
#include "protocol/MessageCompression.h"
#include "protocol/SessionSettings.h"

namespace mirrodex {

class CCommMgr {
 public:
  enum class Received { kFailed, kData, kIdle, kClose, kCommandWord };

  CCommMgr() = default;
  virtual ~CCommMgr() = default;
  CCommMgr(const CCommMgr&) = delete;
  CCommMgr& operator=(const CCommMgr&) = delete;

  // One read of up to `size` bytes: the count read, 0 on failure or end of stream.
  virtual uint32_t Receive(void* buffer, uint32_t size) = 0;
  virtual bool IsStream() const = 0;
  // Stores the stream; Connect then succeeds at once until the next Close.
  virtual void AttachStream(IRAPIStream* stream) = 0;
  // One write: the count written, 0 on failure.
  virtual uint32_t Send(const void* buffer, uint32_t length) = 0;
  [[nodiscard]] virtual bool Connect(uint16_t port) = 0;
  virtual void Close() = 0;
  // Any thread: unblocks the session thread; the transport fails until the next Connect.
  virtual void Interrupt() = 0;
  // Session thread: waits up to `ms` for input (or the end of the channel) to arrive; true
  // when there is something to read. A channel that cannot be asked returns false at once.
  virtual bool WaitForInput(uint32_t ms) = 0;

  // Reads exactly `length` bytes; false when the channel fails or ends first.
  [[nodiscard]] bool ReceiveExact(void* buffer, size_t length);
  // Writes every byte; false when a write fails or moves nothing.
  [[nodiscard]] bool SendAll(const void* buffer, size_t length);

  // Reads one message. Data: Payload() holds it (decompressed). Command word: CommandWord().
  // A body longer than the payload limit allows, cut short, or not decompressing within
  // that limit fails the receive.
  [[nodiscard]] Received ReceiveMessage();
  std::span<const uint8_t> Payload() const { return payload_.Bytes(); }
  uint32_t CommandWord() const { return commandWord_; }
  // The largest payload a received data message may carry.
  void SetPayloadLimit(size_t bytes) { payloadLimit_ = bytes; }

  // Sends one data message by the raw-threshold rule with the settings' compressor.
  [[nodiscard]] bool SendData(std::span<const uint8_t> payload);
  [[nodiscard]] bool SendClose();

  // Adopts the desktop's settings; true when the compressor, period, priority or level changed.
  bool ApplySettings(const SessionSettings& settings);
  const AgentSettings& Settings() const { return settings_; }
  uint32_t SendThreshold() const { return writer_.Threshold(); }

 private:
  AgentSettings settings_;
  DataMessageWriter writer_;
  CDynamicBuf sendBuffer_;
  CDynamicBuf bodyBuffer_;
  CDynamicBuf payload_;
  size_t payloadLimit_ = 1u << 20;
  uint32_t commandWord_ = 0;
};

}  // namespace mirrodex
