#include "protocol/Requests.h"

#include <array>

#include "protocol/LittleEndian.h"
#include "protocol/TextEncoding.h"

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
    {kRequestWriteFirst, 9, 0, 1, kFileTimeoutMs},
    {kRequestWriteNext, 9, 0, 1, kFileTimeoutMs},
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
