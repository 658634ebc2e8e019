#include "protocol/DeviceInfo.h"

#include "protocol/LittleEndian.h"

namespace mirrodex {

std::array<uint8_t, kDeviceInfoSize> DeviceInfo::Pack() const {
  std::array<uint8_t, kDeviceInfoSize> b{};
  StoreU16(&b[0], width);
  StoreU16(&b[2], height);
  b[4] = bitsPerPixel;
  b[5] = inverted;
  b[6] = landscape;
  b[7] = reserved;
  StoreU16(&b[8], blockWidth);
  StoreU16(&b[10], blockHeight);
  StoreU16(&b[12], blockColumns);
  StoreU16(&b[14], blockRows);
  b[16] = platform;
  b[17] = deviceFlags;
  StoreU16(&b[18], colourFormat);
  StoreU16(&b[20], paletteLimit);
  StoreU16(&b[22], pixelsPerBlock);
  StoreU16(&b[24], static_cast<uint16_t>(xPitch));
  StoreU16(&b[26], static_cast<uint16_t>(yPitch));
  return b;
}

DeviceInfo DeviceInfo::Parse(std::span<const uint8_t, kDeviceInfoSize> b) {
  DeviceInfo d;
  d.width = LoadU16(&b[0]);
  d.height = LoadU16(&b[2]);
  d.bitsPerPixel = b[4];
  d.inverted = b[5];
  d.landscape = b[6];
  d.reserved = b[7];
  d.blockWidth = LoadU16(&b[8]);
  d.blockHeight = LoadU16(&b[10]);
  d.blockColumns = LoadU16(&b[12]);
  d.blockRows = LoadU16(&b[14]);
  d.platform = b[16];
  d.deviceFlags = b[17];
  d.colourFormat = LoadU16(&b[18]);
  d.paletteLimit = LoadU16(&b[20]);
  d.pixelsPerBlock = LoadU16(&b[22]);
  d.xPitch = static_cast<int16_t>(LoadU16(&b[24]));
  d.yPitch = static_cast<int16_t>(LoadU16(&b[26]));
  return d;
}

std::optional<const char*> DeviceInfo::Problem() const {
  if (width == 0 || height == 0) return "empty screen";
  if (width > kMaxScreenDimension || height > kMaxScreenDimension) return "screen larger than 2048 pixels";
  if (blockWidth != kBlockSize || blockHeight != kBlockSize) return "block size other than 8 x 8";
  if (pixelsPerBlock != kPixelsPerBlock) return "pixels per block other than 64";
  const uint32_t fullColumns = width / kBlockSize;
  const uint32_t allColumns = (width + kBlockSize - 1u) / kBlockSize;
  if (blockColumns == 0 || blockColumns < fullColumns || blockColumns > allColumns) {
    return "block columns do not match the width";
  }
  if (bitsPerPixel == 0 || bitsPerPixel > 32) return "bits per pixel out of range";
  if (colourFormat != kColourRgb555 && colourFormat != kColourRgb565 &&
      colourFormat != kColourRgb444 && colourFormat != kColourReducedGrey) {
    return "unknown colour format";
  }
  return std::nullopt;
}

DeviceInfo MakeDeviceInfo(uint16_t width, uint16_t height, uint16_t colourFormat) {
  DeviceInfo d;
  d.width = width;
  d.height = height;
  d.blockColumns = static_cast<uint16_t>((width + kBlockSize - 1) / kBlockSize);
  d.blockRows = static_cast<uint16_t>((height + kBlockSize - 1) / kBlockSize);
  d.colourFormat = colourFormat;
  d.xPitch = 2;
  d.yPitch = static_cast<int16_t>(width * 2 > 32767 ? 0 : width * 2);
  return d;
}

}  // namespace mirrodex
