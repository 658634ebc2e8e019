#include "agent/capture/x11/X11ScreenImage.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include "agent/services/X11Display.h"

namespace mirrodex {

bool X11ScreenImage::Open(X11Display& display, bool allowShm, std::string& error) {
  Close();
  Display* d = display.Get();
  root_ = DefaultRootWindow(d);
  XWindowAttributes attributes;
  if (XGetWindowAttributes(d, root_, &attributes) == 0) {
    error = "cannot read the size of the X screen";
    return false;
  }
  if (attributes.visual->c_class != TrueColor && attributes.visual->c_class != DirectColor) {
    error = "the X screen (depth " + std::to_string(attributes.depth) +
            ") uses a colour map; only true-colour screens can be captured";
    return false;
  }
  display_ = &display;
  visual_ = attributes.visual;
  depth_ = attributes.depth;
  width_ = static_cast<uint32_t>(attributes.width);
  height_ = static_cast<uint32_t>(attributes.height);
  // Without shared memory (a remote server, or one in another IPC namespace) every frame
  // travels over the connection, which is slower but still right.
  if (allowShm && XShmQueryExtension(d)) (void)OpenShared();
  return true;
}

bool X11ScreenImage::OpenShared() {
  Display* d = display_->Get();
  (void)display_->SyncWithoutErrors();  // forget errors that are not ours
  image_ = XShmCreateImage(d, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr, &shm_,
                           width_, height_);
  if (image_ == nullptr) return false;
  const size_t bytes = static_cast<size_t>(image_->bytes_per_line) * height_;
  shm_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  void* address = shm_.shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(shm_.shmid, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    if (shm_.shmid >= 0) shmctl(shm_.shmid, IPC_RMID, nullptr);
    XDestroyImage(image_);
    image_ = nullptr;
    return false;
  }
  shm_.shmaddr = image_->data = static_cast<char*>(address);
  shm_.readOnly = False;
  XShmAttach(d, &shm_);
  const bool attached = display_->SyncWithoutErrors();
  // Marked for removal now, so the segment goes when both sides detach, even after a crash.
  shmctl(shm_.shmid, IPC_RMID, nullptr);
  if (!attached) {
    shmdt(shm_.shmaddr);
    image_->data = nullptr;
    XDestroyImage(image_);
    image_ = nullptr;
    return false;
  }
  shmAttached_ = true;
  return true;
}

void X11ScreenImage::DropImage() {
  if (image_ == nullptr) return;
  if (shmAttached_) {
    if (display_->Usable()) {
      XShmDetach(display_->Get(), &shm_);
      XSync(display_->Get(), False);
    }
    shmdt(shm_.shmaddr);
    image_->data = nullptr;  // not Xlib's to free
    shmAttached_ = false;
  }
  XDestroyImage(image_);
  image_ = nullptr;
}

void X11ScreenImage::Close() {
  if (display_ != nullptr) DropImage();
  display_ = nullptr;
  bitsPerPixel_ = bytesPerLine_ = byteOrder_ = 0;
}

bool X11ScreenImage::SameFormat(const XImage& image) const {
  return image.bits_per_pixel == bitsPerPixel_ && image.bytes_per_line == bytesPerLine_ &&
         image.byte_order == byteOrder_;
}

const XImage* X11ScreenImage::Grab(std::string& error) {
  if (display_ == nullptr || !display_->Usable()) {
    error = "the X display closed";
    return nullptr;
  }
  Display* d = display_->Get();
  bool read = false;
  if (shmAttached_) {
    read = XShmGetImage(d, root_, image_, 0, 0, AllPlanes) != 0;
  } else {
    DropImage();
    image_ = XGetImage(d, root_, 0, 0, width_, height_, AllPlanes, ZPixmap);
    read = image_ != nullptr;
  }
  if (!read) {
    (void)display_->SyncWithoutErrors();
    error = display_->Usable() ? "the X server refused to copy its screen (has it shrunk?)"
                               : "the X display closed";
    return nullptr;
  }
  if (bitsPerPixel_ == 0) {
    bitsPerPixel_ = image_->bits_per_pixel;
    bytesPerLine_ = image_->bytes_per_line;
    byteOrder_ = image_->byte_order;
  } else if (!SameFormat(*image_)) {
    error = "the X screen changed its pixel format";
    return nullptr;
  }
  return image_;
}

}  // namespace mirrodex
