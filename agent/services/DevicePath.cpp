#include "agent/services/DevicePath.h"

#include "protocol/LittleEndian.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

bool IsDriveLetter(const std::string& name) {
  if (name.size() < 2 || name[1] != ':') return false;
  const char c = name[0];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::optional<DevicePath> DevicePath::FromUtf16(std::span<const uint8_t> utf16, size_t maxUnits) {
  if (utf16.size() % 2 != 0) return std::nullopt;
  size_t units = utf16.size() / 2;
  while (units > 0 && LoadU16(&utf16[2 * (units - 1)]) == 0) --units;
  if (units > maxUnits) return std::nullopt;
  for (size_t i = 0; i < units; ++i) {
    if (LoadU16(&utf16[2 * i]) == 0) return std::nullopt;
  }
  return FromUtf8(Utf16LeToUtf8(utf16.first(units * 2)));
}

std::optional<DevicePath> DevicePath::FromUtf8(const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  DevicePath result;
  size_t begin = 0;
  while (begin <= path.size()) {
    size_t end = path.find('\\', begin);
    if (end == std::string::npos) end = path.size();
    std::string name = path.substr(begin, end - begin);
    begin = end + 1;
    if (name.empty() || name == ".") continue;
    if (name == ".." || name.find('/') != std::string::npos) return std::nullopt;
    if (result.names_.empty() && IsDriveLetter(name)) return std::nullopt;
    result.names_.push_back(std::move(name));
  }
  return result;
}

std::string DevicePath::Relative() const {
  if (names_.empty()) return ".";
  std::string out;
  for (const auto& name : names_) {
    if (!out.empty()) out += '/';
    out += name;
  }
  return out;
}

DevicePath DevicePath::Parent() const {
  DevicePath parent = *this;
  parent.names_.pop_back();
  return parent;
}

DevicePath DevicePath::Child(const std::string& name) const {
  DevicePath child = *this;
  child.names_.push_back(name);
  return child;
}

}  // namespace mirrodex
