// Any DeviceInfo, then any payloads: the decoder must refuse or survive them all without
// touching memory outside its storage.
#include <cstddef>
#include <cstdint>
#include <span>

#include "desktop/session/ScreenDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace mirrodex;
  if (size < kDeviceInfoSize) return 0;
  DeviceInfo info = DeviceInfo::Parse(std::span<const uint8_t, kDeviceInfoSize>(data, kDeviceInfoSize));
  // Keep most inputs decodable: small screens, so the fuzzer spends its time in the payloads.
  info.width = static_cast<uint16_t>(info.width % 300);
  info.height = static_cast<uint16_t>(info.height % 300);
  ScreenDecoder decoder;
  if (!decoder.ResetGeometry(info)) return 0;
  decoder.ResetPalette();
  // The rest is split into payloads at each 0xFE 0xFE marker.
  std::span<const uint8_t> rest(data + kDeviceInfoSize, size - kDeviceInfoSize);
  size_t start = 0;
  for (size_t i = 0; i + 1 < rest.size(); ++i) {
    if (rest[i] == 0xFE && rest[i + 1] == 0xFE) {
      decoder.ApplyUpdate(rest.subspan(start, i - start));
      start = i + 2;
    }
  }
  decoder.ApplyUpdate(rest.subspan(start));
  return 0;
}
