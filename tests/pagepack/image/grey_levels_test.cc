// The grey of a colour and of a transparent pixel, sample for sample against
// ppmtopgm and pngtopnm -mix themselves, at 8 and at 16 bits.
#include "common/grey_levels.h"

#include <random>
#include <sstream>

#include "pagepack_test_util.h"

namespace {

using PagepackGreyLevels = PagepackDirTest;

// The samples of the plain netpbm file that `command` writes.
std::vector<unsigned> plain_samples(const std::string& command, const std::string& dir) {
  RunResult r = run_shell(command + " | pnmtopnm -plain", dir);
  EXPECT_EQ(0, r.status) << command << r.err;
  std::istringstream in(r.out);
  std::string magic;
  unsigned w, h, maxval, v;
  in >> magic >> w >> h >> maxval;
  std::vector<unsigned> samples;
  while (in >> v) samples.push_back(v);
  return samples;
}

TEST_F(PagepackGreyLevels, SameAsNetpbm) {
  std::mt19937 random(11);
  for (unsigned maxval : {255u, 65535u}) {
    const int n = 3000;
    std::vector<unsigned> px(4 * n);
    for (unsigned& s : px) s = random() % (maxval + 1);
    std::ostringstream ppm, pam;
    ppm << "P3\n" << n << " 1\n" << maxval << "\n";
    pam << "P7\nWIDTH " << n << "\nHEIGHT 1\nDEPTH 4\nMAXVAL " << maxval
        << "\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::string raster;
    for (int i = 0; i < 4 * n; ++i) {
      if (i % 4 < 3) ppm << px[i] << " ";
      if (maxval > 255) raster += static_cast<char>(px[i] >> 8);
      raster += static_cast<char>(px[i]);
    }
    write("c.ppm", ppm.str());
    write("c.pam", pam.str() + raster);
    std::vector<unsigned> lumas = plain_samples("ppmtopgm c.ppm", dir_.path());
    std::vector<unsigned> mixed = plain_samples(
        "pamtopng c.pam > c.png && pngtopnm -mix -background=white c.png", dir_.path());
    ASSERT_EQ(size_t{n}, lumas.size());
    ASSERT_EQ(size_t{3 * n}, mixed.size());
    for (int i = 0; i < n; ++i) {
      const unsigned* p = &px[4 * i];
      ASSERT_EQ(lumas[i], luma(p[0], p[1], p[2], maxval)) << maxval << " pixel " << i;
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(mixed[3 * i + c], over_white(p[c], p[3], maxval)) << maxval << " pixel " << i;
    }
  }
}

TEST_F(PagepackGreyLevels, RescaledToEightBitsRounded) {
  struct Case {
    unsigned sample, maxval, want;
  } cases[] = {{15, 15, 255}, {7, 15, 119}, {32768, 65535, 128}, {32767, 65535, 127},
               {1, 1, 255},   {200, 255, 200}, {99, 65535, 0}};
  for (const Case& c : cases) EXPECT_EQ(c.want, to_8bit(c.sample, c.maxval)) << c.sample;
}

}  // namespace
