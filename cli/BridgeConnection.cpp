#include "cli/BridgeConnection.h"

#include <poll.h>

#include <cstdlib>
#include <cstring>

#include "bridge/rapi.h"

namespace mirrodex::cli {

namespace {

std::string Hex(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
  return text;
}

// Invokes one export in stream mode; the stream or nullptr with `error`.
IRAPIStream* InvokeExport(const char16_t* function, size_t functionLength, std::string& error) {
  // The input block belongs to the library once handed over.
  const size_t inputSize = (functionLength + 1) * sizeof(char16_t);
  auto* input = static_cast<BYTE*>(std::calloc(1, inputSize));
  DWORD outputSize = 256;
  BYTE* output = nullptr;
  IRAPIStream* stream = nullptr;
  const HRESULT result = CeRapiInvoke(u"Mirrodex.dll", function, static_cast<DWORD>(inputSize),
                                      input, &outputSize, &output, &stream, 0);
  if (result < 0 || stream == nullptr) {
    error = "the device refused to start the agent (" + Hex(result) + ", device error " +
            std::to_string(CeGetLastError()) + ")";
    return nullptr;
  }
  return stream;
}

}  // namespace

BridgeConnection::~BridgeConnection() {
  if (screen_) screen_->Release();
  if (command_) command_->Release();
  if (initialised_) CeRapiUninit();
}

bool BridgeConnection::Open(ConnectionController& controller,
                            std::chrono::steady_clock::time_point deadline, std::string& error) {
  RAPIINIT init{};
  init.cbSize = sizeof init;
  if (CeRapiInitEx(&init) < 0) {
    error = "the link command could not be started";
    return false;
  }
  initialised_ = true;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  pollfd ready{static_cast<int>(reinterpret_cast<intptr_t>(init.heRapiInit)), POLLIN, 0};
  const int signalled = ::poll(&ready, 1, static_cast<int>(std::max<int64_t>(0, left.count())));
  if (signalled <= 0 || init.hrRapiInit < 0) {
    error = signalled <= 0
                ? "the device did not answer over the link in time"
                : "the link ended before the device answered (" + Hex(init.hrRapiInit) + ")";
    return false;
  }
  controller.CreateSessions(true);
  screen_ = InvokeExport(u"fnMirrodex1", 11, error);
  if (!screen_) return false;
  command_ = InvokeExport(u"fnMirrodex2", 11, error);
  if (!command_) return false;
  controller.AttachStreams(screen_, command_);
  return true;
}

}  // namespace mirrodex::cli
