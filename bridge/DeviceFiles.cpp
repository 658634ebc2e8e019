#include "bridge/DeviceFiles.h"

#include <dirent.h>
#include <fnmatch.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "protocol/TextEncoding.h"

namespace mirrodex::bridge {

namespace {

constexpr uint32_t kAccessRead = 0x80000000u;
constexpr uint32_t kAccessWrite = 0x40000000u;
constexpr uint32_t kAttributeHidden = 0x2, kAttributeSystem = 0x4, kAttributeDirectory = 0x10,
                   kAttributeNormal = 0x80;
constexpr uint64_t kUnixEpochInFileTime = 116444736000000000ull;
constexpr size_t kMaxNameUnits = 259;

std::optional<DevicePath> PathOf(const std::u16string& text) {
  std::vector<uint8_t> bytes(text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<uint8_t>(text[i]);
    bytes[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
  }
  return DevicePath::FromUtf16(bytes, DevicePath::kMaxBarePathUnits);
}

uint64_t FileTime(const struct timespec& time) {
  if (time.tv_sec < -11644473600LL) return 0;
  return static_cast<uint64_t>(time.tv_sec) * 10000000ull +
         static_cast<uint64_t>(time.tv_nsec) / 100 + kUnixEpochInFileTime;
}

std::u16string Utf16Of(const std::string& utf8) {
  const auto bytes = Utf8ToUtf16Le(utf8);
  std::u16string text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return text;
}

bool HasWildcard(const std::string& name) {
  return name.find_first_of("*?") != std::string::npos;
}

}  // namespace

uint32_t DeviceFiles::Store(Handle handle, uint32_t& error) {
  if (handles_.size() >= kMaxHandles) {
    error = kErrorTooManyOpenFiles;
    return kInvalidHandle;
  }
  while (handles_.count(nextHandle_) != 0 || nextHandle_ == 0 || nextHandle_ == kInvalidHandle)
    ++nextHandle_;
  const uint32_t id = nextHandle_++;
  handles_.emplace(id, std::move(handle));
  return id;
}

DeviceFiles::Handle* DeviceFiles::Find(uint32_t handle, bool isFind) {
  const auto it = handles_.find(handle);
  return it == handles_.end() || it->second.isFind != isFind ? nullptr : &it->second;
}

uint32_t DeviceFiles::CreateFile(const std::u16string& text, uint32_t access, uint32_t disposition,
                                 uint32_t& error) {
  const auto path = PathOf(text);
  if (!path || path->IsRoot()) {
    error = path ? kErrorAccessDenied : kErrorBadPathname;
    return kInvalidHandle;
  }
  const bool reads = (access & kAccessRead) != 0, writes = (access & kAccessWrite) != 0;
  int flags = writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
  switch (disposition) {
    case 1:
      flags |= O_CREAT | O_EXCL;
      break;  // CREATE_NEW
    case 2:
      flags |= O_CREAT | O_TRUNC;
      break;  // CREATE_ALWAYS
    case 3:
      break;  // OPEN_EXISTING
    case 4:
      flags |= O_CREAT;
      break;  // OPEN_ALWAYS
    case 5:
      flags |= O_TRUNC;
      break;  // TRUNCATE_EXISTING
    default:
      error = kErrorInvalidParameter;
      return kInvalidHandle;
  }
  if ((flags & O_TRUNC) != 0 && !writes) {
    error = kErrorInvalidParameter;
    return kInvalidHandle;
  }
  struct stat st {};
  UniqueFd fd = root_.OpenRegular(*path, flags, st);
  if (!fd.Valid()) {
    error = errno == EEXIST ? kErrorFileExists : ErrorFromErrno(errno);
    return kInvalidHandle;
  }
  // Reads and writes block like a regular file's; OpenRegular made the descriptor non-blocking.
  ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
  Handle handle;
  handle.fd = std::move(fd);
  return Store(std::move(handle), error);
}

bool DeviceFiles::Read(uint32_t id, uint32_t size, std::vector<uint8_t>& bytes, uint32_t& error) {
  Handle* handle = Find(id, false);
  if (!handle) {
    error = kErrorInvalidHandle;
    return false;
  }
  bytes.resize(std::min(size, kMaxFileBlock));
  size_t have = 0;
  while (have < bytes.size()) {
    const ssize_t n = ::read(handle->fd.Get(), bytes.data() + have, bytes.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = ErrorFromErrno(errno);
      return false;
    }
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  bytes.resize(have);
  return true;
}

bool DeviceFiles::Write(uint32_t id, std::span<const uint8_t> bytes, uint32_t& error) {
  Handle* handle = Find(id, false);
  if (!handle) {
    error = kErrorInvalidHandle;
    return false;
  }
  while (!bytes.empty()) {
    const ssize_t n = ::write(handle->fd.Get(), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = ErrorFromErrno(n < 0 ? errno : ENOSPC);
      return false;
    }
    bytes = bytes.subspan(static_cast<size_t>(n));
  }
  return true;
}

bool DeviceFiles::Size(uint32_t id, uint64_t& size, uint32_t& error) {
  Handle* handle = Find(id, false);
  struct stat st {};
  if (!handle || ::fstat(handle->fd.Get(), &st) != 0) {
    error = kErrorInvalidHandle;
    return false;
  }
  size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool DeviceFiles::Close(uint32_t id, uint32_t& error) {
  if (handles_.erase(id) == 0) {
    error = kErrorInvalidHandle;
    return false;
  }
  return true;
}

bool DeviceFiles::Describe(const DevicePath& folder, int folderFd, const std::string& name,
                           FindEntry& entry) const {
  if (name == "." || name == "..") return false;
  entry.name = Utf16Of(name);
  if (entry.name.size() > kMaxNameUnits) return false;
  struct stat st {};
  // A symbolic link is followed only while it stays beneath the root.
  UniqueFd target = root_.Open(folder.Child(name), O_PATH);
  bool outside = false;
  if (!target.Valid() || ::fstat(target.Get(), &st) != 0) {
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    outside = true;
  }
  entry.attributes = 0;
  if (S_ISDIR(st.st_mode) && !outside) entry.attributes |= kAttributeDirectory;
  if (name[0] == '.') entry.attributes |= kAttributeHidden;
  if (outside || (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)))
    entry.attributes |= kAttributeSystem;
  if (entry.attributes == 0) entry.attributes = kAttributeNormal;
  entry.creationTime = FileTime(st.st_ctim);
  entry.accessTime = FileTime(st.st_atim);
  entry.writeTime = FileTime(st.st_mtim);
  entry.size = S_ISREG(st.st_mode) && !outside ? static_cast<uint64_t>(st.st_size) : 0;
  return true;
}

uint32_t DeviceFiles::FindFirst(const std::u16string& pattern, FindEntry& first, uint32_t& error) {
  const auto path = PathOf(pattern);
  if (!path || path->IsRoot()) {
    error = path ? kErrorFileNotFound : kErrorBadPathname;
    return kInvalidHandle;
  }
  const auto searches = std::count_if(handles_.begin(), handles_.end(),
                                      [](const auto& h) { return h.second.isFind; });
  if (static_cast<size_t>(searches) >= kMaxSearches) {
    error = kErrorTooManyOpenFiles;
    return kInvalidHandle;
  }
  const DevicePath folder = path->Parent();
  UniqueFd folderFd = root_.Open(folder, O_RDONLY | O_DIRECTORY);
  if (!folderFd.Valid()) {
    error = errno == ENOENT ? kErrorPathNotFound : ErrorFromErrno(errno);
    return kInvalidHandle;
  }
  Handle handle;
  handle.isFind = true;
  if (!HasWildcard(path->Leaf())) {
    FindEntry entry;
    if (Describe(folder, folderFd.Get(), path->Leaf(), entry))
      handle.entries.push_back(std::move(entry));
  } else {
    DIR* dir = ::fdopendir(::fcntl(folderFd.Get(), F_DUPFD_CLOEXEC, 0));
    if (dir == nullptr) {
      error = ErrorFromErrno(errno);
      return kInvalidHandle;
    }
    while (const dirent* item = ::readdir(dir)) {
      if (handle.entries.size() >= kMaxFindEntries) break;
      if (::fnmatch(path->Leaf().c_str(), item->d_name, 0) != 0) continue;
      FindEntry entry;
      if (Describe(folder, ::dirfd(dir), item->d_name, entry))
        handle.entries.push_back(std::move(entry));
    }
    ::closedir(dir);
  }
  if (handle.entries.empty()) {
    error = kErrorFileNotFound;
    return kInvalidHandle;
  }
  std::reverse(handle.entries.begin(), handle.entries.end());
  first = std::move(handle.entries.back());
  handle.entries.pop_back();
  return Store(std::move(handle), error);
}

bool DeviceFiles::FindNext(uint32_t id, FindEntry& next, uint32_t& error) {
  Handle* handle = Find(id, true);
  if (!handle) {
    error = kErrorInvalidHandle;
    return false;
  }
  if (handle->entries.empty()) {
    error = kErrorNoMoreFiles;
    return false;
  }
  next = std::move(handle->entries.back());
  handle->entries.pop_back();
  return true;
}

bool DeviceFiles::CreateDirectory(const std::u16string& text, uint32_t& error) {
  const auto path = PathOf(text);
  if (!path || path->IsRoot()) {
    error = path ? kErrorAlreadyExists : kErrorBadPathname;
    return false;
  }
  UniqueFd parent = root_.OpenParent(*path);
  if (!parent.Valid() || ::mkdirat(parent.Get(), path->Leaf().c_str(), 0777) != 0) {
    error = errno == ENOENT && parent.Valid() ? kErrorPathNotFound : ErrorFromErrno(errno);
    return false;
  }
  return true;
}

bool DeviceFiles::DeleteFile(const std::u16string& text, uint32_t& error) {
  const auto path = PathOf(text);
  if (!path || path->IsRoot()) {
    error = path ? kErrorAccessDenied : kErrorBadPathname;
    return false;
  }
  UniqueFd parent = root_.OpenParent(*path);
  if (!parent.Valid() || ::unlinkat(parent.Get(), path->Leaf().c_str(), 0) != 0) {
    error = ErrorFromErrno(errno);
    return false;
  }
  return true;
}

}  // namespace mirrodex::bridge
