#include "desktop/files/explorer/ReplacingCopy.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace mirrodex {
namespace {

std::atomic<unsigned> gNameCounter{0};

}  // namespace

std::string ReplacingCopy::TemporaryName(const std::string& target, char separator,
                                         const char* purpose) {
  const size_t at = target.find_last_of(separator);
  const std::string folder = at == std::string::npos ? std::string() : target.substr(0, at + 1);
  const std::string leaf = at == std::string::npos ? target : target.substr(at + 1);
  return folder + "." + leaf + "." + purpose + "-" + std::to_string(::getpid()) + "-" +
         std::to_string(++gNameCounter);
}

TransferResult ReplacingCopy::FromDevice(const std::string& devicePath,
                                         const std::string& localPath,
                                         const TransferControl& control) {
  const std::string temporary = TemporaryName(localPath, '/', "part");
  TransferResult out = transfer_.CopyFromDevice(devicePath, temporary, control);
  if (out && !out.stopped && ::rename(temporary.c_str(), localPath.c_str()) == 0) return out;
  if (out && !out.stopped) out.result = FileResult::Local(FileResult::Kind::kLocalError, errno);
  ::unlink(temporary.c_str());
  return out;
}

TransferResult ReplacingCopy::ToDevice(const std::string& localPath, const std::string& devicePath,
                                       const TransferControl& control) {
  const std::string temporary = TemporaryName(devicePath, '\\', "part");
  TransferResult out = transfer_.CopyToDevice(localPath, temporary, control);
  if (out && !out.stopped) {
    out.result = ReplaceOnDevice(temporary, devicePath);
    if (out) return out;
  }
  // A failed exchange may have left the device unreachable; the clean-up is best effort.
  (void)device_.DeleteFile(temporary);
  return out;
}

FileResult ReplacingCopy::WithinDevice(const std::string& from, const std::string& to) {
  const std::string temporary = TemporaryName(to, '\\', "part");
  FileResult result = device_.CopyFile(from, temporary);
  if (result) result = ReplaceOnDevice(temporary, to);
  if (!result) (void)device_.DeleteFile(temporary);
  return result;
}

FileResult ReplacingCopy::ReplaceOnDevice(const std::string& temporary, const std::string& target) {
  bool exists = false;
  if (FileResult asked = device_.Exists(target, exists); !asked) return asked;
  if (!exists) return device_.RenameFile(temporary, target);
  const std::string aside = TemporaryName(target, '\\', "old");
  if (FileResult moved = device_.RenameFile(target, aside); !moved) return moved;
  FileResult placed = device_.RenameFile(temporary, target);
  if (!placed) {
    (void)device_.RenameFile(aside, target);
    return placed;
  }
  (void)device_.DeleteFile(aside);
  return placed;
}

}  // namespace mirrodex
