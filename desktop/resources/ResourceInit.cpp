#include "desktop/resources/ResourceInit.h"

#include <QtCore/qglobal.h>

#include <mutex>

// Q_INIT_RESOURCE has to be used outside any namespace.
static void RegisterMirrodexResources() { Q_INIT_RESOURCE(mirrodex); }

namespace mirrodex {

void EnsureResources() {
  static std::once_flag once;
  std::call_once(once, [] { RegisterMirrodexResources(); });
}

}  // namespace mirrodex
