// The command line of mirrodex-host:
//   mirrodex-host [-b<address>] [--fb PATH] [--root DIR] [--dpi N] [--allow ADDR[/BITS]]...
//                 [--retry SECONDS]
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mirrodex {

struct HostOptions {
  std::string desktop;             // -b: the desktop to connect to at start; empty = wait
  std::string framebuffer;         // --fb
  std::string root;                // --root
  std::optional<uint32_t> dpi;     // --dpi
  std::vector<std::string> allow;  // --allow, as given
  uint32_t retrySeconds = 2;       // --retry; 0 = never
  bool help = false;
};

inline constexpr const char* kHostUsage =
    "usage: mirrodex-host [-b<address>] [--fb PATH] [--root DIR] [--dpi N]\n"
    "                     [--allow ADDR[/BITS]]... [--retry SECONDS]\n"
    "  -b<address>      connect to the desktop at this address at start\n"
    "  --fb PATH        framebuffer device or XWD file to capture (default /dev/fb0)\n"
    "  --root DIR       folder the desktop may browse (default your home folder)\n"
    "  --dpi N          pixels per inch of the screen\n"
    "  --allow A[/BITS] accept wake-ups from this address or network (repeatable;\n"
    "                   default: loopback and the -b address)\n"
    "  --retry SECONDS  while no session runs, connect again this often (default 2, 0 = never)\n";

// Parses argv; nullopt with `error` for an unknown option or a bad value.
std::optional<HostOptions> ParseHostOptions(int argc, const char* const* argv, std::string& error);

}  // namespace mirrodex
