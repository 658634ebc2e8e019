// The calls on channel 0. A call: u32 call id, u16 function, u16 zero, then the arguments. An
// answer: u32 call id, i32 result, u32 the device's error code, then the outputs. The device
// opens with a greeting, an answer with call id 0 carrying kGreeting and the link version.
// Integers are little-endian; a string is a u32 count of UTF-16 units and the units; bytes are
// a u32 count and the bytes. WireReader checks every count against what is there.
// Value types; any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mirrodex::bridge {

enum class CallCode : uint16_t {
  kCreateFile = 1,
  kReadFile,
  kWriteFile,
  kCloseHandle,
  kFindFirstFile,
  kFindNextFile,
  kGetFileSize,
  kCreateDirectory,
  kDeleteFile,
  kCreateProcess,
  kGetSystemInfo,
  kInvoke,
};

inline constexpr uint32_t kGreeting = 0x4B4E4C4D;  // "MLNK"
inline constexpr uint32_t kLinkVersion = 1;
// The most data one CeReadFile or CeWriteFile call carries; larger requests are split.
inline constexpr uint32_t kMaxFileBlock = 1u << 20;
// Paths and command lines longer than this are refused.
inline constexpr uint32_t kMaxWireStringUnits = 32768;

// Windows error codes the device reports, and results.
inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorTooManyOpenFiles = 4;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorNoMoreFiles = 18;
inline constexpr uint32_t kErrorFileExists = 80;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorDiskFull = 112;
inline constexpr uint32_t kErrorModNotFound = 126;
inline constexpr uint32_t kErrorProcNotFound = 127;
inline constexpr uint32_t kErrorDirNotEmpty = 145;
inline constexpr uint32_t kErrorBadPathname = 161;
inline constexpr uint32_t kErrorAlreadyExists = 183;
inline constexpr uint32_t kErrorFilenameTooLong = 206;
inline constexpr uint32_t kErrorBrokenPipe = 109;
inline constexpr uint32_t kErrorTimeout = 1460;

inline constexpr int32_t kSOk = 0;
inline constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t kEInvalidArg = static_cast<int32_t>(0x80070057u);
inline constexpr int32_t kEOutOfMemory = static_cast<int32_t>(0x8007000Eu);
inline constexpr int32_t HresultFromError(uint32_t error) {
  return error == 0 ? 0 : static_cast<int32_t>(0x80070000u | (error & 0xFFFF));
}

// The Windows error code closest to an errno value.
uint32_t ErrorFromErrno(int error);

class WireWriter {
 public:
  void U16(uint16_t value);
  void U32(uint32_t value);
  void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
  void U64(uint64_t value);
  void Bytes(std::span<const uint8_t> bytes);
  void String(std::u16string_view text);
  std::vector<uint8_t>& Buffer() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

class WireReader {
 public:
  explicit WireReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint16_t U16();
  uint32_t U32();
  int32_t I32() { return static_cast<int32_t>(U32()); }
  uint64_t U64();
  // The bytes stay in the reader's buffer; empty and failed when fewer are there than the
  // count says or the count is above `limit`.
  std::span<const uint8_t> Bytes(uint32_t limit);
  std::u16string String(uint32_t limitUnits = kMaxWireStringUnits);
  // True while every read so far found its bytes.
  bool Ok() const { return ok_; }
  // True when everything was read and nothing is left over.
  bool Finished() const { return ok_ && offset_ == bytes_.size(); }

 private:
  bool Take(size_t count, const uint8_t*& at);

  std::span<const uint8_t> bytes_;
  size_t offset_ = 0;
  bool ok_ = true;
};

}  // namespace mirrodex::bridge
