// The single-step file requests: exists (11), rename (12), delete (13), create folder (14),
// remove folder (15), move (16) and copy (17). Renames and moves never replace an existing
// target; copy overwrites one.
// Thread: the screen-session thread only.
#pragma once

#include <cstdint>
#include <span>

#include "agent/services/FileRoot.h"
#include "protocol/ByteBuffer.h"

namespace mirrodex {

class FileOperations {
 public:
  static constexpr uint32_t kDone = 0;
  static constexpr uint32_t kFailed = 2;

  explicit FileOperations(const FileRoot& root) : root_(root) {}

  // Code 11: the whole payload is the path; result 1 when something is there, else 0.
  void Exists(std::span<const uint8_t> payload, ByteBuffer& reply);
  // Codes 12 to 17: one or two name blocks.
  void Serve(uint32_t code, std::span<const uint8_t> payload, ByteBuffer& reply);

 private:
  [[nodiscard]] bool Rename(const DevicePath& from, const DevicePath& to);
  [[nodiscard]] bool Remove(const DevicePath& path, int flags);
  [[nodiscard]] bool CreateFolder(const DevicePath& path);
  [[nodiscard]] bool Copy(const DevicePath& from, const DevicePath& to);

  const FileRoot& root_;
};

}  // namespace mirrodex
