// The desktop's hold on the sync bridge: binds librapi.so at run time (so the program runs
// without it), tests that a device answers, starts the device's host program or invokes the
// agent's stream exports, and lets everything go again.
// Threads: one thread at a time (the sync start's worker, then the user-interface thread once
// it has ended); Cancel from any thread.
// Ownership: owns the library handle and the agent streams it obtained; a stream handed to a
// session stays owned here, so the sessions must be stopped before ReleaseStreams or Release.
// Unloading the library with a stream unreleased would crash, so Release releases first.
#pragma once

#include <atomic>
#include <string>

#include "bridge/rapi.h"

namespace mirrodex {

class CRapiLink {
 public:
  // `libraryPath` empty: librapi.so from the program's folder, else from the library path.
  explicit CRapiLink(std::string libraryPath = {});
  ~CRapiLink();
  CRapiLink(const CRapiLink&) = delete;
  CRapiLink& operator=(const CRapiLink&) = delete;

  // Binds the library and waits up to 3000 ms for the device's answer; on failure the
  // library is unloaded again. True at once when already loaded.
  [[nodiscard]] bool Load();
  bool IsLoaded() const { return library_ != nullptr; }
  // Starts the host program with "-b<address>" under the first of its four names that works.
  [[nodiscard]] bool StartHostProgram();
  // The device's id of the last program started (0 when none): the host program outlives the
  // link, so whoever must end it needs this.
  DWORD StartedProcessId() const { return startedProcessId_; }
  // Invokes fnMirrodex1 (channel 1) or fnMirrodex2 (any other) in stream mode, up to three
  // attempts unless the link itself failed; the stream or nullptr.
  IRAPIStream* InvokeAgent(int channel);
  // Runs the device's unload.exe.
  [[nodiscard]] bool RemoveDeviceSoftware();
  // Releases the agent streams and ends their use of the link; the library stays loaded.
  void ReleaseStreams();
  // ReleaseStreams, then unloads the library.
  void Release();
  // Cuts a waiting Load short and makes further invocations fail until Reset.
  void Cancel();
  void Reset();
  bool Cancelled() const { return cancelled_; }

  // The desktop's address as the device's host program sees it over the link.
  static constexpr const char* kLinkAddress = "127.0.0.1";

 private:
  struct Api;
  void Unload();

  std::string libraryPath_;
  void* library_ = nullptr;
  Api* api_ = nullptr;
  IRAPIStream* streams_[2] = {nullptr, nullptr};  // channel 1, channel 2
  DWORD startedProcessId_ = 0;
  bool streamInit_ = false;                        // CeRapiInit done for the streams
  int cancelFd_ = -1;                              // eventfd, readable once cancelled
  std::atomic<bool> cancelled_{false};
};

}  // namespace mirrodex
