#include "cli/TerminalText.h"

#include <unistd.h>

namespace mirrodex::cli {

std::string VisibleControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  char escape[8];
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    // C1 controls are U+0080..U+009F: 0xC2 then 0x80..0x9F in UTF-8.
    if (byte == 0xC2 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        std::snprintf(escape, sizeof escape, "\\u%04X", next);
        out += escape;
        ++i;
        continue;
      }
    }
    switch (byte) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case 0x1B:
        out += "\\e";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          std::snprintf(escape, sizeof escape, "\\x%02X", byte);
          out += escape;
        } else {
          out += static_cast<char>(byte);
        }
    }
  }
  return out;
}

std::string ForTerminal(std::string_view text, std::FILE* out) {
  return ::isatty(::fileno(out)) == 1 ? VisibleControls(text) : std::string(text);
}

}  // namespace mirrodex::cli
