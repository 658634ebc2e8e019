#include "desktop/files/DesktopTrash.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace mirrodex {
namespace {

std::string TrashFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return std::string(data) + "/Trash";
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') return {};
  return std::string(home) + "/.local/share/Trash";
}

// Creates every missing folder of `path` (mode 0700 for the new ones).
bool MakeFolders(const std::string& path) {
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string PercentEncoded(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : path) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' || c == '-' ||
        c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// The absolute path of `path` with its folder resolved (the entry itself is not followed).
std::string AbsolutePath(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  char resolved[PATH_MAX];
  if (name.empty() || ::realpath(folder.c_str(), resolved) == nullptr) return {};
  const std::string base = resolved;
  return (base == "/" ? "" : base) + "/" + name;
}

std::string DeletionDate() {
  const time_t now = std::time(nullptr);
  struct tm local {};
  char text[32] = "";
  if (::localtime_r(&now, &local)) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<size_t>(put);
  }
  return true;
}

}  // namespace

bool MoveToTrash(const std::string& path) {
  const std::string absolute = AbsolutePath(path);
  const std::string trash = TrashFolder();
  struct stat entry {};
  struct stat files {};
  if (absolute.empty() || trash.empty() || ::lstat(absolute.c_str(), &entry) != 0) return false;
  if (!MakeFolders(trash + "/files") || !MakeFolders(trash + "/info") ||
      ::stat((trash + "/files").c_str(), &files) != 0) {
    return false;
  }
  if (files.st_dev != entry.st_dev) {
    errno = EXDEV;
    return false;
  }
  const std::string name = absolute.substr(absolute.find_last_of('/') + 1);
  // The information file is created first and exclusively: it reserves the name.
  for (int copy = 1; copy < 10000; ++copy) {
    const std::string trashName = copy == 1 ? name : name + " " + std::to_string(copy);
    const std::string info = trash + "/info/" + trashName + ".trashinfo";
    const std::string target = trash + "/files/" + trashName;
    struct stat taken {};
    if (::lstat(target.c_str(), &taken) == 0) continue;
    const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return false;
    const bool written = WriteAll(fd, "[Trash Info]\nPath=" + PercentEncoded(absolute) +
                                          "\nDeletionDate=" + DeletionDate() + "\n");
    const bool closed = ::close(fd) == 0;
    if (written && closed && ::rename(absolute.c_str(), target.c_str()) == 0) return true;
    const int error = errno;
    ::unlink(info.c_str());
    errno = error;
    return false;
  }
  errno = EEXIST;
  return false;
}

}  // namespace mirrodex
