#include "agent/input/uinput/CUinputInjector.h"

#include <linux/input-event-codes.h>

#include <cstdio>

#include "agent/input/uinput/UsKeyboardLayout.h"

namespace mirrodex {
namespace {

constexpr UinputEvent kReport{EV_SYN, SYN_REPORT, 0};

}  // namespace

CUinputInjector::CUinputInjector(std::unique_ptr<IUinputSink> sink) : sink_(std::move(sink)) {}

CUinputInjector::~CUinputInjector() {
  ReleaseButton();
  sink_->Close();
}

void CUinputInjector::ReleaseButton() {
  if (!buttonDown_ || !sink_->IsOpen()) return;
  const UinputEvent release[] = {{EV_KEY, BTN_LEFT, 0}, kReport};
  std::string ignored;
  (void)sink_->Write(release, ignored);  // best effort: the device goes away next
  buttonDown_ = false;
}

void CUinputInjector::SetScreenSize(uint32_t width, uint32_t height) {
  if (width == width_ && height == height_) return;
  // The axes' ranges are fixed when the device is made; a new size needs a new device.
  ReleaseButton();
  sink_->Close();
  width_ = width;
  height_ = height;
}

bool CUinputInjector::Ready(std::string& error) {
  return sink_->IsOpen() || sink_->Open(width_, height_, error);
}

bool CUinputInjector::Chord(uint16_t key, bool shift, bool control, std::string& error) {
  if (!Ready(error)) return false;
  UinputEvent events[12];
  size_t n = 0;
  auto add = [&events, &n](uint16_t code, int32_t value) {
    events[n++] = {EV_KEY, code, value};
    events[n++] = kReport;
  };
  if (control) add(KEY_LEFTCTRL, 1);
  if (shift) add(KEY_LEFTSHIFT, 1);
  add(key, 1);
  add(key, 0);
  if (shift) add(KEY_LEFTSHIFT, 0);
  if (control) add(KEY_LEFTCTRL, 0);
  return sink_->Write({events, n}, error);
}

bool CUinputInjector::PressKey(const VirtualKey& key, bool withControl, std::string& error) {
  return Chord(key.evdev, false, withControl, error);
}

bool CUinputInjector::TypeCharacter(char32_t character, std::string& error) {
  const auto key = UsKeyForCharacter(character);
  if (!key) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
    error = std::string("the character ") + code +
            " is on no key of the US keyboard layout that uinput types with";
    return false;
  }
  return Chord(key->evdev, key->shift, false, error);
}

bool CUinputInjector::Pointer(uint32_t x, uint32_t y, PointerAction action, std::string& error) {
  if (width_ == 0 || height_ == 0) {
    error = "the screen size is not known yet, so the pointer has no place";
    return false;
  }
  if (!Ready(error)) return false;
  UinputEvent events[4] = {{EV_ABS, ABS_X, static_cast<int32_t>(x)},
                           {EV_ABS, ABS_Y, static_cast<int32_t>(y)}};
  size_t n = 2;
  const bool press = action == PointerAction::kLeftDown;
  if (press || action == PointerAction::kLeftUp) events[n++] = {EV_KEY, BTN_LEFT, press ? 1 : 0};
  events[n++] = kReport;
  if (!sink_->Write({events, n}, error)) return false;
  if (n == 4) buttonDown_ = press;
  return true;
}

}  // namespace mirrodex
