#include "bridge/RapiClient.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "bridge/LinkStream.h"
#include "protocol/TextEncoding.h"

namespace mirrodex::bridge {

namespace {

const HRESULT kLinkBroken = HresultFromError(kErrorBrokenPipe);
const HRESULT kLinkTimedOut = HresultFromError(kErrorTimeout);

}  // namespace

RapiClient& RapiClient::Instance() {
  static RapiClient client;
  return client;
}

RapiClient::~RapiClient() {
  std::lock_guard lifecycle(lifecycleMutex_);
  EndLinkLocked();
  if (initEvent_ >= 0) ::close(initEvent_);
}

HRESULT RapiClient::EnsureLinkLocked() {
  {
    std::lock_guard lock(mutex_);
    uninitRequested_ = false;
    if (link_ && link_->IsUp()) return kSOk;
  }
  EndLinkLocked();
  std::string error;
  const int fd = process_.Start(LinkCommand(), error);
  if (fd < 0) {
    std::fprintf(stderr, "librapi: %s\n", error.c_str());
    std::lock_guard lock(mutex_);
    linkError_ = kEFail;
    return kEFail;
  }
  auto link = std::make_shared<Link>(
      fd, fd, [this](std::span<const uint8_t> body) { return OnCall(body); },
      [this](const std::string& reason) { OnDown(reason); });
  link->SetChannelClosedSink([this] { OnChannelClosed(); });
  {
    std::lock_guard lock(mutex_);
    state_ = State::kStarting;
    link_ = link;
  }
  link->Start();
  return kSOk;
}

void RapiClient::EndLinkLocked() {
  std::shared_ptr<Link> link;
  bool answered = false;
  {
    std::lock_guard lock(mutex_);
    link = std::move(link_);
    answered = state_ == State::kReady;
  }
  // The reading thread may take mutex_ until it has ended, so it is joined without it.
  if (link) link->Stop();
  // A bridge that answered leaves by itself once its agent sessions have ended; a command
  // that never answered is not waited for.
  process_.End(answered ? kBridgeExitWaitMs : 0);
  std::lock_guard lock(mutex_);
  state_ = State::kNone;
}

void RapiClient::ReportInitLocked(HRESULT result) {
  if (initRecord_ != nullptr) {
    initRecord_->hrRapiInit = result;
    initRecord_ = nullptr;
  }
  if (initEvent_ >= 0) {
    const uint64_t one = 1;
    (void)!::write(initEvent_, &one, sizeof one);
  }
}

HRESULT RapiClient::InitEx(RAPIINIT* init) {
  if (init == nullptr || init->cbSize < sizeof(RAPIINIT)) return kEInvalidArg;
  std::lock_guard lifecycle(lifecycleMutex_);
  {
    std::lock_guard lock(mutex_);
    if (initEvent_ < 0) initEvent_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (initEvent_ < 0) return kEOutOfMemory;
    uint64_t drained = 0;
    (void)!::read(initEvent_, &drained, sizeof drained);
    init->heRapiInit = reinterpret_cast<HANDLE>(static_cast<intptr_t>(initEvent_));
    init->hrRapiInit = kEFail;
    initRecord_ = init;
  }
  const HRESULT started = EnsureLinkLocked();
  std::lock_guard lock(mutex_);
  if (started < 0) {
    initRecord_ = nullptr;
    return started;
  }
  if (state_ == State::kReady) ReportInitLocked(kSOk);
  return kSOk;
}

HRESULT RapiClient::Init() {
  std::lock_guard lifecycle(lifecycleMutex_);
  if (const HRESULT started = EnsureLinkLocked(); started < 0) return started;
  std::unique_lock lock(mutex_);
  const bool settled = changed_.wait_for(lock, std::chrono::milliseconds(kInitWaitMs),
                                         [&] { return state_ != State::kStarting; });
  if (state_ == State::kReady) return kSOk;
  if (!settled) linkError_ = kLinkTimedOut;
  const HRESULT failure = linkError_ < 0 ? linkError_ : kLinkBroken;
  lock.unlock();
  EndLinkLocked();
  return failure;
}

HRESULT RapiClient::Uninit() {
  std::lock_guard lifecycle(lifecycleMutex_);
  bool end = false;
  {
    std::lock_guard lock(mutex_);
    initRecord_ = nullptr;
    if (initEvent_ >= 0) ::close(initEvent_);
    initEvent_ = -1;
    uninitRequested_ = true;
    end = !link_ || link_->OpenChannels() == 0;
  }
  if (end) EndLinkLocked();
  return kSOk;
}

void RapiClient::OnChannelClosed() {
  std::shared_ptr<Link> link;
  {
    std::lock_guard lock(mutex_);
    if (!uninitRequested_ || !link_ || link_->OpenChannels() != 0) return;
    link = link_;
  }
  // The link process is reaped by the next Init or Uninit, or at exit.
  link->Shutdown();
}

HRESULT RapiClient::LinkError() const {
  std::lock_guard lock(mutex_);
  return linkError_;
}

DWORD RapiClient::LastError() const {
  std::lock_guard lock(mutex_);
  return lastError_;
}

void RapiClient::SetLastError(DWORD error) {
  std::lock_guard lock(mutex_);
  lastError_ = error;
}

bool RapiClient::OnCall(std::span<const uint8_t> body) {
  WireReader in(body);
  const uint32_t id = in.U32();
  const int32_t result = in.I32();
  const uint32_t error = in.U32();
  {
    std::lock_guard lock(mutex_);
    if (state_ == State::kStarting) {
      const bool greeting = id == 0 && result == kSOk && error == 0 && in.U32() == kGreeting &&
                            in.U32() == kLinkVersion && in.Finished();
      if (!greeting) return false;
      state_ = State::kReady;
      linkError_ = kSOk;
      ReportInitLocked(kSOk);
    } else {
      // An answer nobody waits for means the device does not follow the protocol.
      if (!in.Ok() || id == 0 || id != pendingCallId_ || answer_) return false;
      answer_.emplace(body.begin(), body.end());
    }
  }
  changed_.notify_all();
  return true;
}

void RapiClient::OnDown(const std::string& reason) {
  {
    std::lock_guard lock(mutex_);
    if (state_ == State::kStarting) {
      std::fprintf(stderr, "librapi: the device did not answer: %s\n", reason.c_str());
      if (linkError_ >= 0) linkError_ = kLinkBroken;
      ReportInitLocked(linkError_);
    } else if (state_ == State::kReady && !uninitRequested_) {
      std::fprintf(stderr, "librapi: %s\n", reason.c_str());
      if (linkError_ >= 0) linkError_ = kLinkBroken;
    }
    state_ = State::kDown;
  }
  changed_.notify_all();
}

bool RapiClient::Call(CallCode code, std::span<const uint8_t> arguments, int32_t& result,
                      std::vector<uint8_t>& outputs) {
  std::lock_guard call(callMutex_);
  std::shared_ptr<Link> link;
  uint32_t id = 0;
  {
    std::lock_guard lock(mutex_);
    if (state_ != State::kReady || !link_) {
      lastError_ = kErrorBrokenPipe;
      if (linkError_ >= 0) linkError_ = kLinkBroken;
      return false;
    }
    link = link_;
    id = nextCallId_++;
    if (nextCallId_ == 0) nextCallId_ = 1;
    pendingCallId_ = id;
    answer_.reset();
  }
  WireWriter request;
  request.U32(id);
  request.U16(static_cast<uint16_t>(code));
  request.U16(0);
  request.Buffer().insert(request.Buffer().end(), arguments.begin(), arguments.end());
  const bool sent = link->SendCall(request.Buffer());
  std::unique_lock lock(mutex_);
  const bool answered =
      sent && changed_.wait_for(lock, std::chrono::milliseconds(kCallTimeoutMs),
                                [&] { return answer_.has_value() || state_ != State::kReady; });
  pendingCallId_ = 0;
  if (!answer_) {
    if (sent && !answered) linkError_ = kLinkTimedOut;
    if (linkError_ >= 0) linkError_ = kLinkBroken;
    lastError_ = kErrorBrokenPipe;
    lock.unlock();
    if (sent && !answered) link->Shutdown();
    return false;
  }
  WireReader in(*answer_);
  in.U32();
  result = in.I32();
  lastError_ = in.U32();
  outputs.assign(answer_->begin() + 12, answer_->end());
  answer_.reset();
  return true;
}

HRESULT RapiClient::Invoke(const std::u16string& library, const std::u16string& function,
                           std::span<const uint8_t> input, IRAPIStream** stream) {
  std::shared_ptr<Link> link;
  {
    std::lock_guard lock(mutex_);
    link = link_;
  }
  if (!link || !link->IsUp()) {
    SetLastError(kErrorBrokenPipe);
    return kLinkBroken;
  }
  std::shared_ptr<LinkChannel> channel;
  for (size_t attempt = 0; !channel && attempt < Link::kMaxChannels + 1; ++attempt) {
    uint16_t id = 0;
    {
      std::lock_guard lock(mutex_);
      id = nextChannel_++;
      if (nextChannel_ == 0) nextChannel_ = 1;
    }
    channel = link->OpenChannel(id);
  }
  if (!channel) {
    SetLastError(kErrorNotEnoughMemory);
    return kEOutOfMemory;
  }
  WireWriter arguments;
  arguments.String(library);
  arguments.String(function);
  arguments.U32(channel->Id());
  arguments.Bytes(input.first(std::min<size_t>(input.size(), kMaxFileBlock)));
  int32_t result = kEFail;
  std::vector<uint8_t> outputs;
  if (!Call(CallCode::kInvoke, arguments.Buffer(), result, outputs)) result = LinkError();
  if (result < 0) {
    channel->Close();
    return result;
  }
  *stream = new LinkStream(std::move(channel));
  return kSOk;
}

}  // namespace mirrodex::bridge
