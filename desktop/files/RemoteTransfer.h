// Copies whole files between the PC and the device through the bridge's remote file functions
// (when librapi.so is loaded) instead of session requests: blocks of 1024000 bytes, progress
// before every block, and the stop flag honoured after the current block.
// A copy to the PC goes to a temporary file beside the target, which replaces the target only
// when the copy succeeded or was stopped (a stopped copy leaves its partial file there); a
// failure leaves an existing target as it was. A device file is created (or truncated) in
// place: the remote functions have no rename.
// Threads: the owner thread; `stop` may be set from any thread.
// Ownership: the function table is copied; the library behind it must stay loaded.
#pragma once

#include <string>

#include "bridge/rapi.h"
#include "desktop/files/DeviceTransfer.h"

namespace mirrodex {

// The remote functions a copy needs, as bound from librapi.so.
struct RemoteFileFunctions {
  decltype(&CeCreateFile) createFile = nullptr;
  decltype(&CeReadFile) readFile = nullptr;
  decltype(&CeWriteFile) writeFile = nullptr;
  decltype(&CeGetFileSize) getFileSize = nullptr;
  decltype(&CeCloseHandle) closeHandle = nullptr;
  decltype(&CeGetLastError) getLastError = nullptr;
  decltype(&CeRapiGetError) getRapiError = nullptr;

  bool Complete() const {
    return createFile && readFile && writeFile && getFileSize && closeHandle && getLastError &&
           getRapiError;
  }
};

class RemoteTransfer {
 public:
  static constexpr uint32_t kBlockBytes = 1024000;

  explicit RemoteTransfer(const RemoteFileFunctions& functions) : functions_(functions) {}

  [[nodiscard]] TransferResult CopyFromDevice(const std::string& devicePath,
                                              const std::string& localPath,
                                              const TransferControl& control);
  [[nodiscard]] TransferResult CopyToDevice(const std::string& localPath,
                                            const std::string& devicePath,
                                            const TransferControl& control);

  // The progress line: the file's size and the bytes copied before the current block, in
  // kilobytes ("%.2f - %.2f KB").
  static std::string ProgressLine(const TransferProgress& progress);

 private:
  // The failure after a remote function failed: a refusal with the device's error code, or a
  // communication failure when the link itself failed.
  FileResult RemoteFailure() const;

  RemoteFileFunctions functions_;
};

}  // namespace mirrodex
