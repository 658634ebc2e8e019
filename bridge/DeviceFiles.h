// The bridge's file functions under its file root, with the agent's confinement rules: the
// agent's DevicePath checks the names, its FileRoot resolves them without leaving the root.
// Open files and searches are kept in one bounded table of handles.
// Thread: the bridge's call thread only.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "agent/services/FileRoot.h"
#include "bridge/CallWire.h"
#include "bridge/FindEntry.h"

namespace mirrodex::bridge {

class DeviceFiles {
 public:
  static constexpr uint32_t kInvalidHandle = 0xFFFFFFFFu;
  static constexpr size_t kMaxHandles = 256;
  // A search holds its whole folder; these bound what searches can hold at once.
  static constexpr size_t kMaxFindEntries = 65534;
  static constexpr size_t kMaxSearches = 8;

  explicit DeviceFiles(const std::string& rootPath) : root_(rootPath) {}

  // Each returns the call's result and sets `error` (a Windows error code) on failure.
  uint32_t CreateFile(const std::u16string& path, uint32_t access, uint32_t disposition,
                      uint32_t& error);
  bool Read(uint32_t handle, uint32_t size, std::vector<uint8_t>& bytes, uint32_t& error);
  bool Write(uint32_t handle, std::span<const uint8_t> bytes, uint32_t& error);
  bool Size(uint32_t handle, uint64_t& size, uint32_t& error);
  bool Close(uint32_t handle, uint32_t& error);
  uint32_t FindFirst(const std::u16string& pattern, FindEntry& first, uint32_t& error);
  bool FindNext(uint32_t handle, FindEntry& next, uint32_t& error);
  bool CreateDirectory(const std::u16string& path, uint32_t& error);
  bool DeleteFile(const std::u16string& path, uint32_t& error);

 private:
  struct Handle {
    UniqueFd fd;                     // an open file, or
    std::vector<FindEntry> entries;  // a search's remaining entries (reversed)
    bool isFind = false;
  };

  uint32_t Store(Handle handle, uint32_t& error);
  Handle* Find(uint32_t handle, bool isFind);
  // Fills `entry` for the entry `name` in `folder`; false when it should be left out.
  bool Describe(const DevicePath& folder, int folderFd, const std::string& name,
                FindEntry& entry) const;

  FileRoot root_;
  std::map<uint32_t, Handle> handles_;
  uint32_t nextHandle_ = 1;
};

}  // namespace mirrodex::bridge
