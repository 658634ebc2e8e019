// The C entry points of libMirrodex.so over the one agent object. No exception leaves them.
#include "agent/Mirrodex.h"

#include <exception>

#include "agent/CAgent.h"
#include "agent/session/AgentLog.h"
#include "protocol/IRAPIStream.h"

#define MIRRODEX_EXPORT __attribute__((visibility("default")))

namespace {

// Constructed at load, destroyed at unload.
mirrodex::CAgent g_agent{mirrodex::AgentOptions::Product()};

template <typename Result, typename Body>
Result Guarded(Result failure, Body body) {
  try {
    return body();
  } catch (const std::exception& e) {
    mirrodex::AgentLog("internal error: %s", e.what());
  } catch (...) {
    mirrodex::AgentLog("internal error");
  }
  return failure;
}

}  // namespace

extern "C" {

MIRRODEX_EXPORT int32_t fnMirrodex1(uint32_t, uint8_t*, uint32_t*, uint8_t**,
                                    mirrodex::IRAPIStream* stream) {
  return Guarded<int32_t>(0, [&] {
    g_agent.RunScreenStream(stream);
    return 0;
  });
}

MIRRODEX_EXPORT int32_t fnMirrodex2(uint32_t, uint8_t*, uint32_t*, uint8_t**,
                                    mirrodex::IRAPIStream* stream) {
  return Guarded<int32_t>(0, [&] {
    g_agent.RunCommandStream(stream);
    return 0;
  });
}

MIRRODEX_EXPORT uint8_t fnMirrodex3(uint8_t start, const char16_t* host) {
  return Guarded<uint8_t>(1, [&] { return start != 0 ? g_agent.Start(host) : g_agent.Stop(); });
}

MIRRODEX_EXPORT int32_t fnMirrodex4(MirrodexHostCallback callback, int32_t* bounds, void*) {
  return Guarded<int32_t>(mirrodex::kStreamFail, [&]() -> int32_t {
    if (callback != nullptr) return g_agent.Initialise(callback, bounds) ? 0 : mirrodex::kStreamFail;
    if (bounds != nullptr) {
      g_agent.ReportBounds(bounds);
    } else {
      g_agent.Shutdown();
    }
    return 0;
  });
}

MIRRODEX_EXPORT uint8_t fnMirrodex5(void) { return g_agent.StopFlag(); }

}  // extern "C"
