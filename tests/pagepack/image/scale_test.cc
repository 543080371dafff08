#include "image/scale.h"

#include <cstdlib>

#include "pagepack/image/image_test_util.h"
#include "pagepack_test_util.h"

namespace {

using PagepackScale = PagepackDirTest;

TEST_F(PagepackScale, EachNewPixelIsTheMeanOfWhatItCovers) {
  // 3 pixels into 2: each new one covers one and a half old ones; rows too.
  const unsigned char px[] = {0, 90, 180, 0, 90, 180};
  EXPECT_EQ("1e 96", hex(scale_area(px, 1, 3, 2, 2, 1).data(), 2));
  EXPECT_EQ("00 5a b4", hex(scale_area(px, 3, 2, 1, 1, 1).data(), 3));
  EXPECT_EQ(102u, scaled_height(600, 400, 153));
  EXPECT_EQ(1u, scaled_height(5000, 1, 153));
}

// A 600 x 400 photograph scaled to the 153 pixels of the screen comes within
// two grey levels on average of netpbm's pamscale.
TEST_F(PagepackScale, CloseToPamscale) {
  RunResult made = run_shell(
      "jpegtopnm /usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg 2>/dev/null | "
      "pamscale -width 600 -height 400 > src.ppm",
      dir_.path());
  ASSERT_EQ(0, made.status) << made.err;
  grey_image image;
  ASSERT_TRUE(read_whole(dir_.file("src.ppm"), &image));
  ASSERT_EQ(600u, image.width);
  std::vector<unsigned char> ours = scale_area(image.grey.data(), 1, 600, 400, 153, 102);
  std::vector<unsigned char> theirs =
      netpbm_samples("pamscale -width 153 src.ppm | ppmtopgm", dir_.path(), 1, 153, 102);
  ASSERT_EQ(ours.size(), theirs.size());
  long total = 0;
  for (size_t i = 0; i < ours.size(); ++i) total += std::abs(ours[i] - theirs[i]);
  const double mean = double(total) / double(ours.size());
  printf("mean difference from pamscale: %.3f levels\n", mean);
  EXPECT_LE(mean, 2.0);
}

}  // namespace
