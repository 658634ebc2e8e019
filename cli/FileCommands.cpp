// ls, pull, push, rm, mkdir, rmdir, mv, cp and exists on the device's files.
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cstdio>

#include "cli/DeviceContext.h"
#include "cli/ExitCodes.h"
#include "cli/TerminalText.h"
#include "cli/TransferPrinter.h"
#include "desktop/files/DeviceFileSource.h"
#include "desktop/files/DeviceTransfer.h"

namespace mirrodex::cli {
namespace {

std::string LastPart(const std::string& path, char separator) {
  const size_t at = path.find_last_of(separator);
  return at == std::string::npos ? path : path.substr(at + 1);
}

// What a pull into `path` may write: the free space of its file system, plus what the file
// it replaces holds now.
uint64_t RoomFor(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  struct statvfs fs {};
  if (::statvfs(folder.c_str(), &fs) != 0) return TransferControl{}.maxBytes;  // the open will tell
  uint64_t room = uint64_t{fs.f_bavail} * fs.f_frsize;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) room += static_cast<uint64_t>(st.st_size);
  return room;
}

bool IsLocalFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void PrintEntry(const FileEntry& entry) {
  const FileTime& t = entry.lastWrite;
  std::printf("%c %12llu %04u-%02u-%02u %02u:%02u:%02u %s\n", entry.IsFolder() ? 'd' : '-',
              static_cast<unsigned long long>(entry.size), t.year, t.month, t.day, t.hour, t.minute, t.second,
              ForTerminal(entry.name, stdout).c_str());
}

int List(DeviceFileSource& device, const std::string& path) {
  std::vector<FileEntry> entries;
  const FileResult listed = device.ListFolder(path, entries);
  if (listed) {
    for (const auto& entry : entries) PrintEntry(entry);
    if (const size_t refused = device.RefusedNames(); refused > 0) {
      std::fprintf(stderr,
                   "mirrodex-cli: ls %s: %zu entries left out: their names hold a lone surrogate, which no "
                   "path can name exactly: rename them on the device\n",
                   path.c_str(), refused);
    }
    return kExitDone;
  }
  if (listed.kind != FileResult::Kind::kRefused) return ReportFailure("ls " + path, listed);
  // The device answers an empty folder like a missing one: ask whether it exists.
  bool exists = false;
  if (const FileResult asked = device.Exists(path, exists); !asked) return ReportFailure("ls " + path, asked);
  if (exists) return kExitDone;
  std::fprintf(stderr, "mirrodex-cli: ls %s: no such folder on the device: check the path\n", path.c_str());
  return kExitRefused;
}

int Transfer(DeviceFileSource& device, const DeviceCommand& command) {
  const bool pull = command.name == "pull";
  std::string from = command.args[0];
  std::string to = command.args[1];
  if (pull && IsLocalFolder(to)) to += "/" + LastPart(from, '\\');
  if (!pull && !to.empty() && to.back() == '\\') to += LastPart(from, '/');
  DeviceTransfer transfer(device);
  TransferPrinter printer(command.name + " " + from, stdout);
  TransferControl control{[&](const TransferProgress& p) { printer.Show(p); }, nullptr};
  // Without a listing the device's word is the only end a pull has: the room here bounds it.
  if (pull) control.maxBytes = RoomFor(to);
  const TransferResult result =
      pull ? transfer.CopyFromDevice(from, to, control) : transfer.CopyToDevice(from, to, control);
  printer.Finish(result);
  if (!result) return ReportFailure(command.name + " " + from + " " + to, result.result);
  return kExitDone;
}

}  // namespace

int RunFileCommand(DeviceContext& context, const DeviceCommand& command) {
  DeviceFileSource device(context.session.Dispatcher(), context.session.RequestSender());
  const auto& args = command.args;
  const std::string what = command.name + (args.empty() ? "" : " " + args[0]);
  if (command.name == "ls") return List(device, args.empty() ? "\\" : args[0]);
  if (command.name == "pull" || command.name == "push") return Transfer(device, command);
  if (command.name == "exists") {
    bool exists = false;
    if (const FileResult asked = device.Exists(args[0], exists); !asked) return ReportFailure(what, asked);
    std::puts(exists ? "yes" : "no");
    return exists ? kExitDone : kExitRefused;
  }
  FileResult result;
  if (command.name == "rm") {
    result = device.DeleteFile(args[0]);
  } else if (command.name == "mkdir") {
    result = device.CreateFolder(args[0]);
  } else if (command.name == "rmdir") {
    result = device.RemoveFolder(args[0]);
  } else if (command.name == "mv") {
    result = device.RenameFile(args[0], args[1]);
  } else if (command.name == "cp") {
    result = device.CopyFile(args[0], args[1]);
  }
  return result ? kExitDone : ReportFailure(what, result);
}

}  // namespace mirrodex::cli
