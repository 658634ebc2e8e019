// The command processor on Linux: replays key and pointer words through an input backend
// and hands requests to the device services.
// Key words: a virtual key is pressed and released; a character is typed as that character
// (a surrogate pair, which arrives as two words, as one character). The control characters
// that keys produce are replayed as those keys: 8 Backspace, 9 Tab, 10 and 13 Return,
// 27 Escape, and 1..26 as Control with the letter A..Z.
// Pointer words address served pixels: on a halved screen device pixel (x, y) is screen
// pixel (2x, 2y); positions beyond the screen go to its last row or column.
// Failures are logged, a repeated one once, and never stop the session.
// Threads: as CUserInterface; Key, Mouse and Serve run on the screen-session thread, which
// is also the thread that sets up the screen, so the capture state is read without a lock.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "agent/capture/CScreenCap.h"
#include "agent/input/CUserInterface.h"
#include "agent/input/IInputInjector.h"
#include "agent/services/CFileManager.h"
#include "protocol/ByteBuffer.h"

namespace mirrodex {

class CLinuxUserInterface final : public CUserInterface {
 public:
  // `injector` replays the input (required). `screen` (may be null: then positions are not
  // scaled) gives the served geometry and must outlive this object. `services` (may be null:
  // then every request gets the unknown-code answer) answers requests.
  CLinuxUserInterface(std::unique_ptr<IInputInjector> injector, const CScreenCap* screen,
                      std::unique_ptr<CFileManager> services);

  void Key(uint32_t word) override;
  void Mouse(uint32_t x, uint32_t y, uint32_t action) override;

 protected:
  void Serve(uint32_t code, std::span<const uint8_t> payload) override;

 private:
  void TypeUnit(char16_t unit);
  void TypeCodePoint(char32_t character);
  void PressKey(uint8_t code, bool withControl);
  // Forgets a high surrogate whose low half never came.
  void DropPendingSurrogate();
  void Report(bool ok, const std::string& error);

  std::unique_ptr<IInputInjector> injector_;
  const CScreenCap* screen_;
  std::unique_ptr<CFileManager> services_;
  ByteBuffer reply_;
  char16_t pendingHigh_ = 0;                 // the first half of a surrogate pair, 0 when none
  uint32_t toldWidth_ = 0, toldHeight_ = 0;  // the screen size the injector knows
  std::string error_;                        // scratch for the injector's message
  std::string lastLogged_;  // the failure logged last, so a repeated one is logged once
};

}  // namespace mirrodex
