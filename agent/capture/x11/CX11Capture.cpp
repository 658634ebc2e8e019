#include "agent/capture/x11/CX11Capture.h"

#include <algorithm>
#include <bit>

#include "agent/capture/fb/FbCaptureState.h"
#include "agent/services/X11Display.h"

namespace mirrodex {
namespace {

PixelChannel ChannelOf(unsigned long mask) {
  const auto bits = static_cast<uint32_t>(mask);
  if (bits == 0) return {};
  return {static_cast<uint32_t>(std::countr_zero(bits)),
          static_cast<uint32_t>(std::popcount(bits))};
}

}  // namespace

CX11Capture::CX11Capture(X11CaptureConfig config) : config_(std::move(config)) {}

CX11Capture::~CX11Capture() {
  Close();
}

bool CX11Capture::LearnLayout(const XImage& image, std::string& error) {
  FramebufferLayout layout;
  layout.width = static_cast<uint32_t>(image.width);
  layout.height = static_cast<uint32_t>(image.height);
  layout.bitsPerPixel = static_cast<uint32_t>(image.bits_per_pixel);
  layout.lineLength = static_cast<uint32_t>(image.bytes_per_line);
  layout.red = ChannelOf(image.red_mask);
  layout.green = ChannelOf(image.green_mask);
  layout.blue = ChannelOf(image.blue_mask);
  layout.bigEndian = image.byte_order == MSBFirst;
  const int screen = DefaultScreen(display_->Get());
  layout.widthMm = static_cast<uint32_t>(std::max(0, DisplayWidthMM(display_->Get(), screen)));
  if (!ValidateFramebufferLayout(layout, uint64_t{layout.lineLength} * layout.height, error)) {
    error = "the X screen cannot be captured: " + error;
    return false;
  }
  // Served as 5-6-5 whatever the screen is, which only a 5-6-5 screen gives as it is.
  if (layout.coding != SourceCoding::kDirect565) layout.coding = SourceCoding::kConvertTo565;
  layout_ = layout;
  return true;
}

bool CX11Capture::Initialise() {
  Close();
  std::string error;
  display_ = std::make_unique<X11Display>(config_.display);
  const XImage* first = nullptr;
  std::optional<CaptureState> state;
  if (!display_->Usable()) {
    error = "cannot open the X display \"" +
            std::string(XDisplayName(config_.display.empty() ? nullptr : config_.display.c_str())) +
            "\"";
  } else if (image_.Open(*display_, config_.allowSharedMemory, error) &&
             (first = image_.Grab(error)) != nullptr && LearnLayout(*first, error)) {
    state = MakeFbCaptureState(layout_, config_.dpi, error);
  }
  if (!state) {
    lastError_ = error;
    Close();
    return false;
  }
  copier_.Prepare(layout_, *state);
  if (!SetUpEncoder(*state)) {
    Close();
    return false;
  }
  lastError_.clear();
  return true;
}

bool CX11Capture::Capture() {
  const XImage* image = image_.Grab(lastError_);
  if (image == nullptr) return false;
  copier_.Copy(reinterpret_cast<const uint8_t*>(image->data), encoder_);
  return true;
}

void CX11Capture::Close() {
  image_.Close();
  display_.reset();
}

}  // namespace mirrodex
