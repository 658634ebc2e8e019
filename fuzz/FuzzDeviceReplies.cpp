// The desktop's readers of device answers: folder listings, storage roots, process lists,
// status values and clipboard text, each given the count and bytes a hostile agent chooses.
// A kept listing name must encode back to the device's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "desktop/files/DeviceAnswers.h"
#include "desktop/session/DeviceCommands.h"
#include "desktop/session/DeviceProcesses.h"
#include "protocol/LittleEndian.h"
#include "protocol/TextEncoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace mirrodex;
  if (size < 2) return 0;
  const uint32_t count = data[0] | (data[1] & 0x7F) << 8;  // up to 32767, as the result bits allow more
  const std::span<const uint8_t> payload(data + 2, size - 2);
  std::vector<FileEntry> entries;
  size_t refused = 0;
  if (ParseFolderListing(count, payload, entries, &refused) && entries.size() + refused != count) std::abort();
  std::vector<DeviceRoot> roots;
  static_cast<void>(ParseRoots(count, payload, roots));
  std::vector<DeviceProcess> processes;
  static_cast<void>(ParseProcessList(count, payload, processes));
  static_cast<void>(ParseDeviceStatus(payload));
  static_cast<void>(Utf16ToUtf8(ClipboardTextFromReply(payload)));
  // One name as the listing carries it: kept only when it round-trips exactly.
  if (IsWellFormedUtf16Le(payload) && Utf8ToUtf16Le(Utf16LeToUtf8(payload)) !=
                                          std::vector<uint8_t>(payload.begin(), payload.end())) {
    std::abort();
  }
  return 0;
}
