#include "protocol/Requests.h"

#include <array>

#include "protocol/LittleEndian.h"

namespace mirrodex {
namespace {

constexpr uint32_t kShortTimeoutMs = 20000;
constexpr uint32_t kFileTimeoutMs = 40000;
constexpr uint32_t kAnyCount = 65534;

constexpr std::array<RequestSpec, 17> kRequestTable = {{
    {kRequestGetClipboard, 3, 0, 1, kShortTimeoutMs},
    {kRequestSetClipboard, 4, 0, 1, kShortTimeoutMs},
    {kRequestListFolder, 5, 1, kAnyCount, kShortTimeoutMs},
    {kRequestListRoots, 6, 0, kAnyCount, kShortTimeoutMs},
    {kRequestReadFirst, 7, 0, 1, kFileTimeoutMs},
    {kRequestReadNext, 7, 0, 1, kFileTimeoutMs},
    {kRequestWriteFirst, 9, 0, 0, kFileTimeoutMs},
    {kRequestWriteNext, 9, 0, 0, kFileTimeoutMs},
    {kRequestFileExists, 11, 0, 1, kShortTimeoutMs},
    {kRequestRenameFile, 12, 0, 1, kShortTimeoutMs},
    {kRequestDeleteFile, 13, 0, 1, kShortTimeoutMs},
    {kRequestCreateFolder, 14, 0, 1, kShortTimeoutMs},
    {kRequestRemoveFolder, 15, 0, 1, kShortTimeoutMs},
    {kRequestRenameFolder, 16, 0, 1, kShortTimeoutMs},
    {kRequestCopyFile, 17, 0, 1, kShortTimeoutMs},
    {kRequestStatus, 19, 0, 1, 1000},
    {kRequestProcesses, 20, 1, kAnyCount, 5000},
}};

void AppendUtf16Unit(std::vector<uint8_t>& out, uint32_t unit) {
  out.push_back(static_cast<uint8_t>(unit));
  out.push_back(static_cast<uint8_t>(unit >> 8));
}

}  // namespace

std::optional<RequestSpec> FindRequestSpec(uint32_t code) {
  for (const auto& row : kRequestTable) {
    if (row.code == code) return row;
  }
  return std::nullopt;
}

std::vector<uint8_t> BuildRequest(uint32_t code, std::span<const uint8_t> payload) {
  std::vector<uint8_t> out(4 + payload.size());
  StoreU32(out.data(), RequestWord(code, static_cast<uint32_t>(payload.size())));
  if (!payload.empty()) std::copy(payload.begin(), payload.end(), out.begin() + 4);
  return out;
}

std::vector<uint8_t> Utf8ToUtf16Le(const std::string& text) {
  std::vector<uint8_t> out;
  out.reserve(text.size() * 2);
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    uint32_t c = s[i];
    size_t extra = 0;
    if (c >= 0xF0 && c < 0xF8) { c &= 0x07; extra = 3; }
    else if (c >= 0xE0) { c &= 0x0F; extra = 2; }
    else if (c >= 0xC0) { c &= 0x1F; extra = 1; }
    else if (c >= 0x80) { c = 0xFFFD; }
    ++i;
    for (size_t k = 0; k < extra; ++k, ++i) {
      if (i >= n || (s[i] & 0xC0) != 0x80) { c = 0xFFFD; break; }
      c = (c << 6) | (s[i] & 0x3F);
    }
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c >= 0x10000) {
      c -= 0x10000;
      AppendUtf16Unit(out, 0xD800 + (c >> 10));
      AppendUtf16Unit(out, 0xDC00 + (c & 0x3FF));
    } else {
      AppendUtf16Unit(out, c);
    }
  }
  return out;
}

std::string Utf16LeToUtf8(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  const size_t units = bytes.size() / 2;
  for (size_t i = 0; i < units; ++i) {
    uint32_t c = LoadU16(&bytes[2 * i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
      const uint32_t low = LoadU16(&bytes[2 * (i + 1)]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void AppendNameBlock(ByteBuffer& out, const std::string& utf8Name) {
  const auto text = Utf8ToUtf16Le(utf8Name);
  out.AppendU32(static_cast<uint32_t>(text.size()));
  out.Append(text.data(), text.size());
}

std::optional<std::vector<uint8_t>> ReadNameBlock(std::span<const uint8_t> data, size_t& offset) {
  if (offset > data.size() || data.size() - offset < 4) return std::nullopt;
  const uint32_t n = LoadU32(&data[offset]);
  if (n == 0 || n > kMaxNameBlockBytes || data.size() - offset - 4 < n) return std::nullopt;
  std::vector<uint8_t> name(data.begin() + static_cast<ptrdiff_t>(offset + 4),
                            data.begin() + static_cast<ptrdiff_t>(offset + 4 + n));
  offset += 4 + n;
  return name;
}

}  // namespace mirrodex
