// Device-supplied text on its way to the user's terminal: a name or clipboard text from the
// device must not be able to move the cursor, retitle or clear the terminal, or reach the
// desktop's clipboard through terminal escapes. Any thread.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace mirrodex::cli {

// `text` (UTF-8) with every control character (C0, DEL, C1) written as a visible escape:
// \n \r \t, \e for ESC, \xHH for the other C0 and DEL, \u00HH for C1; a backslash doubles.
std::string VisibleControls(std::string_view text);
// `text` as it may go to `out`: escaped when `out` is a terminal, unchanged otherwise.
std::string ForTerminal(std::string_view text, std::FILE* out);

}  // namespace mirrodex::cli
