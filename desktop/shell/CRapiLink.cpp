#include "desktop/shell/CRapiLink.h"

#include <dlfcn.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "protocol/IRAPIStream.h"

namespace mirrodex {

struct CRapiLink::Api {
  decltype(&::CeCreateFile) CeCreateFile = nullptr;
  decltype(&::CeWriteFile) CeWriteFile = nullptr;
  decltype(&::CeCloseHandle) CeCloseHandle = nullptr;
  decltype(&::CeFindFirstFile) CeFindFirstFile = nullptr;
  decltype(&::CeGetFileSize) CeGetFileSize = nullptr;
  decltype(&::CeReadFile) CeReadFile = nullptr;
  decltype(&::CeFindNextFile) CeFindNextFile = nullptr;
  decltype(&::CeCreateDirectory) CeCreateDirectory = nullptr;
  decltype(&::CeCreateProcess) CeCreateProcess = nullptr;
  decltype(&::CeGetSystemInfo) CeGetSystemInfo = nullptr;
  decltype(&::CeGetLastError) CeGetLastError = nullptr;
  decltype(&::CeRapiInitEx) CeRapiInitEx = nullptr;
  decltype(&::CeDeleteFile) CeDeleteFile = nullptr;
  decltype(&::CeRapiInvoke) CeRapiInvoke = nullptr;
  decltype(&::CeRapiGetError) CeRapiGetError = nullptr;
  decltype(&::CeRapiUninit) CeRapiUninit = nullptr;
  decltype(&::CeRapiInit) CeRapiInit = nullptr;
};

namespace {

constexpr int kInitTestMs = 3000;
constexpr int kInvokeAttempts = 3;

template <typename Function>
void Bind(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(library, name));
}

std::string ProgramFolder() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.parent_path().string();
}

}  // namespace

CRapiLink::CRapiLink(std::string libraryPath)
    : libraryPath_(std::move(libraryPath)), cancelFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CRapiLink::~CRapiLink() {
  Release();
  if (cancelFd_ >= 0) ::close(cancelFd_);
}

bool CRapiLink::Load() {
  if (library_) return true;
  if (cancelled_) return false;
  if (!libraryPath_.empty()) {
    library_ = ::dlopen(libraryPath_.c_str(), RTLD_NOW | RTLD_LOCAL);
  } else {
    const std::string beside = ProgramFolder() + "/librapi.so";
    library_ = ::dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) library_ = ::dlopen("librapi.so", RTLD_NOW | RTLD_LOCAL);
  }
  if (!library_) return false;
  api_ = new Api;
  Bind(library_, "CeCreateFile", api_->CeCreateFile);
  Bind(library_, "CeWriteFile", api_->CeWriteFile);
  Bind(library_, "CeCloseHandle", api_->CeCloseHandle);
  Bind(library_, "CeFindFirstFile", api_->CeFindFirstFile);
  Bind(library_, "CeGetFileSize", api_->CeGetFileSize);
  Bind(library_, "CeReadFile", api_->CeReadFile);
  Bind(library_, "CeFindNextFile", api_->CeFindNextFile);
  Bind(library_, "CeCreateDirectory", api_->CeCreateDirectory);
  Bind(library_, "CeCreateProcess", api_->CeCreateProcess);
  Bind(library_, "CeGetSystemInfo", api_->CeGetSystemInfo);
  Bind(library_, "CeGetLastError", api_->CeGetLastError);
  Bind(library_, "CeRapiInitEx", api_->CeRapiInitEx);
  Bind(library_, "CeDeleteFile", api_->CeDeleteFile);
  Bind(library_, "CeRapiInvoke", api_->CeRapiInvoke);
  Bind(library_, "CeRapiGetError", api_->CeRapiGetError);
  Bind(library_, "CeRapiUninit", api_->CeRapiUninit);
  Bind(library_, "CeRapiInit", api_->CeRapiInit);

  bool answered = false;
  if (api_->CeRapiInitEx) {
    RAPIINIT init{};
    init.cbSize = sizeof init;
    if (api_->CeRapiInitEx(&init) >= 0) {
      pollfd waits[2] = {{static_cast<int>(reinterpret_cast<intptr_t>(init.heRapiInit)), POLLIN, 0},
                         {cancelFd_, POLLIN, 0}};
      const int ready = ::poll(waits, cancelFd_ >= 0 ? 2 : 1, kInitTestMs);
      answered = ready > 0 && (waits[0].revents & POLLIN) && init.hrRapiInit >= 0;
    }
  }
  // The test's link ends here; the invocations start their own.
  if (api_->CeRapiUninit) api_->CeRapiUninit();
  // Without the invocation and process calls the library is of no use to the start.
  if (!answered || !api_->CeRapiInvoke || !api_->CeRapiInit || !api_->CeRapiUninit ||
      !api_->CeCreateProcess || !api_->CeRapiGetError) {
    Unload();
    return false;
  }
  return true;
}

