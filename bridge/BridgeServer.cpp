#include "bridge/BridgeServer.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

#include "protocol/TextEncoding.h"

namespace mirrodex::bridge {

namespace {

struct Architecture {
  const char* machine;
  uint16_t code;
  uint32_t processorType;
};

constexpr Architecture kArchitectures[] = {
    {"x86_64", 9, 8664}, {"i686", 0, 586}, {"i586", 0, 586}, {"i386", 0, 386},
    {"aarch64", 12, 0},  {"armv7l", 5, 0}, {"armv6l", 5, 0},
};

}  // namespace

BridgeServer::BridgeServer(int readFd, int writeFd, const std::string& root,
                           const std::string& folder)
    : files_(root), launcher_(folder) {
  link_ = std::make_unique<Link>(
      readFd, writeFd, [this](std::span<const uint8_t> body) { return Queue(body); },
      [this](const std::string& reason) {
        {
          std::lock_guard lock(mutex_);
          down_ = true;
          reason_ = reason;
        }
        changed_.notify_all();
      });
}

BridgeServer::~BridgeServer() {
  link_->Stop();
  invoker_.JoinAll();
}

bool BridgeServer::Queue(std::span<const uint8_t> body) {
  {
    std::lock_guard lock(mutex_);
    if (calls_.size() >= kMaxQueuedCalls) return false;
    calls_.emplace_back(body.begin(), body.end());
  }
  changed_.notify_all();
  return true;
}

std::string BridgeServer::Run() {
  link_->Start();
  WireWriter greeting;
  greeting.U32(0);
  greeting.I32(kSOk);
  greeting.U32(kErrorSuccess);
  greeting.U32(kGreeting);
  greeting.U32(kLinkVersion);
  if (link_->SendCall(greeting.Buffer())) CallLoop();
  link_->Stop();
  // Every stream has failed now, so every export returns.
  invoker_.JoinAll();
  std::lock_guard lock(mutex_);
  return reason_;
}

void BridgeServer::CallLoop() {
  for (;;) {
    std::vector<uint8_t> body;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return down_ || !calls_.empty(); });
      if (down_) return;
      body = std::move(calls_.front());
      calls_.pop_front();
    }
    WireWriter answer;
    if (!Answer(body, answer)) {
      std::lock_guard lock(mutex_);
      reason_ = "the desktop sent a malformed call";
      break;
    }
    if (!link_->SendCall(answer.Buffer())) return;
  }
  link_->Stop();
}

