// libMirrodex.so, loaded at run time from the folder of the running program, with its five
// entry points. Thread: the host's main thread.
#pragma once

#include <string>

#include "agent/Mirrodex.h"

namespace mirrodex {

class AgentLibrary {
 public:
  AgentLibrary() = default;
  // Unloads the library (its global objects are destroyed then).
  ~AgentLibrary();
  AgentLibrary(const AgentLibrary&) = delete;
  AgentLibrary& operator=(const AgentLibrary&) = delete;

  // Loads the library next to this program; false with `error` saying what to do.
  [[nodiscard]] bool Load(std::string& error);
  void Unload();

  FnMirrodexStream screen = nullptr;   // fnMirrodex1
  FnMirrodexStream command = nullptr;  // fnMirrodex2
  FnMirrodex3 startStop = nullptr;
  FnMirrodex4 setUp = nullptr;
  FnMirrodex5 stopFlag = nullptr;

 private:
  void* handle_ = nullptr;
};

// The folder of the running program ("." when it cannot be found).
std::string ProgramFolder();

}  // namespace mirrodex
