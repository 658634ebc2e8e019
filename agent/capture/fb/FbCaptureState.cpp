#include "agent/capture/fb/FbCaptureState.h"

namespace mirrodex {

uint32_t FramebufferDpi(const FramebufferLayout& layout, std::optional<uint32_t> dpiOverride) {
  if (dpiOverride) return *dpiOverride;
  if (layout.widthMm == 0) return kUnknownDpi;
  // Rounded pixels per 25.4 mm.
  const uint64_t dpi = (uint64_t{layout.width} * 254 + uint64_t{layout.widthMm} * 5) /
                       (uint64_t{layout.widthMm} * 10);
  return dpi == 0 ? 1 : static_cast<uint32_t>(dpi);
}

std::optional<CaptureState> MakeFbCaptureState(const FramebufferLayout& layout,
                                               std::optional<uint32_t> dpiOverride,
                                               std::string& error) {
  const uint32_t dpi = FramebufferDpi(layout, dpiOverride);
  const auto geometry = ChooseCaptureGeometry(layout.width, layout.height, dpi);
  if (!geometry) {
    error = "a screen of " + std::to_string(layout.width) + " x " + std::to_string(layout.height) +
            " pixels is too large to serve even halved";
    return std::nullopt;
  }
  CaptureState state;
  state.width = geometry->width;
  state.height = geometry->height;
  state.bytesPerPixel = 2;
  state.bitsPerPixel = 16;
  // The desktop addresses the served image, which is always packed 16-bit rows, with these;
  // a device's own padded line length would send it past the end of its copy.
  state.xPitch = 2;
  state.yPitch = static_cast<int32_t>(geometry->width * 2);
  state.colourFormat = ServedColourFormat(layout.coding);
  state.deviceFlags = dpi >= kHighResolutionDpi ? kCaptureFlagHighResolution : 0;
  state.scaleMode = geometry->mode;
  state.dpi = dpi;
  return state;
}

}  // namespace mirrodex
