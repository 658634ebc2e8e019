#include "desktop/media/AviCompressorPrefs.h"

#include "desktop/media/AviCompressors.h"
#include "desktop/media/FourCc.h"
#include "desktop/settings/CSettingsStore.h"

namespace mirrodex {
namespace {

// The section of a known compressor, by its upper-case code; empty for an unknown one.
QString Section(uint32_t handler) {
  const AviCompressor* compressor = FindAviCompressor(handler);
  if (compressor == nullptr) return {};
  return QStringLiteral("Compressors/") + QString::fromStdString(FourCcText(compressor->handler));
}

const QString kQuality = QStringLiteral("Quality");
const QString kBitRate = QStringLiteral("BitRateKbps");

}  // namespace

AviCompressorSettings LoadAviCompressorSettings(const CSettingsStore& store, uint32_t handler) {
  AviCompressorSettings settings;
  const QString section = Section(handler);
  if (section.isEmpty()) return settings;
  const int quality = store.ReadInt(section, kQuality, 0);
  if (quality >= 1 && quality <= 100) settings.quality = quality;
  const int kbps = store.ReadInt(section, kBitRate, 0);
  if (kbps >= kAviMinBitRateKbps && kbps <= kAviMaxBitRateKbps) settings.bitRate = int64_t{kbps} * 1000;
  return settings;
}

bool SaveAviCompressorSettings(CSettingsStore& store, uint32_t handler,
                               const AviCompressorSettings& settings) {
  const QString section = Section(handler);
  if (section.isEmpty()) return false;
  return store.WriteInt(section, kQuality, settings.quality) &&
         store.WriteInt(section, kBitRate, static_cast<int>(settings.bitRate / 1000));
}

}  // namespace mirrodex
