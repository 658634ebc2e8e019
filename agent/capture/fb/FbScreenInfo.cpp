#include "agent/capture/fb/FbScreenInfo.h"

#include <bit>

namespace mirrodex {
namespace {

PixelChannel ChannelOf(const fb_bitfield& field) {
  return {field.offset, field.length};
}

// Drivers that do not know the panel size report 0 or all ones.
uint32_t KnownWidthMm(uint32_t mm) {
  return mm >= 1 && mm <= 100000 ? mm : 0;
}

}  // namespace

std::optional<FramebufferLayout> DecodeFbScreenInfo(const fb_var_screeninfo& var,
                                                    const fb_fix_screeninfo& fix,
                                                    std::string& error) {
  if (fix.type != FB_TYPE_PACKED_PIXELS) {
    error = "the framebuffer stores its pixels in planes (type " + std::to_string(fix.type) +
            "); only packed-pixel framebuffers can be captured";
    return std::nullopt;
  }
  if (fix.visual != FB_VISUAL_TRUECOLOR && fix.visual != FB_VISUAL_DIRECTCOLOR) {
    error = "the framebuffer uses a palette or is monochrome (visual " +
            std::to_string(fix.visual) + "); only true-colour framebuffers can be captured";
    return std::nullopt;
  }
  if (var.grayscale != 0 || var.nonstd != 0 || var.red.msb_right || var.green.msb_right ||
      var.blue.msb_right) {
    error =
        "the framebuffer uses a non-standard pixel layout (grey scale, FOURCC or "
        "reversed bit fields), which cannot be captured";
    return std::nullopt;
  }
  FramebufferLayout layout;
  layout.width = var.xres;
  layout.height = var.yres;
  layout.bitsPerPixel = var.bits_per_pixel;
  // Some drivers leave the line length 0; rows then follow each other at the virtual width.
  layout.lineLength =
      fix.line_length != 0
          ? fix.line_length
          : static_cast<uint32_t>(static_cast<uint64_t>(var.xres_virtual) * var.bits_per_pixel / 8);
  layout.firstPixel = static_cast<uint64_t>(var.yoffset) * layout.lineLength +
                      static_cast<uint64_t>(var.xoffset) * (var.bits_per_pixel / 8);
  layout.red = ChannelOf(var.red);
  layout.green = ChannelOf(var.green);
  layout.blue = ChannelOf(var.blue);
  layout.bigEndian = std::endian::native == std::endian::big;  // device memory is in host order
  layout.widthMm = KnownWidthMm(var.width);
  if (!ValidateFramebufferLayout(layout, fix.smem_len, error)) return std::nullopt;
  return layout;
}

}  // namespace mirrodex
