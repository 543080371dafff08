// Helpers for the tests of the image options: an image file read whole (greys
// and colours), netpbm rasters written and read back, and netpbm run on them.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "common/grey_levels.h"
#include "image/image_input.h"
#include "support/run_program.h"

// `path` read as pagepack reads it, colours too; false when it cannot be. The
// greys of raw netpbm files are made from their colours, as under -d.
inline bool read_whole(const std::string& path, grey_image* image) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  image->want_rgb = true;
  std::string why;
  fit_check any = [](unsigned long, unsigned long, unsigned, std::string*) { return 0; };
  int r = read_image(f, any, image, &why);
  fclose(f);
  if (image->first_byte_samples)
    for (size_t i = 0; i < image->grey.size(); ++i)
      image->grey[i] = static_cast<unsigned char>(
          luma(image->rgb[3 * i], image->rgb[3 * i + 1], image->rgb[3 * i + 2], 255));
  return r == 0;
}

// A raw greymap (channels 1) or pixmap (3) of 8-bit samples.
inline std::string netpbm_file(const std::vector<unsigned char>& samples, unsigned channels,
                               unsigned width, unsigned height) {
  return std::string(channels == 1 ? "P5" : "P6") + "\n" + std::to_string(width) + " " +
         std::to_string(height) + "\n255\n" + std::string(samples.begin(), samples.end());
}

// The samples of what `command` writes, run in `dir` and made raw 8-bit by
// netpbm itself; empty when it fails or the size is not width x height.
inline std::vector<unsigned char> netpbm_samples(const std::string& command, const std::string& dir,
                                                 unsigned channels, unsigned width,
                                                 unsigned height) {
  RunResult r = run_shell(command + " | pamdepth 255 2>/dev/null | pnmtopnm 2>/dev/null", dir);
  const std::string head = std::string(channels == 1 ? "P5" : "P6") + "\n" +
                           std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  const size_t size = size_t{width} * height * channels;
  if (r.status || r.out.compare(0, head.size(), head) || r.out.size() != head.size() + size)
    return {};
  return std::vector<unsigned char>(r.out.begin() + static_cast<long>(head.size()), r.out.end());
}
