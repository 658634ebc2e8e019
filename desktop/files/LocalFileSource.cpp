#include "desktop/files/LocalFileSource.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>

#include "desktop/files/DesktopTrash.h"
#include "desktop/files/LocalFd.h"

namespace mirrodex {
namespace {

FileResult Refused(int error) { return FileResult::Local(FileResult::Kind::kRefused, error); }
FileResult LastError() { return Refused(errno); }
FileResult Check(int rc) { return rc == 0 ? FileResult::Ok() : LastError(); }

FileTime TimeOf(const struct timespec& when) {
  struct tm utc {};
  const time_t seconds = when.tv_sec;
  if (::gmtime_r(&seconds, &utc) == nullptr) return {};
  return {static_cast<uint32_t>(utc.tm_year + 1900), static_cast<uint32_t>(utc.tm_mon + 1),
          static_cast<uint32_t>(utc.tm_mday), static_cast<uint32_t>(utc.tm_hour),
          static_cast<uint32_t>(utc.tm_min), static_cast<uint32_t>(utc.tm_sec)};
}

uint32_t AttributesOf(const std::string& name, const struct stat& st) {
  uint32_t attributes = 0;
  if (S_ISDIR(st.st_mode)) {
    attributes |= kAttributeFolder;
  } else if (!S_ISREG(st.st_mode)) {
    attributes |= kAttributeSystem;  // devices, sockets, pipes: nothing to copy
  }
  if (!name.empty() && name[0] == '.') attributes |= kAttributeHidden;
  return attributes;
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

bool CopyContents(int from, int to) {
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(from, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(to, buffer + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
  }
}

}  // namespace

FileResult LocalFileSource::ListFolder(const std::string& path, std::vector<FileEntry>& entries) {
  entries.clear();
  const int folder = ::open(path.empty() ? "/" : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return LastError();
  std::unique_ptr<DIR, DirCloser> dir(::fdopendir(folder));
  if (!dir) {
    const int error = errno;
    ::close(folder);
    return Refused(error);
  }
  while (const dirent* found = ::readdir(dir.get())) {
    const std::string name = found->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    // A link is shown as what it leads to; a broken one as a system entry.
    if (::fstatat(folder, name.c_str(), &st, 0) != 0 &&
        ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      continue;  // vanished meanwhile
    }
    entries.push_back({name, static_cast<uint64_t>(st.st_size), TimeOf(st.st_mtim), AttributesOf(name, st)});
  }
  return FileResult::Ok();
}

FileResult LocalFileSource::Exists(const std::string& path, bool& exists) {
  struct stat st {};
  exists = ::lstat(path.c_str(), &st) == 0;
  return FileResult::Ok();
}

FileResult LocalFileSource::CreateFolder(const std::string& path) { return Check(::mkdir(path.c_str(), 0777)); }

FileResult LocalFileSource::RemoveFolder(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return LastError();
  if (!S_ISDIR(st.st_mode)) return Refused(ENOTDIR);
  if (MoveToTrash(path)) return FileResult::Ok();
  // No trash on this file system: an empty folder goes for good, a full one stays.
  return Check(::rmdir(path.c_str()));
}

FileResult LocalFileSource::DeleteFile(const std::string& path) { return Check(::unlink(path.c_str())); }

FileResult LocalFileSource::RenameFile(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return FileResult::Ok();
  if (errno != EINVAL && errno != ENOSYS) return LastError();
  // A file system without RENAME_NOREPLACE: check, then rename.
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) return Refused(EEXIST);
  return Check(::rename(from.c_str(), to.c_str()));
}

FileResult LocalFileSource::RenameFolder(const std::string& from, const std::string& to) {
  return RenameFile(from, to);
}

FileResult LocalFileSource::CopyFile(const std::string& from, const std::string& to) {
  LocalFd source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (!source.Valid() || ::fstat(source.Get(), &st) != 0) return LastError();
  if (!S_ISREG(st.st_mode)) return Refused(EISDIR);
  // Written beside the target and renamed over it at the end, so a failed copy (or a copy
  // of a file onto itself) never destroys the target.
  std::string temporary = to + ".mirrodex-XXXXXX";
  LocalFd target(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!target.Valid()) return LastError();
  const bool copied = CopyContents(source.Get(), target.Get()) && ::fchmod(target.Get(), st.st_mode & 0777) == 0;
  const int error = errno;
  if (!target.Close() || !copied || ::rename(temporary.c_str(), to.c_str()) != 0) {
    const int failure = copied ? errno : error;
    ::unlink(temporary.c_str());
    return FileResult::Local(FileResult::Kind::kLocalError, failure);
  }
  return FileResult::Ok();
}

}  // namespace mirrodex
