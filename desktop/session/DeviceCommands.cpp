#include "desktop/session/DeviceCommands.h"

#include <algorithm>

#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

constexpr uint8_t kNoPayload[] = {0x20};
constexpr size_t kStatusValues = 5;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

}  // namespace

std::vector<uint8_t> ClipboardRequestPayload(std::u16string_view text) {
  std::u16string block(text);
  block.push_back(u'\0');
  size_t units = std::min<size_t>(block.size(), kMaxClipboardBytes / 2);
  // A cut between the halves of a surrogate pair would leave half a character.
  if (units < block.size() && units > 0 && IsHighSurrogate(block[units - 1])) --units;
  std::vector<uint8_t> out(units * 2);
  for (size_t i = 0; i < units; ++i) StoreU16(&out[2 * i], static_cast<uint16_t>(block[i]));
  return out;
}

std::u16string ClipboardTextFromReply(std::span<const uint8_t> payload) {
  std::u16string text;
  for (size_t i = 0; i + 1 < payload.size(); i += 2) {
    const char16_t unit = LoadU16(&payload[i]);
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

std::optional<DeviceStatus> ParseDeviceStatus(std::span<const uint8_t> payload) {
  if (payload.size() < 4 * kStatusValues) return std::nullopt;
  uint32_t values[kStatusValues] = {};
  for (size_t i = 0; i < kStatusValues; ++i) values[i] = LoadU32(&payload[4 * i]);
  return DeviceStatus{values[0], values[1], values[2], values[3], values[4]};
}

ClipboardOutcome CopyToDevice(DeviceRequester& requester, DesktopClipboard& clipboard) {
  std::u16string text;
  switch (clipboard.ReadText(text)) {
    case DesktopClipboard::ReadResult::kNoText:
      return ClipboardOutcome::kNothingToCopy;
    case DesktopClipboard::ReadResult::kUnavailable:
      return ClipboardOutcome::kClipboardError;
    case DesktopClipboard::ReadResult::kText:
      break;
  }
  const auto payload = ClipboardRequestPayload(text);
  return requester.Exchange(kRequestSetClipboard, payload) == ExchangeStatus::kOk
             ? ClipboardOutcome::kDone
             : ClipboardOutcome::kClipboardError;
}

ClipboardOutcome CopyFromDevice(DeviceRequester& requester, DesktopClipboard& clipboard) {
  if (requester.Exchange(kRequestGetClipboard, kNoPayload) != ExchangeStatus::kOk) {
    return ClipboardOutcome::kClipboardError;
  }
  return clipboard.WriteText(ClipboardTextFromReply(requester.Payload())) ? ClipboardOutcome::kDone
                                                                           : ClipboardOutcome::kClipboardError;
}

ExchangeStatus RefreshStatus(DeviceRequester& requester, DeviceStatus& values, StatusDisplay* display) {
  const ExchangeStatus status = requester.Exchange(kRequestStatus, kNoPayload);
  if (status != ExchangeStatus::kOk) return status;
  const auto parsed = ParseDeviceStatus(requester.Payload());
  if (!parsed) return ExchangeStatus::kMalformed;
  values = *parsed;
  if (display) display->ShowStatus(values.memoryLoad, values.mainBattery);
  return status;
}

}  // namespace mirrodex
