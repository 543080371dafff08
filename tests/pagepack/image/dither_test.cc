#include "common/dither.h"

#include <cmath>

#include "common/palm_system_palette.h"
#include "pagepack/image/image_test_util.h"
#include "pagepack_test_util.h"

namespace {

// The mean absolute difference of two images after a 3x3 box blur of each
// (at the edges, of the neighbours there are): what the eye sees of a
// dithered image from a little away.
double blurred_error(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b,
                     unsigned channels, unsigned width, unsigned height) {
  double total = 0;
  for (unsigned y = 0; y < height; ++y)
    for (unsigned x = 0; x < width; ++x)
      for (unsigned c = 0; c < channels; ++c) {
        double sum = 0;  // of a - b over the neighbours there are
        int n = 0;
        for (unsigned ny = y ? y - 1 : 0; ny <= y + 1 && ny < height; ++ny)
          for (unsigned nx = x ? x - 1 : 0; nx <= x + 1 && nx < width; ++nx, ++n) {
            const size_t at = (size_t{ny} * width + nx) * channels + c;
            sum += a[at] - b[at];
          }
        total += std::fabs(sum / n);
      }
  return total / (double(width) * height * channels);
}

std::vector<unsigned char> shades(const std::vector<uint16_t>& values) {
  std::vector<unsigned char> out;
  for (uint16_t v : values) out.push_back(kHandheldGrey[v]);
  return out;
}

std::vector<unsigned char> colours(const std::vector<uint16_t>& values) {
  std::vector<unsigned char> out;
  for (uint16_t v : values) {
    palette_rgb c = system_palette_entry(v);
    out.insert(out.end(), {c.r, c.g, c.b});
  }
  return out;
}

using PagepackDither = PagepackDirTest;

// Photographs and drawings from Debian's packages (make test installs them)
// and the demo site's images: the dithered greys and colours come within 10 %
// of netpbm's own error diffusion (pnmremap -fs) on what the eye sees, and the
// greys beat the fixed bands.
TEST_F(PagepackDither, CloseToNetpbmAndBetterThanTheBands) {
  const char* const images[] = {
      "/usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg",
      "/usr/share/matplotlib/mpl-data/sample_data/Minduka_Present_Blue_Pack.png",
      "/usr/share/matplotlib/mpl-data/sample_data/logo2.png",
      "/usr/share/doc/apache2-doc/manual/images/feather.png",
      PQA_EXAMPLES "/photo.jpg",
      PQA_EXAMPLES "/sun.ppm",
      PQA_EXAMPLES "/badge.png",
      PQA_EXAMPLES "/cloth.gif",
      PQA_EXAMPLES "/logo.pgm",
  };
  const std::string remap = "pnmremap -fs -norandom -mapfile=/usr/share/netpbm/";
  for (const char* path : images) {
    grey_image im;
    ASSERT_TRUE(read_whole(path, &im)) << path << " (make deps installs it)";
    const unsigned w = im.width, h = im.height;
    write("g.pgm", netpbm_file(im.grey, 1, w, h));
    write("c.ppm", netpbm_file(im.rgb, 3, w, h));
    std::vector<unsigned char> theirs_grey =
        netpbm_samples(remap + "palmgray2.map g.pgm", dir_.path(), 1, w, h);
    std::vector<unsigned char> theirs_colour =
        netpbm_samples(remap + "palmcolor8.map c.ppm", dir_.path(), 3, w, h);
    ASSERT_FALSE(theirs_grey.empty() || theirs_colour.empty()) << path;

    std::vector<uint16_t> bands;
    for (unsigned char g : im.grey) bands.push_back(static_cast<uint16_t>(grey_band(g)));
    const double ours = blurred_error(shades(dither_greys(im.grey.data(), w, h)), im.grey, 1, w, h);
    const double netpbm = blurred_error(theirs_grey, im.grey, 1, w, h);
    const double banded = blurred_error(shades(bands), im.grey, 1, w, h);
    const double ours8 =
        blurred_error(colours(dither_palette(im.rgb.data(), w, h)), im.rgb, 3, w, h);
    const double netpbm8 = blurred_error(theirs_colour, im.rgb, 3, w, h);
    printf("%-40s greys %6.2f (pnmremap %6.2f, bands %6.2f)  8-bit %6.2f (pnmremap %6.2f)\n",
           path + std::string(path).rfind('/') + 1, ours, netpbm, banded, ours8, netpbm8);
    EXPECT_LE(ours, 1.10 * netpbm) << path;
    EXPECT_LT(ours, banded) << path;
    EXPECT_LE(ours8, 1.10 * netpbm8) << path;
  }
}

}  // namespace