bool BridgeServer::Answer(std::span<const uint8_t> body, WireWriter& answer) {
  WireReader in(body);
  const uint32_t id = in.U32();
  const auto code = static_cast<CallCode>(in.U16());
  if (in.U16() != 0 || !in.Ok() || id == 0) return false;
  int32_t result = 0;
  uint32_t error = kErrorSuccess;
  WireWriter outputs;
  switch (code) {
    case CallCode::kCreateFile: {
      const auto path = in.String();
      const uint32_t access = in.U32(), disposition = in.U32();
      if (!in.Finished()) return false;
      result = static_cast<int32_t>(files_.CreateFile(path, access, disposition, error));
      break;
    }
    case CallCode::kReadFile: {
      const uint32_t handle = in.U32(), size = in.U32();
      if (!in.Finished() || size > kMaxFileBlock) return false;
      std::vector<uint8_t> bytes;
      result = files_.Read(handle, size, bytes, error);
      outputs.Bytes(bytes);
      break;
    }
    case CallCode::kWriteFile: {
      const uint32_t handle = in.U32();
      const auto bytes = in.Bytes(kMaxFileBlock);
      if (!in.Finished()) return false;
      result = files_.Write(handle, bytes, error);
      outputs.U32(result ? static_cast<uint32_t>(bytes.size()) : 0);
      break;
    }
    case CallCode::kCloseHandle: {
      const uint32_t handle = in.U32();
      if (!in.Finished()) return false;
      result = files_.Close(handle, error);
      break;
    }
    case CallCode::kGetFileSize: {
      const uint32_t handle = in.U32();
      if (!in.Finished()) return false;
      uint64_t size = 0;
      result = files_.Size(handle, size, error);
      outputs.U64(size);
      break;
    }
    case CallCode::kFindFirstFile:
    case CallCode::kFindNextFile: {
      FindEntry entry;
      if (code == CallCode::kFindFirstFile) {
        const auto pattern = in.String();
        if (!in.Finished()) return false;
        result = static_cast<int32_t>(files_.FindFirst(pattern, entry, error));
      } else {
        const uint32_t handle = in.U32();
        if (!in.Finished()) return false;
        result = files_.FindNext(handle, entry, error);
      }
      WriteFindEntry(outputs, entry);
      break;
    }
    case CallCode::kCreateDirectory:
    case CallCode::kDeleteFile: {
      const auto path = in.String();
      if (!in.Finished()) return false;
      result = code == CallCode::kCreateDirectory ? files_.CreateDirectory(path, error)
                                                  : files_.DeleteFile(path, error);
      break;
    }
    case CallCode::kCreateProcess: {
      const auto application = Utf16ToUtf8(in.String());
      const auto commandLine = Utf16ToUtf8(in.String());
      if (!in.Finished()) return false;
      const uint32_t pid = launcher_.Start(application, commandLine, error);
      result = pid != 0;
      outputs.U32(pid);
      break;
    }
    case CallCode::kGetSystemInfo:
      if (!in.Finished()) return false;
      SystemInfo(outputs);
      result = 1;
      break;
    case CallCode::kInvoke:
      if (!Invoke(in, result, error)) return false;
      break;
    default:
      return false;
  }
  answer.U32(id);
  answer.I32(result);
  answer.U32(error);
  auto& out = answer.Buffer();
  out.insert(out.end(), outputs.Buffer().begin(), outputs.Buffer().end());
  return true;
}

bool BridgeServer::Invoke(WireReader& in, int32_t& result, uint32_t& error) {
  const auto library = Utf16ToUtf8(in.String());
  const auto function = Utf16ToUtf8(in.String());
  const uint32_t channelId = in.U32();
  (void)in.Bytes(kMaxFileBlock);  // the input block: the agent's exports take none
  if (!in.Finished() || channelId == 0 || channelId > 0xFFFF) return false;
  error = AgentInvoker::CheckNames(library, function);
  if (error == 0) error = invoker_.Prepare();
  std::shared_ptr<LinkChannel> channel;
  if (error == 0) {
    channel = link_->OpenChannel(static_cast<uint16_t>(channelId));
    if (!channel) error = kErrorInvalidParameter;
  }
  if (error == 0) {
    error = invoker_.Start(function, channel);
    if (error != 0) channel->Close();
  }
  result = HresultFromError(error);
  if (error != 0) {
    std::fprintf(stderr, "mirrodex-bridge: refused to invoke %s of %s (error %u)\n",
                 function.c_str(), library.c_str(), error);
  }
  return true;
}

void BridgeServer::SystemInfo(WireWriter& out) const {
  struct utsname name {};
  ::uname(&name);
  uint16_t architecture = 0xFFFF;
  uint32_t processorType = 0;
  for (const auto& known : kArchitectures) {
    if (std::strcmp(name.machine, known.machine) == 0) {
      architecture = known.code;
      processorType = known.processorType;
    }
  }
  const long page = ::sysconf(_SC_PAGESIZE);
  const long processors = std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN));
  out.U16(architecture);
  out.U32(static_cast<uint32_t>(page));
  out.U64(0x10000);
  out.U64(sizeof(void*) == 8 ? 0x7FFFFFFEFFFFull : 0x7FFEFFFFull);
  out.U32(processors >= 32 ? 0xFFFFFFFFu : (1u << processors) - 1);
  out.U32(static_cast<uint32_t>(processors));
  out.U32(processorType);
  out.U32(static_cast<uint32_t>(page));
}

}  // namespace mirrodex::bridge
