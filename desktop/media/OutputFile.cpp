#include "desktop/media/OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

namespace mirrodex {
namespace {

std::atomic<uint32_t> g_tempCounter{0};

std::filesystem::path FolderOf(const std::filesystem::path& target) {
  return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
}

// Creates a new, uniquely named file in `folder`, readable as the user's umask allows.
int CreateTemp(const std::filesystem::path& folder, std::filesystem::path& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = folder / (".mirrodex-" + std::to_string(getpid()) + "-" +
                     std::to_string(g_tempCounter.fetch_add(1)) + ".tmp");
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

std::string OutputFile::DescribeError(int err, const std::filesystem::path& target) {
  const std::string folder = FolderOf(target).string();
  std::string why;
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      why = "the folder \"" + folder + "\" does not exist. Choose an existing folder.";
      break;
    case EACCES:
    case EPERM:
      why = "you have no permission to write in the folder \"" + folder +
            "\". Choose a folder you can write to.";
      break;
    case EROFS:
      why = "the folder \"" + folder + "\" is on a read-only disk. Choose another folder.";
      break;
    case ENOSPC:
    case EDQUOT:
      why = "the disk is full. Free some space or choose another disk, then save again.";
      break;
    case EFBIG:
      why = "the file is larger than this disk or your account allows. Choose another disk.";
      break;
    case EISDIR:
      why = "a folder of that name already exists. Choose another file name.";
      break;
    case ENAMETOOLONG:
      why = "the file name is too long. Choose a shorter name.";
      break;
    default:
      why = std::string(std::strerror(err)) + ". Check the folder and the disk, then try again.";
  }
  return "Could not save \"" + target.string() + "\": " + why;
}

MediaResult OutputFile::Open(const std::filesystem::path& target) {
  Abandon();
  if (!target.has_filename())
    return MediaResult::Failure("Could not save \"" + target.string() +
                                "\": no file name was given. Type a file name.");
  // Saving over a symbolic link replaces the file it points to, not the link.
  std::error_code ec;
  target_ = target;
  destination_ =
      std::filesystem::is_symlink(target, ec) ? std::filesystem::canonical(target, ec) : target;
  if (ec) destination_ = target;
  const int fd = CreateTemp(FolderOf(destination_), temp_);
  if (fd < 0) return MediaResult::Failure(DescribeError(errno, target));
  file_ = fdopen(fd, "wb");
  if (file_ == nullptr) {
    const int err = errno;
    close(fd);
    Abandon();
    return MediaResult::Failure(DescribeError(err, target));
  }
  return MediaResult::Success();
}

MediaResult OutputFile::StreamFailure(int err) const {
  return MediaResult::Failure(DescribeError(err != 0 ? err : EIO, target_));
}

MediaResult OutputFile::Write(const void* data, size_t size) {
  if (file_ == nullptr) return StreamFailure(EBADF);
  errno = 0;
  if (std::fwrite(data, 1, size, file_) != size) {
    const MediaResult failure = StreamFailure(errno);
    Abandon();
    return failure;
  }
  return MediaResult::Success();
}

MediaResult OutputFile::Commit() {
  if (file_ == nullptr) return StreamFailure(EBADF);
  errno = 0;
  int err = 0;
  if (std::fflush(file_) != 0 || std::ferror(file_)) err = errno != 0 ? errno : EIO;
  // A close can report a write that failed late (network and quota-limited disks).
  if (std::fclose(std::exchange(file_, nullptr)) != 0 && err == 0) err = errno;
  if (err == 0 && std::rename(temp_.c_str(), destination_.c_str()) != 0) err = errno;
  if (err == 0) {
    temp_.clear();
    return MediaResult::Success();
  }
  const MediaResult failure = StreamFailure(err);
  Abandon();
  return failure;
}

void OutputFile::Abandon() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  if (!temp_.empty()) unlink(temp_.c_str());
  temp_.clear();
}

}  // namespace mirrodex
