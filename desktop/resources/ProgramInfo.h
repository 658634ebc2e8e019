// What the program says about itself (About box, --version).
// Threads: any.
#pragma once

#include <QString>

namespace mirrodex {

// The build's version, "major.minor.patch".
QString ProgramVersion();
// One sentence on what the program does.
QString ProgramSummary();

}  // namespace mirrodex
