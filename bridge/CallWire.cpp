#include "bridge/CallWire.h"

#include <cerrno>

#include "protocol/LittleEndian.h"

namespace mirrodex::bridge {

uint32_t ErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return kErrorSuccess;
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EXDEV:
    case ELOOP:
      return kErrorAccessDenied;
    case EBADF:
      return kErrorInvalidHandle;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case EEXIST:
      return kErrorAlreadyExists;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case ENOTEMPTY:
      return kErrorDirNotEmpty;
    case ENAMETOOLONG:
      return kErrorBadPathname;
    default:
      return kErrorInvalidParameter;
  }
}

void WireWriter::U16(uint16_t value) {
  uint8_t b[2];
  StoreU16(b, value);
  bytes_.insert(bytes_.end(), b, b + 2);
}

void WireWriter::U32(uint32_t value) {
  uint8_t b[4];
  StoreU32(b, value);
  bytes_.insert(bytes_.end(), b, b + 4);
}

void WireWriter::U64(uint64_t value) {
  U32(static_cast<uint32_t>(value));
  U32(static_cast<uint32_t>(value >> 32));
}

void WireWriter::Bytes(std::span<const uint8_t> bytes) {
  U32(static_cast<uint32_t>(bytes.size()));
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void WireWriter::String(std::u16string_view text) {
  U32(static_cast<uint32_t>(text.size()));
  for (const char16_t unit : text) U16(static_cast<uint16_t>(unit));
}

bool WireReader::Take(size_t count, const uint8_t*& at) {
  if (!ok_ || bytes_.size() - offset_ < count) {
    ok_ = false;
    return false;
  }
  at = bytes_.data() + offset_;
  offset_ += count;
  return true;
}

uint16_t WireReader::U16() {
  const uint8_t* at = nullptr;
  return Take(2, at) ? LoadU16(at) : 0;
}

uint32_t WireReader::U32() {
  const uint8_t* at = nullptr;
  return Take(4, at) ? LoadU32(at) : 0;
}

uint64_t WireReader::U64() {
  const uint64_t low = U32();
  return low | (uint64_t{U32()} << 32);
}

std::span<const uint8_t> WireReader::Bytes(uint32_t limit) {
  const uint32_t count = U32();
  const uint8_t* at = nullptr;
  if (count > limit) ok_ = false;
  if (!Take(count, at)) return {};
  return {at, count};
}

std::u16string WireReader::String(uint32_t limitUnits) {
  const uint32_t count = U32();
  const uint8_t* at = nullptr;
  if (count > limitUnits) ok_ = false;
  if (!Take(size_t{count} * 2, at)) return {};
  std::u16string text(count, u'\0');
  for (uint32_t i = 0; i < count; ++i) text[i] = static_cast<char16_t>(LoadU16(at + 2 * i));
  return text;
}

}  // namespace mirrodex::bridge
