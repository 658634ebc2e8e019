// The capture object: one per agent, holding the capture state and the screen encoder.
// Backends (framebuffer, X11, the in-memory twin) implement Initialise, Capture and Close.
// Thread: the screen-session thread calls Capture and the encoder; Initialise and Close run
// from the agent's entry points while no session runs.
#pragma once

#include <string>

#include "agent/capture/CaptureState.h"
#include "agent/capture/ScreenEncoder.h"

namespace mirrodex {

class CScreenCap {
 public:
  virtual ~CScreenCap() = default;

  // Opens the display, fills the capture state and sets up the encoder for its geometry.
  // Returns false (with LastError() saying why) when no screen can be captured.
  [[nodiscard]] virtual bool Initialise() = 0;
  // Copies one screen image into the encoder's current image (the whole of it).
  [[nodiscard]] virtual bool Capture() = 0;
  // Releases the display; Initialise may follow again.
  virtual void Close() = 0;

  const CaptureState& State() const { return state_; }
  ScreenEncoder& Encoder() { return encoder_; }
  const std::string& LastError() const { return lastError_; }

 protected:
  // For backends: records the state and sizes the encoder; false for a geometry the encoder
  // cannot serve.
  [[nodiscard]] bool SetUpEncoder(const CaptureState& state) {
    state_ = state;
    if (encoder_.Setup(state.width, state.height, state.colourFormat)) return true;
    lastError_ = "the screen geometry cannot be encoded";
    return false;
  }

  CaptureState state_;
  ScreenEncoder encoder_;
  std::string lastError_;
};

}  // namespace mirrodex
