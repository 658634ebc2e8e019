// Copies whole files between the PC and the device over the command session: from the device
// in the chunks the device sends (requests 7, then 8), to the device in blocks of 512-byte
// pieces holding at least 30000 file bytes or the rest of the file (request 9, then 10).
// Reports progress after every block, ends after the current block when the stop flag is
// set (a stopped copy is not a failure; the partial file stays), and records the best rate
// on the device source.
// Threads: the owner thread of the device source; `stop` may be set from any thread.
// Ownership: the device source is not owned and must outlive the transfer.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "desktop/files/DeviceFileSource.h"

namespace mirrodex {

struct TransferProgress {
  uint64_t bytesDone = 0;      // file bytes moved so far
  uint64_t totalBytes = 0;     // the file's size; 0 when not known (copies from the device)
  double bytesPerSecond = 0;   // average since the copy started
};

// The most a copy of a device file whose listing gave `listedSize` may write: a file that
// grows while it is copied still arrives whole, a device that never stops sending does not.
uint64_t PullLimitForListedSize(uint64_t listedSize);

struct TransferControl {
  // Called after every block, on the owner thread; the GUI runs pending events here.
  std::function<void(const TransferProgress&)> onProgress;
  const std::atomic<bool>* stop = nullptr;
  // Copies from the device: the most they may write (PullLimitForListedSize of the listed
  // size, or a limit of the caller's such as the free space). The default is what a device
  // file can hold at all (its size is a 32-bit value in listings).
  uint64_t maxBytes = PullLimitForListedSize(0xFFFFFFFFu);
};

struct TransferResult {
  FileResult result;
  bool stopped = false;  // ended early by the stop flag
  uint64_t bytes = 0;    // file bytes moved
  explicit operator bool() const { return static_cast<bool>(result); }
};

class DeviceTransfer {
 public:
  static constexpr size_t kPieceBytes = 512;
  static constexpr size_t kBlockFileBytes = 30000;

  explicit DeviceTransfer(DeviceFileSource& device) : device_(device) {}

  // Creates or truncates `localPath` and fills it from the device file. A timeout, a device
  // error result, a failed write, an empty chunk said to be followed by more, or more bytes
  // than control.maxBytes end the copy with a failure; the partial file stays.
  [[nodiscard]] TransferResult CopyFromDevice(const std::string& devicePath, const std::string& localPath,
                                              const TransferControl& control);
  // Creates or truncates the device file and fills it from `localPath`.
  [[nodiscard]] TransferResult CopyToDevice(const std::string& localPath, const std::string& devicePath,
                                            const TransferControl& control);

 private:
  DeviceFileSource& device_;
};

}  // namespace mirrodex
