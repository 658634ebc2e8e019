#include "bridge/AgentInvoker.h"

#include <strings.h>

#include <cstdio>

#include "bridge/CallWire.h"
#include "bridge/LinkStream.h"

namespace mirrodex::bridge {

uint32_t AgentInvoker::CheckNames(const std::string& library, const std::string& function) {
  // The device's file names are case-blind; nothing else may be loaded through the bridge.
  if (::strcasecmp(library.c_str(), "Mirrodex.dll") != 0) return kErrorAccessDenied;
  if (function != "fnMirrodex1" && function != "fnMirrodex2") return kErrorProcNotFound;
  return 0;
}

uint32_t AgentInvoker::Prepare() {
  if (loaded_) return 0;
  std::string error;
  if (!agent_.Load(error)) {
    std::fprintf(stderr, "mirrodex-bridge: %s\n", error.c_str());
    return kErrorModNotFound;
  }
  loaded_ = true;
  return 0;
}

uint32_t AgentInvoker::Start(const std::string& function, std::shared_ptr<LinkChannel> channel) {
  const FnMirrodexStream entry = function == "fnMirrodex1" ? agent_.screen : agent_.command;
  std::lock_guard lock(mutex_);
  // Invocations that have ended are joined here, so a long-lived bridge keeps no dead threads.
  std::erase_if(invocations_, [](Invocation& invocation) {
    if (!*invocation.done) return false;
    invocation.thread.join();
    return true;
  });
  if (invocations_.size() >= kMaxInvocations) return kErrorNotEnoughMemory;
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([entry, done, channel = std::move(channel)]() mutable {
    auto* stream = new LinkStream(std::move(channel));
    entry(0, nullptr, nullptr, nullptr, stream);
    stream->Close();
    stream->Release();
    *done = true;
  });
  invocations_.push_back({std::move(thread), std::move(done)});
  return 0;
}

void AgentInvoker::JoinAll() {
  std::vector<Invocation> invocations;
  {
    std::lock_guard lock(mutex_);
    invocations.swap(invocations_);
  }
  for (auto& invocation : invocations) invocation.thread.join();
}

}  // namespace mirrodex::bridge
