#include "agent/input/uinput/CRecordingUinputSink.h"

namespace mirrodex {

bool CRecordingUinputSink::Open(uint32_t width, uint32_t height, std::string& error) {
  if (!refusal_.empty()) {
    error = refusal_;
    return false;
  }
  devices_.push_back({width, height});
  open_ = true;
  return true;
}

bool CRecordingUinputSink::Write(std::span<const UinputEvent> events, std::string& error) {
  if (!open_) {
    error = "no uinput device is open";
    return false;
  }
  events_.insert(events_.end(), events.begin(), events.end());
  return true;
}

}  // namespace mirrodex
