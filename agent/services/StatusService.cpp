#include "agent/services/StatusService.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <vector>

#include "agent/services/ReplyWriter.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

enum Slot { kMemoryLoad, kStoreFree, kStoreTotal, kMainBattery, kBackupBattery };

uint32_t SaturatedKiB(uint64_t blocks, uint64_t blockSize) {
  const unsigned __int128 kib = static_cast<unsigned __int128>(blocks) * blockSize / 1024;
  return static_cast<uint32_t>(std::min<unsigned __int128>(kib, std::numeric_limits<uint32_t>::max()));
}

std::string FirstLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

std::optional<uint32_t> Percent(const std::string& text) {
  uint32_t value = 0;
  size_t digits = 0;
  for (const char c : text) {
    if (c < '0' || c > '9' || digits == 3) break;
    value = value * 10 + static_cast<uint32_t>(c - '0');
    ++digits;
  }
  if (digits == 0 || value > 100) return std::nullopt;
  return value;
}

}  // namespace

void StatusService::Serve(ByteBuffer& reply) {
  ReplyWriter out(reply, kRequestStatus);
  ReadMemoryLoad();
  ReadStore();
  ReadBatteries();
  for (const uint32_t value : values_) out.Payload().AppendU32(value);
  out.Finish(0);
}

void StatusService::ReadMemoryLoad() {
  std::ifstream in(sources_.meminfo);
  std::string line;
  std::optional<uint64_t> total, available;
  uint64_t freeKiB = 0, buffers = 0, cached = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string key;
    uint64_t kib = 0;
    if (!(fields >> key >> kib)) continue;
    if (key == "MemTotal:") total = kib;
    else if (key == "MemAvailable:") available = kib;
    else if (key == "MemFree:") freeKiB = kib;
    else if (key == "Buffers:") buffers = kib;
    else if (key == "Cached:") cached = kib;
  }
  if (!total || *total == 0) return;
  // Kernels before 3.14 give no estimate of what is available.
  const uint64_t free = std::min(*total, available.value_or(freeKiB + buffers + cached));
  values_[kMemoryLoad] = static_cast<uint32_t>(((*total - free) * 100 + *total / 2) / *total);
}

void StatusService::ReadStore() {
  struct statvfs fs {};
  if (rootFd_ < 0 || ::fstatvfs(rootFd_, &fs) != 0) return;
  values_[kStoreFree] = SaturatedKiB(fs.f_bavail, fs.f_frsize);
  values_[kStoreTotal] = SaturatedKiB(fs.f_blocks, fs.f_frsize);
}

void StatusService::ReadBatteries() {
  // The first battery (by name) is the main one; one named "backup" is the backup battery.
  // Batteries of peripherals (scope "Device": mice, headsets) are not the device's.
  std::vector<std::filesystem::path> supplies;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(sources_.powerSupplies, error)) {
    supplies.push_back(entry.path());
  }
  std::sort(supplies.begin(), supplies.end());
  std::optional<uint32_t> main, backup;
  bool haveMain = false, haveBackup = false;
  for (const auto& supply : supplies) {
    if (FirstLine(supply / "type") != "Battery" || FirstLine(supply / "scope") == "Device") continue;
    const auto charge = Percent(FirstLine(supply / "capacity"));
    if (supply.filename().string().find("backup") != std::string::npos) {
      if (!haveBackup) backup = charge;
      haveBackup = true;
    } else if (!haveMain) {
      main = charge;
      haveMain = true;
    }
  }
  values_[kMainBattery] = main.value_or(kBatteryUnknown);
  values_[kBackupBattery] = backup.value_or(kBatteryUnknown);
}

}  // namespace mirrodex
