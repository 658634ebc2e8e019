#include "desktop/files/DeviceAnswers.h"

#include "protocol/LittleEndian.h"
#include "protocol/TextEncoding.h"

namespace mirrodex {
namespace {

constexpr size_t kEntryWordsAfterName = 5;
constexpr uint32_t kRootCharacter = '\\';

// Reads little-endian words off the front of a payload, refusing to run past its end.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> data) : data_(data) {}
  bool Word(uint32_t& value) {
    if (Left() < 4) return false;
    value = LoadU32(&data_[at_]);
    at_ += 4;
    return true;
  }
  bool Bytes(size_t n, std::span<const uint8_t>& out) {
    if (Left() < n) return false;
    out = data_.subspan(at_, n);
    at_ += n;
    return true;
  }
  size_t Left() const { return data_.size() - at_; }

 private:
  std::span<const uint8_t> data_;
  size_t at_ = 0;
};

}  // namespace

bool IsWellFormedUtf16Le(std::span<const uint8_t> bytes) {
  if (bytes.size() % 2 != 0) return false;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    const uint16_t unit = LoadU16(&bytes[i]);
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;  // a low half without its high half
    if (unit < 0xD800 || unit > 0xDBFF) continue;
    if (i + 2 >= bytes.size()) return false;
    const uint16_t next = LoadU16(&bytes[i + 2]);
    if (next < 0xDC00 || next > 0xDFFF) return false;
    i += 2;
  }
  return true;
}

bool ParseFolderListing(uint32_t count, std::span<const uint8_t> payload, std::vector<FileEntry>& entries,
                        size_t* refused) {
  entries.clear();
  if (refused) *refused = 0;
  std::vector<FileEntry> read;
  Reader in(payload);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t characters = 0;
    std::span<const uint8_t> name;
    uint32_t words[kEntryWordsAfterName] = {};
    if (!in.Word(characters) || characters > in.Left() / 2 || !in.Bytes(2 * size_t{characters}, name)) {
      return false;
    }
    for (uint32_t& word : words) {
      if (!in.Word(word)) return false;
    }
    if (!IsWellFormedUtf16Le(name)) {
      if (refused) ++*refused;
      continue;
    }
    FileEntry entry;
    entry.name = Utf16LeToUtf8(name);
    entry.size = words[0];
    entry.lastWrite = FileTime::FromWords(words[1], words[2]);
    entry.attributes = words[3];
    read.push_back(std::move(entry));
  }
  entries = std::move(read);  // a half-read answer gives nothing
  return true;
}

bool ParseRoots(uint32_t count, std::span<const uint8_t> payload, std::vector<DeviceRoot>& roots) {
  roots.clear();
  std::vector<DeviceRoot> read;
  Reader in(payload);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t character = 0;
    DeviceRoot root;
    if (!in.Word(character) || !in.Word(root.value)) return false;
    if (character == kRootCharacter) {
      root.text = "\\";
    } else {
      AppendUtf8(root.text, static_cast<char32_t>(character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF) ? 0xFFFD : character));
      root.text += ':';
    }
    read.push_back(std::move(root));
  }
  roots = std::move(read);
  return true;
}

}  // namespace mirrodex
