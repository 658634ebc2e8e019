#include "desktop/media/JpegWriter.h"

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "desktop/media/OutputFile.h"

namespace mirrodex {
namespace {

// Everything the library touches, kept in one trivially destructible block so that jumping
// back from the error exit skips no destructor.
struct JpegJob {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  std::jmp_buf jump;
  int savedErrno = 0;  // errno when the library gave up (a failed write sets it)
  char text[JMSG_LENGTH_MAX] = {};
};

// Replaces the library's error exit, which would end the program.
void ExitToWriter(j_common_ptr cinfo) {
  auto* job = reinterpret_cast<JpegJob*>(cinfo);  // cinfo is the job's first member
  job->savedErrno = errno;
  (*cinfo->err->format_message)(cinfo, job->text);
  std::longjmp(job->jump, 1);
}

// Warnings would go to standard error; a writer has no business printing there.
void IgnoreMessage(j_common_ptr) {}

// Compresses into `out`. Returns false after a library failure, with job->text set.
// No local here changes after setjmp and none has a destructor: the error exit jumps back in.
bool Compress(JpegJob* job, FILE* out, const uint8_t* pixels, uint32_t width, uint32_t height,
              int components, int quality) {
  jpeg_compress_struct* c = &job->cinfo;
  c->err = jpeg_std_error(&job->errors);
  job->errors.error_exit = ExitToWriter;
  job->errors.output_message = IgnoreMessage;
  if (setjmp(job->jump) != 0) {
    jpeg_destroy_compress(c);
    return false;
  }
  jpeg_create_compress(c);
  jpeg_stdio_dest(c, out);
  c->image_width = width;
  c->image_height = height;
  c->input_components = components;
  c->in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(c);
  jpeg_set_quality(c, quality, TRUE);
  jpeg_start_compress(c, TRUE);
  const size_t rowBytes = size_t{width} * static_cast<size_t>(components);
  while (c->next_scanline < c->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + c->next_scanline * rowBytes);
    jpeg_write_scanlines(c, &row, 1);
  }
  jpeg_finish_compress(c);
  jpeg_destroy_compress(c);
  return true;
}

std::vector<uint8_t> ToGrey(std::span<const uint8_t> rgb, size_t pixels) {
  std::vector<uint8_t> grey(pixels);
  for (size_t i = 0; i < pixels; ++i) {
    const uint8_t* p = &rgb[i * 3];
    grey[i] = static_cast<uint8_t>(0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]);
  }
  return grey;
}

}  // namespace

MediaResult WriteJpegFile(const std::filesystem::path& path, std::span<const uint8_t> rgb,
                          uint32_t width, uint32_t height, JpegColour colour, int quality) {
  if (width == 0 || height == 0) return SnapshotSurface::NothingToSave();
  if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION)
    return MediaResult::Failure("A JPEG file cannot hold a picture of " + std::to_string(width) +
                                " x " + std::to_string(height) +
                                " pixels. Save it as BMP instead.");
  const size_t pixels = size_t{width} * height;
  if (rgb.size() / 3 < pixels)
    return MediaResult::Failure(
        "The picture to save is shorter than its size says. This is a program fault; please "
        "report it.");
  std::vector<uint8_t> grey;
  if (colour == JpegColour::kGrey) grey = ToGrey(rgb, pixels);
  const uint8_t* data = colour == JpegColour::kGrey ? grey.data() : rgb.data();

  OutputFile file;
  if (MediaResult r = file.Open(path); !r) return r;
  auto job = std::make_unique<JpegJob>();
  if (!Compress(job.get(), file.Stream(), data, width, height, colour == JpegColour::kGrey ? 1 : 3,
                std::clamp(quality, 1, 100))) {
    if (std::ferror(file.Stream())) return file.StreamFailure(job->savedErrno);
    return MediaResult::Failure("Could not save \"" + path.string() + "\" as JPEG: " + job->text +
                                ". Try saving it as BMP instead.");
  }
  return file.Commit();
}

MediaResult WriteJpeg(const SnapshotSurface& surface, const std::filesystem::path& path,
                      int quality) {
  if (surface.Empty()) return SnapshotSurface::NothingToSave();
  const uint32_t width = surface.Width();
  std::vector<uint8_t> rgb(size_t{width} * surface.Height() * 3);
  uint8_t* out = rgb.data();
  for (uint32_t y = 0; y < surface.Height(); ++y) {
    const uint8_t* in = surface.Row(y);
    for (uint32_t x = 0; x < width; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  return WriteJpegFile(path, rgb, width, surface.Height(), JpegColour::kColour, quality);
}

}  // namespace mirrodex
