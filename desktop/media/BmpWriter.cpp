#include "desktop/media/BmpWriter.h"

#include <array>

#include "desktop/media/OutputFile.h"
#include "protocol/LittleEndian.h"

namespace mirrodex {

MediaResult WriteBmp(const SnapshotSurface& surface, const std::filesystem::path& path) {
  if (surface.Empty()) return SnapshotSurface::NothingToSave();
  // The surface bounds keep these sizes within the 32-bit header fields.
  const auto imageSize = static_cast<uint32_t>(surface.RowBytes() * surface.Height());
  std::array<uint8_t, kBmpHeadersSize> header{};
  header[0] = 'B';
  header[1] = 'M';
  StoreU32(&header[2], imageSize + kBmpHeadersSize);
  StoreU32(&header[10], kBmpHeadersSize);  // pixel data offset
  StoreU32(&header[14], 40);               // information header size
  StoreU32(&header[18], surface.Width());
  StoreU32(&header[22], surface.Height());  // positive: rows stored bottom-up
  StoreU16(&header[26], 1);                 // planes
  StoreU16(&header[28], 24);                // bits per pixel
  StoreU32(&header[34], imageSize);         // compression, resolution and colour counts stay 0

  OutputFile file;
  if (MediaResult r = file.Open(path); !r) return r;
  if (MediaResult r = file.Write(header.data(), header.size()); !r) return r;
  for (uint32_t y = surface.Height(); y-- > 0;) {
    if (MediaResult r = file.Write(surface.Row(y), surface.RowBytes()); !r) return r;
  }
  return file.Commit();
}

}  // namespace mirrodex
