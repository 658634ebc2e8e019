// Text conversions between the wire's UTF-16LE and the UTF-8 used everywhere else.
// Unpaired surrogates and malformed UTF-8 become U+FFFD.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mirrodex {

void AppendUtf8(std::string& out, char32_t codePoint);
// UTF-16LE bytes without terminator or byte-order mark.
std::vector<uint8_t> Utf8ToUtf16Le(const std::string& text);
std::string Utf16LeToUtf8(std::span<const uint8_t> bytes);
std::string Utf16ToUtf8(std::u16string_view units);

}  // namespace mirrodex
