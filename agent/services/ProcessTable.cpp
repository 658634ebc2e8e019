#include "agent/services/ProcessTable.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

namespace mirrodex {
namespace {

// The kernel keeps 15 characters of a command name.
constexpr size_t kCommandNameLimit = 15;

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

std::optional<uint32_t> ParseId(const char* text) {
  uint64_t value = 0;
  if (*text == '\0') return std::nullopt;
  for (; *text != '\0'; ++text) {
    if (*text < '0' || *text > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(*text - '0');
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

std::string ReadStat(const std::string& procDir, uint32_t id) {
  std::ifstream in(procDir + "/" + std::to_string(id) + "/stat");
  std::string line;
  std::getline(in, line);
  return line;
}

// A cut command name is completed from the executable's file name when that starts with it.
std::string FullName(const std::string& procDir, uint32_t id, const std::string& command) {
  if (command.size() < kCommandNameLimit) return command;
  char target[4096];
  const std::string link = procDir + "/" + std::to_string(id) + "/exe";
  const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
  if (length <= 0) return command;
  std::string file(target, static_cast<size_t>(length));
  const std::string deleted = " (deleted)";
  if (file.size() > deleted.size() && file.ends_with(deleted)) file.resize(file.size() - deleted.size());
  file = file.substr(file.rfind('/') + 1);
  return file.starts_with(command) ? file : command;
}

}  // namespace

std::optional<ProcessEntry> ProcessTable::Read(const std::string& procDir, uint32_t id) {
  const std::string line = ReadStat(procDir, id);
  // "id (command) state parent ...": the command may hold spaces and parentheses itself.
  const size_t open = line.find('(');
  const size_t close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return std::nullopt;
  std::istringstream fields(line.substr(close + 1));
  std::string field;
  std::vector<std::string> rest;
  while (fields >> field && rest.size() < 18) rest.push_back(field);
  if (rest.size() < 18) return std::nullopt;
  ProcessEntry entry;
  entry.id = id;
  const auto parent = ParseId(rest[1].c_str());
  const auto threads = ParseId(rest[17].c_str());
  if (!parent || !threads) return std::nullopt;
  entry.parentId = *parent;
  entry.threads = *threads;
  entry.name = FullName(procDir, id, line.substr(open + 1, close - open - 1));
  return entry;
}

char ProcessTable::State(const std::string& procDir, uint32_t id) {
  const std::string line = ReadStat(procDir, id);
  const size_t close = line.rfind(')');
  if (close == std::string::npos || close + 2 >= line.size()) return 0;
  return line[close + 2];
}

std::optional<std::vector<ProcessEntry>> ProcessTable::Snapshot(const std::string& procDir) {
  std::unique_ptr<DIR, DirCloser> dir(::opendir(procDir.c_str()));
  if (!dir) return std::nullopt;
  std::vector<ProcessEntry> entries;
  while (const dirent* item = ::readdir(dir.get())) {
    const auto id = ParseId(item->d_name);
    if (!id) continue;
    if (auto entry = Read(procDir, *id)) entries.push_back(std::move(*entry));
  }
  std::sort(entries.begin(), entries.end(),
            [](const ProcessEntry& a, const ProcessEntry& b) { return a.id < b.id; });
  return entries;
}

}  // namespace mirrodex
