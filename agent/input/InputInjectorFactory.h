// Picks the input backend for this device: XTest on the X display when one is named, else
// uinput through /dev/uinput. Neither touches the device before the first input arrives.
// Thread: any; the backend returned is then used by one thread.
#pragma once

#include <memory>
#include <string>

#include "agent/input/IInputInjector.h"

namespace mirrodex {

// `display`: the X display's name ($DISPLAY); empty for a device without one.
std::unique_ptr<IInputInjector> CreateInputInjector(const std::string& display);

}  // namespace mirrodex
