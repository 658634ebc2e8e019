// Reads the header of an XWD image file (as `Xvfb -fbdir` keeps its live screen in) as a
// framebuffer layout. The header is big-endian; the pixels follow the header, its window
// name and the colour entries (12 bytes each). Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "agent/capture/fb/FramebufferLayout.h"

namespace mirrodex {

inline constexpr uint32_t kXwdHeaderSize = 100;  // 25 big-endian 32-bit words
inline constexpr uint32_t kXwdVersion = 7;

// `file` is the whole file (or as much of it as exists); the layout is validated against its
// size. nullopt with `error` saying what is wrong with the file.
std::optional<FramebufferLayout> ParseXwdHeader(std::span<const uint8_t> file, std::string& error);

}  // namespace mirrodex
