#include "bitmap/png_writer.h"

#include <png.h>

#include <cerrno>
#include <cstring>

#include "message.h"
#include "output_file.h"
#include "probe_state.h"

static bool refuse(const std::string& path, const char* why) {
  message("%s: %s", path.c_str(), why);
  exit_status = 1;
  return false;
}

bool write_png_pixels(FILE* f, unsigned width, unsigned height, bool grey,
                      const std::vector<unsigned char>& samples, std::string* why) {
  const unsigned channels = grey ? 1 : 3;
  if (width == 0 || height == 0) {
    *why = "empty image, no PNG written";
    return false;
  }
  if (samples.size() / channels / width < height) {
    *why = "fewer pixels than the image holds";
    return false;
  }
  // The simplified libpng interface reports errors in image.message instead
  // of jumping out of this function.
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = grey ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
  if (!png_image_write_to_stdio(&image, f, 0, samples.data(),
                                static_cast<png_int_32>(width * channels), nullptr)) {
    *why = image.message;
    png_image_free(&image);
    return false;
  }
  return true;
}

bool write_png(int dir, const std::string& name, const std::string& path, unsigned width,
               unsigned height, const std::vector<unsigned char>& rgb) {
  if (width == 0 || height == 0) return refuse(path, "empty image, no PNG written");
  if (rgb.size() / 3 / width < height) return refuse(path, "fewer pixels than the image holds");
  output_file file;
  if (!file.create(dir, name.c_str(), path)) return refuse(path, strerror(errno));
  std::string why;
  if (!write_png_pixels(file.get(), width, height, false, rgb, &why))
    return refuse(path, why.c_str());
  return file.finish();
}
