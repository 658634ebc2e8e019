// The texts the file manager shows for an entry: its size and its last-write date.
// Threads: any (the date text reads the process's locale and time zone).
#pragma once

#include <cstdint>
#include <string>

#include "desktop/files/FileEntry.h"

namespace mirrodex {

// "N Bytes" up to 1024 bytes, "N.D KB" up to 1048576 bytes, "N.D MB" above: D is the first
// decimal digit of the true fraction, cut (not rounded) so the text never shows more.
std::string SizeText(uint64_t bytes);
// The date of a UTC last-write time in the local time zone, in the user's short locale date
// format; empty for an unknown or impossible date.
std::string DateText(const FileTime& time);
// The progress line of a transfer: "<display text> - <kilobytes with two decimals> KB".
std::string ProgressText(const std::string& displayText, uint64_t bytes);

}  // namespace mirrodex
