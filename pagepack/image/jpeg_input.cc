// JPEG through libjpeg(-turbo), decoded with the library's defaults (as
// jpegtopnm decodes), colour to grey by luma. A file cut short is refused,
// and so is a progressive one of more scans than any encoder writes: each
// scan is a pass over the whole image, so a small file of repeated scans
// would otherwise take minutes.
#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>

#include "image/bitmap_encoder.h"
#include "common/grey_levels.h"
#include "image/image_input.h"

namespace {

// Ten times the scans of libjpeg's own progressive script.
constexpr int kMaxScans = 100;
// A progressive file is held whole, as coefficients (two bytes a sample):
// enough for a 24-megapixel photo in full colour resolution.
constexpr long kMaxMemoryMB = 192;

struct jpeg_reading {
  jpeg_decompress_struct cinfo;  // first, so that a j_common_ptr leads here too
  jpeg_error_mgr err;
  jpeg_progress_mgr progress;
  jmp_buf jump;
  char text[JMSG_LENGTH_MAX];
  bool cut_short;
  const fit_check* fits;
  grey_image* image;
  std::string* why;
  std::vector<unsigned char> row, grey, rgb;
  int result;
};

jpeg_reading* reading_of(j_common_ptr cinfo) {
  return static_cast<jpeg_reading*>(cinfo->client_data);
}

[[noreturn]] void on_error(j_common_ptr cinfo) {
  jpeg_reading* r = reading_of(cinfo);
  if (cinfo->err->msg_code == JERR_NO_BACKING_STORE)
    snprintf(r->text, sizeof r->text, "progressive, and needs more than %ld MB", kMaxMemoryMB);
  else
    cinfo->err->format_message(cinfo, r->text);
  longjmp(r->jump, 1);
}

// Called as the decoder goes; the scan it is in is known by then.
void on_progress(j_common_ptr cinfo) {
  jpeg_reading* r = reading_of(cinfo);
  if (r->cinfo.input_scan_number <= kMaxScans) return;
  snprintf(r->text, sizeof r->text, "more than %d progressive scans", kMaxScans);
  longjmp(r->jump, 1);
}

// The smallest of libjpeg's scalings on decode, M/8, that still gives at
// least the size the image is scaled to.
void choose_decode_scaling(jpeg_decompress_struct* cinfo, const grey_image& image) {
  for (unsigned m = 1; m <= 8; ++m) {
    cinfo->scale_num = m;
    cinfo->scale_denom = 8;
    jpeg_calc_output_dimensions(cinfo);
    if (cinfo->output_width >= image.scaled_width && cinfo->output_height >= image.scaled_height)
      return;
  }
}

// Warnings are quiet; the one for data that ends early marks the file as cut.
void on_message(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) reading_of(cinfo)->cut_short = true;
}

// Everything that may end in the error manager's longjmp; owns no object of
// its own, so that the jump skips no destructor. False when libjpeg gave up.
bool decode(jpeg_reading* r, FILE* f) {
  if (setjmp(r->jump)) return false;
  jpeg_decompress_struct* cinfo = &r->cinfo;
  jpeg_create_decompress(cinfo);  // clears every field but the error manager and client data
  cinfo->progress = &r->progress;
  cinfo->mem->max_memory_to_use = kMaxMemoryMB << 20;
  jpeg_stdio_src(cinfo, f);
  jpeg_read_header(cinfo, TRUE);
  r->result = (*r->fits)(cinfo->image_width, cinfo->image_height, 0, r->why);
  if (r->result < 0) return true;
  if (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK) {
    snprintf(r->text, sizeof r->text, "CMYK images are not read");
    return false;
  }
  cinfo->out_color_space = cinfo->jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
  if (r->image->decode_scaled) choose_decode_scaling(cinfo, *r->image);
  jpeg_start_decompress(cinfo);
  const unsigned width = cinfo->output_width, height = cinfo->output_height;
  const unsigned channels = static_cast<unsigned>(cinfo->output_components);
  if (channels != 1 && channels != 3) {
    snprintf(r->text, sizeof r->text, "%u colour components", channels);
    return false;
  }
  grey_image* image = r->image;
  r->row.resize(size_t{width} * channels);
  r->grey.resize(width);
  r->rgb.resize(image->want_rgb ? size_t{width} * 3 : 0);
  begin_rows(image, width, height);
  while (cinfo->output_scanline < height) {
    unsigned y = cinfo->output_scanline;
    JSAMPROW row = r->row.data();
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) break;
    const unsigned char* p = r->row.data();
    for (unsigned x = 0; x < width; ++x, p += channels)
      r->grey[x] = channels == 1 ? p[0] : static_cast<unsigned char>(luma(p[0], p[1], p[2], 255));
    p = r->row.data();
    for (unsigned x = 0; x < width && image->want_rgb; ++x, p += channels)
      for (unsigned c = 0; c < 3; ++c) r->rgb[size_t{x} * 3 + c] = p[channels == 1 ? 0 : c];
    put_row(image, y, r->grey.data(), r->rgb.data());
  }
  if (r->cut_short || cinfo->output_scanline < height) {
    snprintf(r->text, sizeof r->text, "the file ends inside the image data");
    return false;
  }
  jpeg_finish_decompress(cinfo);
  end_rows(image);
  return true;
}

}  // namespace

int read_jpeg(FILE* f, const fit_check& fits, grey_image* image, std::string* why) {
  std::unique_ptr<jpeg_reading> r(new jpeg_reading());
  r->cinfo.client_data = r.get();
  r->cinfo.err = jpeg_std_error(&r->err);
  r->err.error_exit = on_error;
  r->err.emit_message = on_message;
  r->progress.progress_monitor = on_progress;
  r->fits = &fits;
  r->image = image;
  r->why = why;
  bool ok = decode(r.get(), f);
  jpeg_destroy_decompress(&r->cinfo);
  if (!ok) {
    *why = std::string("unreadable JPEG (") + r->text + ")";
    return kBitmapBadImage;
  }
  return r->result;
}
