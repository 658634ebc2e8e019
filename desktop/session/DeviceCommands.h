// The clipboard and device status commands below the user interface: what goes into the
// requests, how the replies are read, and what the desktop's clipboard and status display
// are asked to do. The GUI implements DesktopClipboard with the system clipboard and
// StatusDisplay with its resources tool bar; the command-line client and the tests use their
// own.
// Threads: the requesting thread (see DeviceRequester). Each command takes a fresh requester
// that the caller made current, and the caller drops it afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/session/DeviceRequester.h"

namespace mirrodex {

class DesktopClipboard {
 public:
  enum class ReadResult { kText, kNoText, kUnavailable };
  virtual ~DesktopClipboard() = default;
  // The clipboard's Unicode text without a terminator.
  virtual ReadResult ReadText(std::u16string& text) = 0;
  // Replaces the clipboard's contents with `text`; false when the clipboard cannot be used.
  virtual bool WriteText(std::u16string_view text) = 0;
};

// The five values of a status reply, zero when unknown.
struct DeviceStatus {
  uint32_t memoryLoad = 0;     // percent
  uint32_t freeStore = 0;
  uint32_t totalStore = 0;
  uint32_t mainBattery = 0;    // percent, 255 unknown
  uint32_t backupBattery = 0;  // percent, 255 unknown
};

class StatusDisplay {
 public:
  virtual ~StatusDisplay() = default;
  // Shows the memory load and the main battery level (the first and fourth values).
  virtual void ShowStatus(uint32_t memoryPercent, uint32_t batteryPercent) = 0;
};

enum class ClipboardOutcome {
  kDone,
  kNothingToCopy,   // the desktop clipboard holds no text ("Nothing to copy! ...")
  kClipboardError,  // the clipboard or the device failed ("Clipboard Error")
};

// The set-clipboard payload: the text with its terminating zero, cut to at most 2048 bytes
// and never inside a surrogate pair.
std::vector<uint8_t> ClipboardRequestPayload(std::u16string_view text);
// The device clipboard text of a get-clipboard reply: up to the first zero unit; an odd
// last byte is ignored.
std::u16string ClipboardTextFromReply(std::span<const uint8_t> payload);
// The values of a status reply (its first 20 bytes); nullopt when it is shorter.
std::optional<DeviceStatus> ParseDeviceStatus(std::span<const uint8_t> payload);

// Sends the desktop clipboard's text to the device clipboard.
ClipboardOutcome CopyToDevice(DeviceRequester& requester, DesktopClipboard& clipboard);
// Puts the device clipboard's text on the desktop clipboard.
ClipboardOutcome CopyFromDevice(DeviceRequester& requester, DesktopClipboard& clipboard);
// Asks the device for its status; on success stores the values and shows them, on failure
// (a reply too short to carry the values is kMalformed) keeps the last values and shows
// nothing new.
[[nodiscard]] ExchangeStatus RefreshStatus(DeviceRequester& requester, DeviceStatus& values,
                                           StatusDisplay* display);

}  // namespace mirrodex