bool CRapiLink::StartHostProgram() {
  if (!library_ || cancelled_) return false;
  char address[260];
  std::snprintf(address, sizeof address, "-b%s", kLinkAddress);
  std::u16string commandLine(address, address + std::strlen(address));
  (void)api_->CeRapiInit();
  static const char16_t* const kImages[] = {u"Mirrodex.exe", u"\\Windows\\Mirrodex.exe",
                                           u"\\IPSM\\Windows\\Mirrodex.exe",
                                           u"\\Storage\\\\Windows\\Mirrodex.exe"};
  bool started = false;
  for (const char16_t* image : kImages) {
    PROCESS_INFORMATION info{};
    if (api_->CeCreateProcess(image, commandLine.c_str(), nullptr, nullptr, 0, 0, nullptr, nullptr,
                              nullptr, &info)) {
      started = true;
      startedProcessId_ = info.dwProcessId;
      break;
    }
  }
  api_->CeRapiUninit();
  return started;
}

IRAPIStream* CRapiLink::InvokeAgent(int channel) {
  if (!library_ || cancelled_) return nullptr;
  const std::u16string function = channel == 1 ? u"fnMirrodex1" : u"fnMirrodex2";
  IRAPIStream*& stream = streams_[channel == 1 ? 0 : 1];
  if (stream) {  // a stream left from an earlier start is not reused
    stream->Release();
    stream = nullptr;
  }
  if (!streamInit_) {
    (void)api_->CeRapiInit();
    streamInit_ = true;
  }
  for (int attempt = 0; attempt < kInvokeAttempts && !cancelled_; ++attempt) {
    // The library frees the input block, so it comes from malloc.
    const size_t inputSize = (function.size() + 1) * sizeof(char16_t);
    auto* input = static_cast<BYTE*>(std::calloc(1, inputSize));
    if (input) std::memcpy(input, function.c_str(), inputSize);
    DWORD outputSize = 256;
    BYTE* output = nullptr;
    IRAPIStream* obtained = nullptr;
    const HRESULT result = api_->CeRapiInvoke(u"Mirrodex.dll", function.c_str(),
                                              static_cast<DWORD>(inputSize), input, &outputSize,
                                              &output, &obtained, 0);
    if (result >= 0 && obtained) {
      stream = obtained;
      return stream;
    }
    if (obtained) obtained->Release();
    if (api_->CeRapiGetError() < 0) break;  // the link failed: trying again cannot help
  }
  return nullptr;
}

bool CRapiLink::RemoveDeviceSoftware() {
  if (!library_) return false;
  (void)api_->CeRapiInit();
  PROCESS_INFORMATION info{};
  const bool started = api_->CeCreateProcess(u"unload.exe", u"", nullptr, nullptr, 0, 0, nullptr,
                                             nullptr, nullptr, &info) != 0;
  if (started) startedProcessId_ = info.dwProcessId;
  api_->CeRapiUninit();
  return started;
}

void CRapiLink::ReleaseStreams() {
  for (IRAPIStream*& stream : streams_) {
    if (stream) stream->Release();
    stream = nullptr;
  }
  if (streamInit_ && api_) api_->CeRapiUninit();
  streamInit_ = false;
}

void CRapiLink::Release() {
  ReleaseStreams();
  Unload();
}

void CRapiLink::Unload() {
  delete api_;
  api_ = nullptr;
  if (library_) ::dlclose(library_);
  library_ = nullptr;
}

void CRapiLink::Cancel() {
  cancelled_ = true;
  if (cancelFd_ >= 0) {
    const uint64_t one = 1;
    (void)!::write(cancelFd_, &one, sizeof one);
  }
}

void CRapiLink::Reset() {
  cancelled_ = false;
  if (cancelFd_ >= 0) {
    uint64_t drained = 0;
    (void)!::read(cancelFd_, &drained, sizeof drained);
  }
}

}  // namespace mirrodex
