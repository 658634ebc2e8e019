#include "desktop/media/Screenshot.h"

#include <strings.h>

#include "desktop/media/BmpWriter.h"
#include "desktop/media/JpegWriter.h"
#include "desktop/media/SnapshotSurface.h"

namespace mirrodex {

bool IsBmpPath(const std::filesystem::path& path) {
  // Only the extension counts: a folder named "x.bmp" must not turn a JPEG file into a BMP.
  return strcasecmp(path.extension().c_str(), ".bmp") == 0;
}

MediaResult SaveScreenshot(const PictureView& picture, uint32_t zoom,
                           const std::filesystem::path& path, int jpegQuality) {
  SnapshotSurface surface;
  if (MediaResult r = surface.Fill(picture, zoom); !r) return r;
  return IsBmpPath(path) ? WriteBmp(surface, path) : WriteJpeg(surface, path, jpegQuality);
}

}  // namespace mirrodex
