#include "host/AgentLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace mirrodex {

std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  const std::string program(path, static_cast<size_t>(length));
  const size_t slash = program.rfind('/');
  return slash == std::string::npos ? "." : program.substr(0, slash);
}

AgentLibrary::~AgentLibrary() { Unload(); }

bool AgentLibrary::Load(std::string& error) {
  const std::string path = ProgramFolder() + "/libMirrodex.so";
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = ::dlerror();
    error = "cannot load the agent library " + path + ": " + (reason ? reason : "unknown error") +
            "\nPut libMirrodex.so in the folder of mirrodex-host.";
    return false;
  }
  screen = reinterpret_cast<FnMirrodexStream>(::dlsym(handle_, "fnMirrodex1"));
  command = reinterpret_cast<FnMirrodexStream>(::dlsym(handle_, "fnMirrodex2"));
  startStop = reinterpret_cast<FnMirrodex3>(::dlsym(handle_, "fnMirrodex3"));
  setUp = reinterpret_cast<FnMirrodex4>(::dlsym(handle_, "fnMirrodex4"));
  stopFlag = reinterpret_cast<FnMirrodex5>(::dlsym(handle_, "fnMirrodex5"));
  if (!screen || !command || !startStop || !setUp || !stopFlag) {
    error = path + " is not a Mirrodex agent library (an entry point is missing)";
    Unload();
    return false;
  }
  return true;
}

void AgentLibrary::Unload() {
  if (handle_ != nullptr) ::dlclose(handle_);
  handle_ = nullptr;
  screen = command = nullptr;
  startStop = nullptr;
  setUp = nullptr;
  stopFlag = nullptr;
}

}  // namespace mirrodex
