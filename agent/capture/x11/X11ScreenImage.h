// Reads the pixels of an X display's root window: into a shared-memory image (MIT-SHM) when
// the server offers it and can attach our segment, else through plain image requests, which
// carry the pixels over the connection and allocate a new image each time.
// Thread: one owner (the capture object); calls come from one thread at a time. Owns the
// image and the shared segment; Close or the destructor releases them. The display must
// outlive the open image.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <string>

namespace mirrodex {

class X11Display;

class X11ScreenImage {
 public:
  X11ScreenImage() = default;
  ~X11ScreenImage() { Close(); }
  X11ScreenImage(const X11ScreenImage&) = delete;
  X11ScreenImage& operator=(const X11ScreenImage&) = delete;

  // Sets up reading the whole root window of screen 0 as it is now; `allowShm` false forces
  // plain image requests. False with `error` when the screen cannot be read.
  [[nodiscard]] bool Open(X11Display& display, bool allowShm, std::string& error);
  void Close();

  // Reads the root window. The image stays valid until the next Grab or Close; its format
  // and size are those of the first Grab after Open. nullptr with `error` when the read
  // failed (the display closed, or the screen shrank or changed its format).
  const XImage* Grab(std::string& error);

  bool UsesSharedMemory() const { return shmAttached_; }
  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  const Visual* ScreenVisual() const { return visual_; }

 private:
  // Creates the shared image and attaches it; false (nothing kept) when the server refuses.
  bool OpenShared();
  void DropImage();
  [[nodiscard]] bool SameFormat(const XImage& image) const;

  X11Display* display_ = nullptr;
  Window root_ = 0;
  Visual* visual_ = nullptr;
  int depth_ = 0;
  uint32_t width_ = 0, height_ = 0;
  XImage* image_ = nullptr;
  XShmSegmentInfo shm_{};
  bool shmAttached_ = false;
  // The format of the first image, which later plain reads must keep.
  int bitsPerPixel_ = 0, bytesPerLine_ = 0, byteOrder_ = 0;
};

}  // namespace mirrodex
