#include "agent/input/CLinuxUserInterface.h"

#include <algorithm>
#include <cstdio>

#include "agent/session/AgentLog.h"
#include "protocol/Requests.h"

namespace mirrodex {
namespace {

bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// The key a control character stands for; 0 when it is not one of those keys.
uint8_t KeyOfControlCharacter(char32_t c) {
  switch (c) {
    case 0x08:
      return kVkBack;
    case 0x09:
      return kVkTab;
    case 0x0A:
    case 0x0D:
      return kVkReturn;
    case 0x1B:
      return kVkEscape;
    default:
      return 0;
  }
}

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

}  // namespace

CLinuxUserInterface::CLinuxUserInterface(std::unique_ptr<IInputInjector> injector,
                                         const CScreenCap* screen,
                                         std::unique_ptr<CFileManager> services)
    : injector_(std::move(injector)), screen_(screen), services_(std::move(services)) {}

void CLinuxUserInterface::Key(uint32_t word) {
  if ((word & kKeyVirtualFlag) != 0) {
    DropPendingSurrogate();
    PressKey(static_cast<uint8_t>(word & 0xFF), false);
  } else {
    TypeUnit(static_cast<char16_t>(word & 0xFFFF));
  }
}

void CLinuxUserInterface::TypeUnit(char16_t unit) {
  if (IsLowSurrogate(unit)) {
    if (pendingHigh_ == 0) {
      Report(false, "a low surrogate (U+" + Hex(unit, 4) + ") came without its high half");
      return;
    }
    const char32_t character =
        0x10000 + ((char32_t{pendingHigh_} - 0xD800) << 10) + (char32_t{unit} - 0xDC00);
    pendingHigh_ = 0;
    TypeCodePoint(character);
    return;
  }
  DropPendingSurrogate();
  if (IsHighSurrogate(unit)) {
    pendingHigh_ = unit;
    return;
  }
  TypeCodePoint(unit);
}

void CLinuxUserInterface::TypeCodePoint(char32_t character) {
  if (const uint8_t key = KeyOfControlCharacter(character); key != 0) {
    PressKey(key, false);
  } else if (character >= 0x01 && character <= 0x1A) {
    // What Control with a letter types; replaying the chord is what reaches the application.
    PressKey(static_cast<uint8_t>(kVkA + character - 1), true);
  } else if (character < 0x20 || (character >= 0x7F && character < 0xA0)) {
    Report(false, "the control character U+" + Hex(character, 4) + " cannot be typed");
  } else {
    Report(injector_->TypeCharacter(character, error_), error_);
  }
}

void CLinuxUserInterface::PressKey(uint8_t code, bool withControl) {
  const VirtualKey* key = FindVirtualKey(code);
  if (key == nullptr) {
    Report(false, "virtual key 0x" + Hex(code, 2) + " names no key");
    return;
  }
  Report(injector_->PressKey(*key, withControl, error_), error_);
}

void CLinuxUserInterface::Mouse(uint32_t x, uint32_t y, uint32_t action) {
  if (action > static_cast<uint32_t>(PointerAction::kLeftDown)) return;  // the session's pause
  DropPendingSurrogate();
  if (screen_ != nullptr && screen_->State().width > 0 && screen_->State().height > 0) {
    const CaptureState& state = screen_->State();
    const uint32_t scale = state.scaleMode == ScaleMode::kHalved ? 2 : 1;
    const uint32_t width = state.width * scale, height = state.height * scale;
    if (width != toldWidth_ || height != toldHeight_) {
      injector_->SetScreenSize(width, height);
      toldWidth_ = width;
      toldHeight_ = height;
    }
    x = std::min(x * scale, width - 1);
    y = std::min(y * scale, height - 1);
  }
  Report(injector_->Pointer(x, y, static_cast<PointerAction>(action), error_), error_);
}

void CLinuxUserInterface::DropPendingSurrogate() {
  if (pendingHigh_ == 0) return;
  const char16_t unit = pendingHigh_;
  pendingHigh_ = 0;
  Report(false, "a high surrogate (U+" + Hex(unit, 4) + ") came without its low half");
}

void CLinuxUserInterface::Report(bool ok, const std::string& error) {
  if (ok) {
    lastLogged_.clear();
    return;
  }
  if (error == lastLogged_) return;
  lastLogged_ = error;
  AgentLog("input not replayed: %s", error.c_str());
}

void CLinuxUserInterface::Serve(uint32_t code, std::span<const uint8_t> payload) {
  if (services_ == nullptr) {
    CUserInterface::Serve(code, payload);
    return;
  }
  reply_.Clear();
  services_->Serve(code, payload, reply_);
  uint32_t status = 0;
  if (!reply_.TakeU32(status)) {
    AgentLog("request %u: the services wrote no reply", code);
    AnswerUnknown();
    return;
  }
  if (status < kReplyCodeZeroLimit) {
    AnswerUnknown();  // a code the services do not know
    return;
  }
  SetReply(status, {reply_.ReadPointer(), reply_.Remaining()});
}

}  // namespace mirrodex
