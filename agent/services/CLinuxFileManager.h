// The device services on Linux: files under the agent's file root, the clipboard on the X11
// display (or the agent's own store without one), status from /proc and /sys, processes from
// /proc with their X11 windows. Dispatches each request code to its service; a code it does
// not serve gets the status-0 reply.
// Thread: the screen-session thread constructs it, calls Serve and destroys it. The X11
// clipboard keeps one thread of its own, stopped by the destructor.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "agent/services/CFileManager.h"
#include "agent/services/ClipboardService.h"
#include "agent/services/FileOperations.h"
#include "agent/services/FileRoot.h"
#include "agent/services/FileTransfers.h"
#include "agent/services/FolderListing.h"
#include "agent/services/IClipboard.h"
#include "agent/services/ProcessService.h"
#include "agent/services/StatusService.h"

namespace mirrodex {

struct FileManagerConfig {
  std::string fileRoot;     // the folder that is "\" on the device
  std::string displayName;  // X11 display; empty: no display
  // How long a process may take to end after SIGTERM before SIGKILL.
  std::chrono::milliseconds processEndGrace{2000};
  StatusService::Sources statusSources{};
};

class CLinuxFileManager final : public CFileManager {
 public:
  explicit CLinuxFileManager(const FileManagerConfig& config);
  ~CLinuxFileManager() override;

  void Serve(uint32_t code, std::span<const uint8_t> payload, ByteBuffer& reply) override;

 private:
  void Dispatch(uint32_t code, std::span<const uint8_t> payload, ByteBuffer& reply);

  FileRoot root_;
  std::unique_ptr<IClipboard> clipboard_;
  ClipboardService clipboardService_;
  FolderListing listing_;
  FileTransfers transfers_;
  FileOperations operations_;
  StatusService status_;
  ProcessService processes_;
};

}  // namespace mirrodex
