// The agent's diagnostics: one line on standard error, prefixed "mirrodex-agent: ". The
// host's own output goes to the same place, so a user sees why a session ended.
// Any thread.
#pragma once

namespace mirrodex {

[[gnu::format(printf, 1, 2)]] void AgentLog(const char* format, ...);

}  // namespace mirrodex
