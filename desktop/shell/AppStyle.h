// The look chosen with View > Windows Style (setting 1043), applied at start-up: one clean
// Qt style with a palette per choice.
// Threads: the user-interface thread, after the application object exists.
#pragma once

namespace mirrodex {

void ApplyAppStyle(int styleNumber);

}  // namespace mirrodex
