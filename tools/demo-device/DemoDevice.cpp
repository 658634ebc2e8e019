#include "tools/demo-device/DemoDevice.h"

#include <X11/Xutil.h>
#include <sys/select.h>

#include <cerrno>
#include <chrono>
#include <ctime>

namespace mirrodex::demo {
namespace {

// Larger faces first; "fixed" is always there on an X server.
constexpr const char* kFonts[] = {"-*-helvetica-bold-r-normal--18-*-*-*-*-*-iso8859-1",
                                  "-*-fixed-bold-r-normal--18-*-*-*-*-*-iso8859-1", "9x15bold",
                                  "fixed"};

std::string ClockText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

}  // namespace

std::unique_ptr<DemoDevice> DemoDevice::Open(const char* displayName, std::string& error) {
  std::unique_ptr<DemoDevice> device(new DemoDevice);
  device->display_ = XOpenDisplay(displayName);
  if (device->display_ == nullptr) {
    error = std::string("cannot open the display ") +
            (displayName != nullptr ? displayName : "named by $DISPLAY") +
            " (is an X server running there?)";
    return nullptr;
  }
  Display* d = device->display_;
  const int screen = DefaultScreen(d);
  device->width_ = DisplayWidth(d, screen);
  device->height_ = DisplayHeight(d, screen);
  device->layout_ = DemoLayout::For(device->width_, device->height_);
  for (const char* name : kFonts) {
    if ((device->font_ = XLoadQueryFont(d, name)) != nullptr) break;
  }
  if (device->font_ == nullptr) {
    error = "the X server offers no usable font (not even \"fixed\")";
    return nullptr;
  }
  device->background_ = device->Colour(0xF0, 0xF0, 0xE8);
  device->foreground_ = device->Colour(0x10, 0x10, 0x10);
  device->titleBar_ = device->Colour(0x20, 0x40, 0x90);
  device->field_ = device->Colour(0xFF, 0xFF, 0xFF);
  device->held_ = device->Colour(0xFF, 0xD0, 0x00);
  const uint8_t palette[6][3] = {{0xC0, 0x20, 0x20}, {0x20, 0xA0, 0x30}, {0x20, 0x50, 0xC0},
                                 {0x90, 0x30, 0xA0}, {0x00, 0x90, 0x90}, {0xE0, 0x70, 0x10}};
  for (size_t i = 0; i < device->buttonColours_.size(); ++i) {
    device->buttonColours_[i] = device->Colour(palette[i][0], palette[i][1], palette[i][2]);
  }

  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = device->background_;
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask;
  const Window root = RootWindow(d, screen);
  device->window_ =
      XCreateWindow(d, root, 0, 0, static_cast<unsigned>(device->width_),
                    static_cast<unsigned>(device->height_), 0, CopyFromParent, InputOutput,
                    CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
  XStoreName(d, device->window_, "mirrodex-demo-device");
  device->back_ = XCreatePixmap(d, device->window_, static_cast<unsigned>(device->width_),
                                static_cast<unsigned>(device->height_),
                                static_cast<unsigned>(DefaultDepth(d, screen)));
  device->gc_ = XCreateGC(d, device->window_, 0, nullptr);
  XSetFont(d, device->gc_, device->font_->fid);
  XMapRaised(d, device->window_);
  XSync(d, False);
  return device;
}

DemoDevice::~DemoDevice() {
  if (display_ == nullptr) return;
  if (font_ != nullptr) XFreeFont(display_, font_);
  if (gc_ != nullptr) XFreeGC(display_, gc_);
  if (back_ != 0) XFreePixmap(display_, back_);
  if (window_ != 0) XDestroyWindow(display_, window_);
  XCloseDisplay(display_);
}

unsigned long DemoDevice::Colour(uint8_t r, uint8_t g, uint8_t b) {
  XColor colour{};
  colour.red = static_cast<unsigned short>(r * 257);
  colour.green = static_cast<unsigned short>(g * 257);
  colour.blue = static_cast<unsigned short>(b * 257);
  colour.flags = DoRed | DoGreen | DoBlue;
  const Colormap map = DefaultColormap(display_, DefaultScreen(display_));
  return XAllocColor(display_, map, &colour) ? colour.pixel
                                             : BlackPixel(display_, DefaultScreen(display_));
}

void DemoDevice::FillRect(const Rect& r, unsigned long pixel) {
  XSetForeground(display_, gc_, pixel);
  XFillRectangle(display_, back_, gc_, r.x, r.y, static_cast<unsigned>(r.width),
                 static_cast<unsigned>(r.height));
}

void DemoDevice::DrawCentred(const Rect& r, const std::string& text, unsigned long pixel) {
  const int length = static_cast<int>(text.size());
  const int textWidth = XTextWidth(font_, text.c_str(), length);
  const int x = r.x + (r.width - textWidth) / 2;
  const int y = r.y + (r.height + font_->ascent - font_->descent) / 2;
  XSetForeground(display_, gc_, pixel);
  XDrawString(display_, back_, gc_, x < r.x ? r.x : x, y, text.c_str(), length);
}

void DemoDevice::Redraw() {
  FillRect({0, 0, width_, height_}, background_);
  FillRect(layout_.title, titleBar_);
  DrawCentred(layout_.title, "Demo device", field_);
  DrawCentred(layout_.clock, ClockText(), foreground_);
  DrawCentred(layout_.counter, "Counter " + std::to_string(state_.Counter()), foreground_);
  for (int i = 0; i < kButtonCount; ++i) {
    const Rect& r = layout_.buttons[static_cast<size_t>(i)];
    const size_t colour = (static_cast<size_t>(i) + state_.Clicks(i)) % buttonColours_.size();
    FillRect(r, state_.HeldButton() == i ? held_ : buttonColours_[colour]);
    DrawCentred(r, std::to_string(i + 1), field_);
  }
  FillRect(layout_.textField, field_);
  XSetForeground(display_, gc_, foreground_);
  XDrawRectangle(display_, back_, gc_, layout_.textField.x, layout_.textField.y,
                 static_cast<unsigned>(layout_.textField.width - 1),
                 static_cast<unsigned>(layout_.textField.height - 1));
  DrawCentred(layout_.textField, state_.Text() + "_", foreground_);
  XCopyArea(display_, back_, window_, gc_, 0, 0, static_cast<unsigned>(width_),
            static_cast<unsigned>(height_), 0, 0);
  XFlush(display_);
}

void DemoDevice::Handle(XEvent& event) {
  switch (event.type) {
    case Expose:
      if (event.xexpose.count == 0) Redraw();
      return;
    case ButtonPress:
      state_.Press(layout_, event.xbutton.x, event.xbutton.y);
      break;
    case ButtonRelease:
      state_.Release(layout_, event.xbutton.x, event.xbutton.y);
      break;
    case MappingNotify:
      // Input injectors remap spare key codes to type any character; follow them.
      XRefreshKeyboardMapping(&event.xmapping);
      return;
    case KeyPress: {
      char text[32];
      KeySym key = 0;
      const int length = XLookupString(&event.xkey, text, sizeof text, &key, nullptr);
      state_.Type(std::string(text, static_cast<size_t>(length > 0 ? length : 0)));
      break;
    }
    default:
      return;
  }
  Redraw();
}

int DemoDevice::Run(const volatile std::sig_atomic_t& stop) {
  // With no window manager the pointer decides where keys go unless focus is set.
  XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
  Redraw();
  const int fd = ConnectionNumber(display_);
  auto nextTick = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (stop == 0) {
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      Handle(event);
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= nextTick) {
      state_.Tick();
      Redraw();
      nextTick += std::chrono::seconds(1);
      if (nextTick < now) nextTick = now + std::chrono::seconds(1);  // after a long stall
      continue;
    }
    const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(nextTick - now);
    timeval timeout{static_cast<time_t>(wait.count() / 1000000),
                    static_cast<suseconds_t>(wait.count() % 1000000)};
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fd, &readable);
    if (select(fd + 1, &readable, nullptr, nullptr, &timeout) < 0 && errno != EINTR) return 1;
  }
  return 0;
}

}  // namespace mirrodex::demo
