#include "desktop/files/RemoteTransfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <vector>

#include "desktop/files/LocalFd.h"
#include "desktop/files/LocalIo.h"
#include "protocol/TextEncoding.h"

namespace mirrodex {
namespace {

using Clock = std::chrono::steady_clock;

std::u16string DevicePathUnits(const std::string& path) {
  const auto bytes = Utf8ToUtf16Le(path);
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return units;
}

// Closes a remote handle when it goes.
class RemoteHandle {
 public:
  RemoteHandle(HANDLE handle, decltype(&CeCloseHandle) close) : handle_(handle), close_(close) {}
  ~RemoteHandle() {
    if (Valid()) close_(handle_);
  }
  RemoteHandle(const RemoteHandle&) = delete;
  RemoteHandle& operator=(const RemoteHandle&) = delete;
  bool Valid() const { return handle_ != RAPI_INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE Get() const { return handle_; }
  // Closes now; false when the device refused.
  bool Close() {
    const HANDLE handle = handle_;
    handle_ = RAPI_INVALID_HANDLE_VALUE;
    return close_(handle) != 0;
  }

 private:
  HANDLE handle_;
  decltype(&CeCloseHandle) close_;
};

void Report(const TransferControl& control, uint64_t done, uint64_t total,
            Clock::time_point started) {
  if (!control.onProgress) return;
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  control.onProgress({done, total, seconds > 0 ? static_cast<double>(done) / seconds : 0});
}

// A new file beside `path` with the permissions a new file there would get; its name in
// `name`.
LocalFd CreateBeside(const std::string& path, std::string& name) {
  static std::atomic<uint32_t> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = path + ".mirrodex-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return LocalFd(fd);
  }
  return LocalFd(-1);
}

bool Stopped(const TransferControl& control) {
  return control.stop && control.stop->load();
}

}  // namespace

std::string RemoteTransfer::ProgressLine(const TransferProgress& progress) {
  char line[80];
  std::snprintf(line, sizeof line, "%.2f - %.2f KB",
                static_cast<double>(progress.totalBytes) / 1024.0,
                static_cast<double>(progress.bytesDone) / 1024.0);
  return line;
}

FileResult RemoteTransfer::RemoteFailure() const {
  if (functions_.getRapiError() < 0) return FileResult::Local(FileResult::Kind::kCommunication, 0);
  FileResult result;
  result.kind = FileResult::Kind::kRefused;
  result.deviceResult = functions_.getLastError();
  return result;
}

TransferResult RemoteTransfer::CopyFromDevice(const std::string& devicePath,
                                              const std::string& localPath,
                                              const TransferControl& control) {
  TransferResult out;
  // An existing device file only: opening it must never create one.
  RemoteHandle source(
      functions_.createFile(DevicePathUnits(devicePath).c_str(), RAPI_GENERIC_READ, 0, nullptr,
                            RAPI_OPEN_EXISTING, RAPI_FILE_ATTRIBUTE_NORMAL, nullptr),
      functions_.closeHandle);
  if (!source.Valid()) {
    out.result = RemoteFailure();
    return out;
  }
  DWORD high = 0;
  const DWORD low = functions_.getFileSize(source.Get(), &high);
  const uint64_t total =
      low == 0xFFFFFFFFu && functions_.getLastError() != 0 ? 0 : (uint64_t{high} << 32 | low);

  std::string temporary;
  LocalFd file = CreateBeside(localPath, temporary);
  if (!file.Valid()) {
    out.result = FileResult::Local(FileResult::Kind::kLocalError, errno);
    return out;
  }
  const auto fail = [&](FileResult result) {
    ::unlink(temporary.c_str());
    out.result = result;
    return out;
  };
  std::vector<uint8_t> block(kBlockBytes);
  const auto started = Clock::now();
  for (;;) {
    DWORD read = 0;
    if (!functions_.readFile(source.Get(), block.data(), kBlockBytes, &read, nullptr))
      return fail(RemoteFailure());
    if (read == 0) break;
    Report(control, out.bytes, total, started);
    if (!WriteAll(file.Get(), block.data(), read))
      return fail(FileResult::Local(FileResult::Kind::kLocalError, errno));
    out.bytes += read;
    if (Stopped(control)) {
      out.stopped = true;
      break;
    }
  }
  if (!file.Close()) return fail(FileResult::Local(FileResult::Kind::kLocalError, errno));
  if (::rename(temporary.c_str(), localPath.c_str()) != 0)
    return fail(FileResult::Local(FileResult::Kind::kLocalError, errno));
  out.result = FileResult::Ok();
  return out;
}

TransferResult RemoteTransfer::CopyToDevice(const std::string& localPath,
                                            const std::string& devicePath,
                                            const TransferControl& control) {
  TransferResult out;
  struct stat st {};
  LocalFd file(OpenForReading(localPath.c_str(), st));
  if (!file.Valid()) {
    out.result = FileResult::Local(FileResult::Kind::kLocalError, errno);
    return out;
  }
  posix_fadvise(file.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  const auto total = static_cast<uint64_t>(st.st_size);
  RemoteHandle target(
      functions_.createFile(DevicePathUnits(devicePath).c_str(),
                            RAPI_GENERIC_READ | RAPI_GENERIC_WRITE, 0, nullptr, RAPI_CREATE_ALWAYS,
                            RAPI_FILE_ATTRIBUTE_NORMAL, nullptr),
      functions_.closeHandle);
  if (!target.Valid()) {
    out.result = RemoteFailure();
    return out;
  }
  std::vector<uint8_t> block(kBlockBytes);
  const auto started = Clock::now();
  for (;;) {
    const ssize_t got = ReadPiece(file.Get(), block.data(), kBlockBytes);
    if (got < 0) {
      out.result = FileResult::Local(FileResult::Kind::kLocalError, errno);
      return out;
    }
    if (got == 0) break;
    Report(control, out.bytes, total, started);
    DWORD written = 0;
    if (!functions_.writeFile(target.Get(), block.data(), static_cast<DWORD>(got), &written,
                              nullptr) ||
        written != static_cast<DWORD>(got)) {
      out.result = RemoteFailure();
      return out;
    }
    out.bytes += static_cast<uint64_t>(got);
    if (Stopped(control)) {
      out.stopped = true;
      break;
    }
  }
  if (!target.Close()) {
    out.result = RemoteFailure();
    return out;
  }
  out.result = FileResult::Ok();
  return out;
}

}  // namespace mirrodex
