#include "agent/capture/fb/CFbDisplay.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>

#include "agent/capture/fb/FbScreenInfo.h"
#include "agent/capture/fb/XwdHeader.h"

namespace mirrodex {
namespace {

// No screen needs more; a larger size is not a framebuffer worth mapping.
constexpr uint64_t kMaxMapping = uint64_t{1} << 30;

std::string SystemError(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

// The same picture, wherever in the mapping it starts.
bool SameMode(FramebufferLayout a, const FramebufferLayout& b) {
  a.firstPixel = b.firstPixel;
  return a == b;
}

}  // namespace

CFbDisplay::~CFbDisplay() {
  Close();
}

bool CFbDisplay::Open(const std::string& path, std::string& error) {
  Close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    error = SystemError("cannot open the framebuffer", path) +
            " (set MIRRODEX_FBDEV to a framebuffer device or an XWD file)";
    return false;
  }
  struct stat st {};
  bool opened = false;
  if (::fstat(fd_, &st) != 0) {
    error = SystemError("cannot examine", path);
  } else if (S_ISCHR(st.st_mode)) {
    opened = OpenDevice(path, error);
  } else if (S_ISREG(st.st_mode)) {
    opened = OpenXwdFile(path, static_cast<size_t>(st.st_size), error);
  } else {
    error = path + " is neither a framebuffer device nor an XWD file";
  }
  if (!opened) Close();
  return opened;
}

bool CFbDisplay::OpenDevice(const std::string& path, std::string& error) {
  uint32_t deviceMemory = 0;
  const auto layout = ReadDeviceMode(error, deviceMemory);
  if (!layout) {
    error = path + ": " + error;
    return false;
  }
  layout_ = *layout;
  return Map(deviceMemory, path, error);
}

std::optional<FramebufferLayout> CFbDisplay::ReadDeviceMode(std::string& error,
                                                            uint32_t& deviceMemory) {
  fb_var_screeninfo var{};
  fb_fix_screeninfo fix{};
  if (::ioctl(fd_, FBIOGET_FSCREENINFO, &fix) != 0 ||
      ::ioctl(fd_, FBIOGET_VSCREENINFO, &var) != 0) {
    error = std::string("cannot read the framebuffer mode (is it a framebuffer device?): ") +
            std::strerror(errno);
    return std::nullopt;
  }
  deviceMemory = fix.smem_len;
  return DecodeFbScreenInfo(var, fix, error);
}

bool CFbDisplay::OpenXwdFile(const std::string& path, size_t fileSize, std::string& error) {
  xwdFile_ = true;
  if (fileSize < kXwdHeaderSize) {
    error = path + " is too short to be an XWD file (" + std::to_string(fileSize) + " bytes)";
    return false;
  }
  if (!Map(fileSize, path, error)) return false;
  const auto layout = ParseXwdHeader(std::span(map_, mapSize_), error);
  if (!layout) {
    error = path + ": " + error;
    return false;
  }
  layout_ = *layout;
  return true;
}

bool CFbDisplay::Map(size_t size, const std::string& path, std::string& error) {
  if (size == 0 || size > kMaxMapping) {
    error = path + " reports " + std::to_string(size) +
            " bytes of screen memory, which cannot be mapped";
    return false;
  }
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd_, 0);
  if (map == MAP_FAILED) {
    error = SystemError("cannot map", path);
    return false;
  }
  map_ = static_cast<uint8_t*>(map);
  mapSize_ = size;
  return true;
}

void CFbDisplay::Close() {
  if (map_ != nullptr) ::munmap(map_, mapSize_);
  if (fd_ >= 0) ::close(fd_);
  map_ = nullptr;
  mapSize_ = 0;
  fd_ = -1;
  xwdFile_ = false;
  layout_ = {};
}

const uint8_t* CFbDisplay::Frame(std::string& error) {
  if (map_ == nullptr) {
    error = "the framebuffer is not open";
    return nullptr;
  }
  if (!(xwdFile_ ? RefreshXwdFile(error) : RefreshDevice(error))) return nullptr;
  return map_ + layout_.firstPixel;
}

bool CFbDisplay::RefreshDevice(std::string& error) {
  // A panning or page-flipping driver moves the visible picture; follow it.
  uint32_t deviceMemory = 0;
  const auto layout = ReadDeviceMode(error, deviceMemory);
  if (!layout || !SameMode(*layout, layout_) || layout->BytesNeeded() > mapSize_) {
    if (layout) error = "the framebuffer changed its mode; capture must be set up again";
    return false;
  }
  layout_.firstPixel = layout->firstPixel;
  return true;
}

bool CFbDisplay::RefreshXwdFile(std::string& error) {
  // Reading mapped pages past the end of a shortened file would fault: check the size first.
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    error = std::string("cannot examine the framebuffer file: ") + std::strerror(errno);
    return false;
  }
  const size_t present = std::min(mapSize_, static_cast<size_t>(st.st_size));
  const auto layout = ParseXwdHeader(std::span(map_, present), error);
  if (!layout || !SameMode(*layout, layout_)) {
    if (layout)
      error = "the framebuffer file changed its screen mode; capture must be set up again";
    return false;
  }
  return true;
}

}  // namespace mirrodex
