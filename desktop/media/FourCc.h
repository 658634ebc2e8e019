// Four-character codes as the movie lists hold them. The AVI list stores a compressor's code with
// its first letter in the lowest byte (as AVI files do); the MOV list stores a codec type with
// its first letter in the highest byte (as QuickTime does). FFmpeg's codec tags are always first
// letter lowest. A blank in a code is shown and typed as '_'.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mirrodex {

constexpr uint32_t FourCcLowFirst(std::string_view code) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) {
    const char c = i < code.size() ? (code[i] == '_' ? ' ' : code[i]) : ' ';
    value |= uint32_t{static_cast<uint8_t>(c)} << (8 * i);
  }
  return value;
}

// Turns a first-letter-lowest code into first-letter-highest and back.
constexpr uint32_t FourCcSwap(uint32_t code) {
  return (code >> 24) | ((code >> 8) & 0xFF00) | ((code << 8) & 0xFF0000) | (code << 24);
}

constexpr uint32_t FourCcHighFirst(std::string_view code) {
  return FourCcSwap(FourCcLowFirst(code));
}

// The four letters of a first-letter-lowest code, a blank shown as '_'.
inline std::string FourCcText(uint32_t lowFirst) {
  std::string text(4, ' ');
  for (size_t i = 0; i < 4; ++i) {
    const char c = static_cast<char>((lowFirst >> (8 * i)) & 0xFF);
    text[i] = c == ' ' ? '_' : (c >= 0x21 && c <= 0x7E ? c : '?');
  }
  return text;
}

}  // namespace mirrodex
