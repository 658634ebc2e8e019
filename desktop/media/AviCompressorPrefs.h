// Each AVI compressor's own settings, as its Configure dialog last set them: kept in the settings
// store under "Compressors/<code>", so that switching compressors never carries one's bit rate
// over to another. Threads: any (the store is thread-safe); in practice the user-interface thread.
#pragma once

#include <cstdint>

#include "desktop/media/AviWriter.h"

namespace mirrodex {

class CSettingsStore;

// Limits of what the Configure dialog offers and reading accepts.
inline constexpr int kAviMinBitRateKbps = 16;
inline constexpr int kAviMaxBitRateKbps = 50000;

// The stored settings of the compressor `handler` (letters in any case); defaults (0: the
// compressor's own) for a compressor never configured or unknown, and for values out of range.
AviCompressorSettings LoadAviCompressorSettings(const CSettingsStore& store, uint32_t handler);
// False when the compressor is unknown or the settings file cannot be written.
[[nodiscard]] bool SaveAviCompressorSettings(CSettingsStore& store, uint32_t handler,
                                             const AviCompressorSettings& settings);

}  // namespace mirrodex
