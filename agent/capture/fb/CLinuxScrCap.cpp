#include "agent/capture/fb/CLinuxScrCap.h"

#include "agent/capture/fb/FbCaptureState.h"

namespace mirrodex {

bool CLinuxScrCap::Initialise() {
  Close();
  std::string error;
  const auto config = config_ ? config_ : FbCaptureConfigFromEnvironment(error);
  std::optional<CaptureState> state;
  if (config && display_.Open(config->framebuffer, error)) {
    state = MakeFbCaptureState(display_.Layout(), config->dpi, error);
  }
  if (!state) {
    lastError_ = error;
    Close();
    return false;
  }
  copier_.Prepare(display_.Layout(), *state);
  if (!SetUpEncoder(*state)) {
    Close();
    return false;
  }
  lastError_.clear();
  return true;
}

bool CLinuxScrCap::Capture() {
  std::string error;
  const uint8_t* frame = display_.Frame(error);
  if (frame == nullptr) {
    lastError_ = error;
    return false;
  }
  copier_.Copy(frame, encoder_);
  return true;
}

void CLinuxScrCap::Close() {
  display_.Close();
}

}  // namespace mirrodex
