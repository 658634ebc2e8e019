#include "desktop/files/DeviceTransfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "desktop/files/LocalFd.h"
#include "desktop/files/LocalIo.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

using Clock = std::chrono::steady_clock;

double AverageRate(uint64_t bytes, Clock::time_point started) {
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  return seconds > 0 ? static_cast<double>(bytes) / seconds : 0;
}

bool Stopped(const TransferControl& control) { return control.stop && control.stop->load(); }

void Report(const TransferControl& control, uint64_t done, uint64_t total, Clock::time_point started) {
  if (control.onProgress) control.onProgress({done, total, AverageRate(done, started)});
}

}  // namespace

uint64_t PullLimitForListedSize(uint64_t listedSize) {
  constexpr uint64_t kMarginBytes = uint64_t{1} << 20;
  return listedSize + listedSize / 8 + kMarginBytes;
}

TransferResult DeviceTransfer::CopyFromDevice(const std::string& devicePath, const std::string& localPath,
                                              const TransferControl& control) {
  TransferResult out;
  LocalFd file(::open(localPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!file.Valid()) {
    out.result = FileResult::Local(FileResult::Kind::kLocalError, errno);
    return out;
  }
  const auto path = Utf8ToUtf16Le(devicePath);
  const auto started = Clock::now();
  for (bool first = true;; first = false) {
    const auto sent = Clock::now();
    out.result = device_.Request(first ? kRequestReadFirst : kRequestReadNext, path);
    if (!out.result) return out;
    const DeviceRequester& answer = device_.LastRequester();
    const auto block = answer.Payload();
    const bool last = answer.Result() == 0;
    if (block.size() > control.maxBytes - out.bytes) {
      out.result = FileResult::OverLimit(control.maxBytes);
      return out;
    }
    // A device that says more follows must send some: otherwise the copy would never end.
    if (block.empty() && !last) {
      out.result = FileResult::FromExchange(ExchangeStatus::kMalformed, 0);
      return out;
    }
    if (!WriteAll(file.Get(), block.data(), block.size())) {
      out.result = FileResult::Local(FileResult::Kind::kLocalError, errno);
      return out;
    }
    out.bytes += block.size();
    device_.RecordRate(block.size(), Clock::now() - sent);
    Report(control, out.bytes, 0, started);
    if (last) break;
    if (Stopped(control)) {
      out.stopped = true;
      break;
    }
  }
  if (!file.Close()) out.result = FileResult::Local(FileResult::Kind::kLocalError, errno);
  return out;
}

TransferResult DeviceTransfer::CopyToDevice(const std::string& localPath, const std::string& devicePath,
                                            const TransferControl& control) {
  TransferResult out;
  struct stat st {};
  LocalFd file(OpenForReading(localPath.c_str(), st));
  if (!file.Valid()) {
    out.result = FileResult::Local(FileResult::Kind::kLocalError, errno);
    return out;
  }
  const auto name = Utf8ToUtf16Le(devicePath);
  if (name.empty() || name.size() > kMaxNameBlockBytes) {
    out.result = FileResult::Local(FileResult::Kind::kRefused, ENAMETOOLONG);
    return out;
  }
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  const auto started = Clock::now();
  ByteBuffer block;
  bool atEnd = false;
  for (bool first = true; first || (out.bytes < size && !atEnd); first = false) {
    block.Clear();
    block.AppendU32(static_cast<uint32_t>(name.size()));
    block.Append(name.data(), name.size());
    const size_t header = block.Size();
    while (block.Size() - header < kBlockFileBytes) {
      const size_t at = block.Size();
      block.Resize(at + kPieceBytes);
      const ssize_t got = ReadPiece(file.Get(), block.Data() + at, kPieceBytes);
      if (got < 0) {
        out.result = FileResult::Local(FileResult::Kind::kLocalError, errno);
        return out;
      }
      block.Resize(at + static_cast<size_t>(got));
      if (static_cast<size_t>(got) < kPieceBytes) {
        atEnd = true;  // also ends a file that shrank since it was opened
        break;
      }
    }
    out.result = device_.Request(first ? kRequestWriteFirst : kRequestWriteNext, block.Bytes());
    if (!out.result) return out;
    out.bytes += block.Size() - header;
    Report(control, out.bytes, size, started);
    if (Stopped(control) && out.bytes < size && !atEnd) {
      out.stopped = true;
      break;
    }
  }
  device_.RecordRate(out.bytes, Clock::now() - started);
  return out;
}

}  // namespace mirrodex
