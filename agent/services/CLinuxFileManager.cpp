#include "agent/services/CLinuxFileManager.h"

#include <new>

#include "agent/services/MemoryClipboard.h"
#include "agent/services/ReplyWriter.h"
#include "agent/services/X11Clipboard.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

std::unique_ptr<IClipboard> MakeClipboard(const std::string& displayName) {
  if (displayName.empty()) return std::make_unique<MemoryClipboard>();
  return std::make_unique<X11Clipboard>(displayName);
}

}  // namespace

CLinuxFileManager::CLinuxFileManager(const FileManagerConfig& config)
    : root_(config.fileRoot),
      clipboard_(MakeClipboard(config.displayName)),
      clipboardService_(*clipboard_),
      listing_(root_),
      transfers_(root_),
      operations_(root_),
      status_(root_.Descriptor(), config.statusSources),
      processes_(config.displayName, config.processEndGrace) {}

CLinuxFileManager::~CLinuxFileManager() = default;

void CLinuxFileManager::Serve(uint32_t code, std::span<const uint8_t> payload, ByteBuffer& reply) {
  const size_t start = reply.Size();
  try {
    Dispatch(code, payload, reply);
  } catch (const std::exception&) {
    // Out of memory or a library failure: the request fails, the agent goes on.
    reply.Resize(start);
    const auto row = FindRequestSpec(code);
    ReplyWriter out(reply, row ? row->replyCode : 0);
    out.Finish(code == kRequestSetClipboard ? static_cast<uint32_t>(ClipboardStatus::kNoMemory)
                                            : row ? kResultBadRequest : 0);
  }
}

void CLinuxFileManager::Dispatch(uint32_t code, std::span<const uint8_t> payload, ByteBuffer& reply) {
  switch (code) {
    case kRequestGetClipboard: return clipboardService_.Get(reply);
    case kRequestSetClipboard: return clipboardService_.Set(payload, reply);
    case kRequestListFolder: return listing_.List(payload, reply);
    case kRequestListRoots: return FolderListing::ListRoots(reply);
    case kRequestReadFirst: return transfers_.Read(true, payload, reply);
    case kRequestReadNext: return transfers_.Read(false, payload, reply);
    case kRequestWriteFirst: return transfers_.Write(true, payload, reply);
    case kRequestWriteNext: return transfers_.Write(false, payload, reply);
    case kRequestFileExists: return operations_.Exists(payload, reply);
    case kRequestRenameFile:
    case kRequestDeleteFile:
    case kRequestCreateFolder:
    case kRequestRemoveFolder:
    case kRequestRenameFolder:
    case kRequestCopyFile: return operations_.Serve(code, payload, reply);
    case kRequestStatus: return status_.Serve(reply);
    case kRequestProcesses: return processes_.Serve(payload, reply);
    default: reply.AppendU32(0); return;  // a code this agent does not know
  }
}

}  // namespace mirrodex
