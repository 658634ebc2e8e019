// A device path checked and split into the names below the file root. "\" is the root and
// the backslash separates names. Refused: a ".." name, a NUL inside the path, a "/" inside a
// name, a drive letter, an odd byte count, and more UTF-16 units than the caller's limit.
// Empty names and "." are skipped. Trailing NUL units are a terminator, not part of the path.
// Value type; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mirrodex {

class DevicePath {
 public:
  // Paths sent without a name block fit 260 units with their terminator.
  static constexpr size_t kMaxBarePathUnits = 259;
  // A name block holds at most 512 bytes.
  static constexpr size_t kMaxNameBlockUnits = 256;

  static std::optional<DevicePath> FromUtf16(std::span<const uint8_t> utf16, size_t maxUnits);
  static std::optional<DevicePath> FromUtf8(const std::string& path);

  bool IsRoot() const { return names_.empty(); }
  const std::vector<std::string>& Names() const { return names_; }
  // The names joined with '/', or "." for the root: relative to the root's descriptor.
  std::string Relative() const;
  // The folder that holds the last name. Precondition: !IsRoot().
  DevicePath Parent() const;
  const std::string& Leaf() const { return names_.back(); }
  // This path with one more name (a name read from the file system, so not checked again).
  DevicePath Child(const std::string& name) const;

 private:
  std::vector<std::string> names_;
};

}  // namespace mirrodex
