#include "agent/services/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "agent/services/ReplyWriter.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

constexpr uint32_t kRootCharacter = '\\';

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

uint32_t Attributes(const std::string& name, const struct stat& st) {
  uint32_t attributes = 0;
  if (S_ISDIR(st.st_mode)) {
    attributes |= FolderListing::kAttributeFolder;
  } else if (!S_ISREG(st.st_mode)) {
    attributes |= FolderListing::kAttributeSystem;
  }
  if (name[0] == '.') attributes |= FolderListing::kAttributeHidden;
  return attributes;
}

}  // namespace

uint32_t FolderListing::DateWord(const struct timespec& time) {
  struct tm utc {};
  const time_t seconds = time.tv_sec;
  if (::gmtime_r(&seconds, &utc) == nullptr) return 0;
  return (static_cast<uint32_t>(utc.tm_year + 1900) << 16) |
         (static_cast<uint32_t>(utc.tm_mon + 1) << 8) | static_cast<uint32_t>(utc.tm_mday);
}

uint32_t FolderListing::TimeWord(const struct timespec& time) {
  struct tm utc {};
  const time_t seconds = time.tv_sec;
  if (::gmtime_r(&seconds, &utc) == nullptr) return 0;
  // tm_sec may be 60 on a leap second; the field has room for it.
  return (static_cast<uint32_t>(utc.tm_hour) << 24) | (static_cast<uint32_t>(utc.tm_min) << 16) |
         (static_cast<uint32_t>(utc.tm_sec) << 10) | static_cast<uint32_t>(time.tv_nsec / 1000000);
}

bool FolderListing::StatEntry(int folderFd, const DevicePath& folder, const char* name,
                              struct stat& st) const {
  if (::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (!S_ISLNK(st.st_mode)) return true;
  const UniqueFd target = root_.Open(folder.Child(name), O_PATH);
  struct stat targetStat {};
  if (target.Valid() && ::fstat(target.Get(), &targetStat) == 0) st = targetStat;
  return true;  // a link that leads out or nowhere stays a link: neither file nor folder
}

void FolderListing::List(std::span<const uint8_t> payload, ByteBuffer& reply) {
  ReplyWriter out(reply, kRequestListFolder);
  const auto path = DevicePath::FromUtf16(payload, DevicePath::kMaxBarePathUnits);
  if (!path) return out.FinishEmpty(kNothingFound);
  UniqueFd folderFd = root_.Open(*path, O_RDONLY | O_DIRECTORY);
  if (!folderFd.Valid()) return out.FinishEmpty(kNothingFound);
  const int fd = folderFd.Get();
  std::unique_ptr<DIR, DirCloser> dir(::fdopendir(folderFd.Release()));
  if (!dir) return out.FinishEmpty(kNothingFound);

  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  std::sort(names.begin(), names.end());

  uint32_t count = 0;
  for (const auto& name : names) {
    if (count == kMaxEntries) break;
    struct stat st {};
    if (!StatEntry(fd, *path, name.c_str(), st)) continue;  // vanished meanwhile
    const auto text = Utf8ToUtf16Le(name);
    ByteBuffer& payloadOut = out.Payload();
    payloadOut.AppendU32(static_cast<uint32_t>(text.size() / 2));
    payloadOut.Append(text.data(), text.size());
    payloadOut.AppendU32(static_cast<uint32_t>(static_cast<uint64_t>(st.st_size)));
    payloadOut.AppendU32(DateWord(st.st_mtim));
    payloadOut.AppendU32(TimeWord(st.st_mtim));
    payloadOut.AppendU32(Attributes(name, st));
    payloadOut.AppendU32(0);
    ++count;
  }
  if (count == 0) return out.FinishEmpty(kNothingFound);
  out.Finish(count);
}

void FolderListing::ListRoots(ByteBuffer& reply) {
  ReplyWriter out(reply, kRequestListRoots);
  out.Payload().AppendU32(kRootCharacter);
  out.Payload().AppendU32(0);
  out.Finish(1);
}

}  // namespace mirrodex
