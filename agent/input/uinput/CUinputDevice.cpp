#include "agent/input/uinput/CUinputDevice.h"

#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace mirrodex {
namespace {

constexpr char kDeviceName[] = "Mirrodex remote input";
// Every key of a full keyboard, the function keys to F24 and the media keys.
constexpr int kLastKey = KEY_MICMUTE;

// Runs one set-up request; false with `error` naming it.
template <typename Argument>
bool Request(int fd, unsigned long request, const char* name, Argument argument,
             std::string& error) {
  if (ioctl(fd, request, argument) == 0) return true;
  error = "cannot set up the uinput device (" + std::string(name) + "): " + std::strerror(errno);
  return false;
}

}  // namespace

bool CUinputDevice::Open(uint32_t width, uint32_t height, std::string& error) {
  Close();
  fd_ = open(path_.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd_ < 0) {
    error = "cannot open " + path_ + ": " + std::strerror(errno);
    return false;
  }
  bool ok = Request(fd_, UI_SET_EVBIT, "UI_SET_EVBIT", EV_KEY, error) &&
            Request(fd_, UI_SET_EVBIT, "UI_SET_EVBIT", EV_SYN, error);
  for (int key = 1; ok && key <= kLastKey; ++key) {
    ok = Request(fd_, UI_SET_KEYBIT, "UI_SET_KEYBIT", static_cast<unsigned long>(key), error);
  }
  const bool pointer = width > 0 && height > 0;
  if (ok && pointer) {
    ok = Request(fd_, UI_SET_KEYBIT, "UI_SET_KEYBIT", BTN_LEFT, error) &&
         Request(fd_, UI_SET_EVBIT, "UI_SET_EVBIT", EV_ABS, error) &&
         Request(fd_, UI_SET_ABSBIT, "UI_SET_ABSBIT", ABS_X, error) &&
         Request(fd_, UI_SET_ABSBIT, "UI_SET_ABSBIT", ABS_Y, error);
    for (const auto& [axis, size] : {std::pair{ABS_X, width}, std::pair{ABS_Y, height}}) {
      uinput_abs_setup abs{};
      abs.code = static_cast<uint16_t>(axis);
      abs.absinfo.minimum = 0;
      abs.absinfo.maximum = static_cast<int32_t>(size - 1);
      ok = ok && Request(fd_, UI_ABS_SETUP, "UI_ABS_SETUP", &abs, error);
    }
  }
  uinput_setup setup{};
  setup.id.bustype = BUS_VIRTUAL;
  setup.id.version = 1;
  std::memcpy(setup.name, kDeviceName, sizeof kDeviceName);
  ok = ok && Request(fd_, UI_DEV_SETUP, "UI_DEV_SETUP", &setup, error) &&
       Request(fd_, UI_DEV_CREATE, "UI_DEV_CREATE", 0ul, error);
  if (!ok) {
    ::close(fd_);
    fd_ = -1;
  }
  return ok;
}

void CUinputDevice::Close() {
  if (fd_ < 0) return;
  ioctl(fd_, UI_DEV_DESTROY);
  ::close(fd_);
  fd_ = -1;
}

bool CUinputDevice::Write(std::span<const UinputEvent> events, std::string& error) {
  if (fd_ < 0) {
    error = "no uinput device is open";
    return false;
  }
  // The longest sequence the backend writes fits; no allocation per key.
  input_event batch[16];
  while (!events.empty()) {
    const size_t count = std::min(events.size(), std::size(batch));
    for (size_t i = 0; i < count; ++i) {
      batch[i] = input_event{};
      batch[i].type = events[i].type;
      batch[i].code = events[i].code;
      batch[i].value = events[i].value;
    }
    const size_t bytes = count * sizeof(input_event);
    ssize_t written;
    do {
      written = ::write(fd_, batch, bytes);
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(bytes)) {
      error = "cannot write to the uinput device: " +
              std::string(written < 0 ? std::strerror(errno) : "short write");
      return false;
    }
    events = events.subspan(count);
  }
  return true;
}

}  // namespace mirrodex
