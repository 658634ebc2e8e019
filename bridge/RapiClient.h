// The desktop end of the bridge behind librapi.so's functions: starts and ends the link
// command, waits for the device's greeting, carries calls one at a time and hands out the
// channels of invoked streams.
// Threads: every public function from any thread. Init, InitEx and Uninit are serialised; one
// call is in flight at a time; the link's reading thread only records answers and state.
// Ownership: one instance per process (Instance), owning the link and the link process.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bridge/CallWire.h"
#include "bridge/Link.h"
#include "bridge/LinkProcess.h"
#include "bridge/rapi.h"

namespace mirrodex::bridge {

class RapiClient {
 public:
  // How long CeRapiInit waits for the device's greeting.
  static constexpr int kInitWaitMs = 10000;
  // A call the device has not answered in this time takes the link down.
  static constexpr int kCallTimeoutMs = 120000;
  // How long ending the link waits for the device's bridge to leave before ending it.
  static constexpr int kBridgeExitWaitMs = 2000;

  static RapiClient& Instance();
  ~RapiClient();

  HRESULT InitEx(RAPIINIT* init);
  HRESULT Init();
  HRESULT Uninit();
  HRESULT LinkError() const;
  DWORD LastError() const;
  void SetLastError(DWORD error);

  // One call: `arguments` after the call header. On an answer, `result` and the outputs are
  // set and the device's error code recorded; false when the link failed (CeRapiGetError then
  // says why).
  [[nodiscard]] bool Call(CallCode code, std::span<const uint8_t> arguments, int32_t& result,
                          std::vector<uint8_t>& outputs);
  HRESULT Invoke(const std::u16string& library, const std::u16string& function,
                 std::span<const uint8_t> input, IRAPIStream** stream);

 private:
  enum class State { kNone, kStarting, kReady, kDown };

  RapiClient() = default;
  // With lifecycleMutex_ held: a link that is starting or up, starting one when needed.
  HRESULT EnsureLinkLocked();
  // With lifecycleMutex_ held: ends the link and its process.
  void EndLinkLocked();
  bool OnCall(std::span<const uint8_t> body);
  void OnDown(const std::string& reason);
  void OnChannelClosed();
  // With mutex_ held: fills the pending init record and signals its event.
  void ReportInitLocked(HRESULT result);

  std::mutex lifecycleMutex_;  // serialises Init, InitEx and Uninit
  std::mutex callMutex_;       // one call at a time
  mutable std::mutex mutex_;   // guards everything below
  std::condition_variable changed_;
  std::shared_ptr<Link> link_;
  LinkProcess process_;  // lifecycleMutex_
  State state_ = State::kNone;
  bool uninitRequested_ = false;
  int initEvent_ = -1;
  RAPIINIT* initRecord_ = nullptr;
  HRESULT linkError_ = 0;
  DWORD lastError_ = 0;
  uint32_t nextCallId_ = 1;
  uint32_t pendingCallId_ = 0;
  std::optional<std::vector<uint8_t>> answer_;
  uint16_t nextChannel_ = 1;
};

}  // namespace mirrodex::bridge
