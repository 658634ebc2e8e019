// What the desktop asks in fuzz_device_replies, by the operation byte of a record; the seed
// recorder writes the same numbers.
#pragma once

#include <cstdint>

namespace mirrodex::fuzz {

enum class ReplyOperation : uint8_t {
  kListFolder = 0,
  kListRoots = 1,
  kExists = 2,
  kRenameFile = 3,
  kCreateFolder = 4,
  kCopyFromDevice = 5,
  kListProcesses = 6,
  kRefreshStatus = 7,
  kClipboardFromDevice = 8,
  kClipboardToDevice = 9,
};
inline constexpr uint8_t kReplyOperations = 10;

}  // namespace mirrodex::fuzz
