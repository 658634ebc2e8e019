#include "agent/session/AgentLog.h"

#include <cstdarg>
#include <cstdio>

namespace mirrodex {

void AgentLog(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::fprintf(stderr, "mirrodex-agent: %s\n", line);
}

}  // namespace mirrodex
