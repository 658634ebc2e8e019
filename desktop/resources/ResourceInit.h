// Registers the program's compiled-in resource file. The resources live in a static library,
// whose registration object the linker would otherwise leave out; every function that reads a
// resource calls this first.
// Threads: any; the first call registers, later calls return at once.
#pragma once

namespace mirrodex {
void EnsureResources();
}  // namespace mirrodex
