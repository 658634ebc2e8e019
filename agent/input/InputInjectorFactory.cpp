#include "agent/input/InputInjectorFactory.h"

#include "agent/input/uinput/CUinputDevice.h"
#include "agent/input/uinput/CUinputInjector.h"
#include "agent/input/xtest/CXTestInjector.h"

namespace mirrodex {

std::unique_ptr<IInputInjector> CreateInputInjector(const std::string& display) {
  if (!display.empty()) return std::make_unique<CXTestInjector>(display);
  return std::make_unique<CUinputInjector>(std::make_unique<CUinputDevice>());
}

}  // namespace mirrodex
