#include "image/image_record.h"

#include "big_endian.h"
#include "pagepack_test_util.h"
#include "record_writer.h"

using PagepackImage = PagepackDirTest;

TEST_F(PagepackImage, RecordHoldsHeaderUrlAndBitmap) {
  write("logo.ppm", "P6\n20 10\n255\n" + std::string(20 * 10 * 3, '\xff'));
  needed_record rec{"logo.ppm", kContentImage};
  ASSERT_EQ(104, build_image_record(&rec));
  EXPECT_EQ("00 00 00 14 00 08 00 00 00 1c 00 4c 05 00 00 00 00 4c 00 00 " + text_hex("logo.ppm") +
                " 00 14 00 0a 00 06 00 00 02 01 00 00 00 00 00 00",
            hex(RecordBuffer, 44));
}

TEST_F(PagepackImage, OddNameIsPaddedWithItsNul) {
  write("a.ppm", "P6\n1 1\n255\n\xff\xff\xff");
  needed_record rec{"a.ppm", kContentImage};
  ASSERT_EQ(20 + 6 + 18, build_image_record(&rec));
  EXPECT_EQ(text_hex("a.ppm") + " 00", hex(RecordBuffer + 20, 6));
  EXPECT_EQ(26u, get_be32(RecordBuffer + kDataOffset));
}

TEST_F(PagepackImage, MissingFileGivesTwoZeroBytes) {
  needed_record rec{"b.ppm", kContentImage};
  ASSERT_EQ(28, build_image_record(&rec));
  EXPECT_EQ("00 02", hex(RecordBuffer + kDataLength, 2));
  EXPECT_EQ("00 00 00 02", hex(RecordBuffer + kUncompressedSize, 4));
  EXPECT_EQ("00 00", hex(RecordBuffer + 26, 2));
}

TEST_F(PagepackImage, ImagesThatCannotBeEncodedAreStoredEmptyWithAMessage) {
  // 1024 x 255 at 2 bits per pixel is 65296 bytes with the header: fits; one row more does not.
  write("fits.pgm", "P5\n1024 255\n255\n");
  write("big.pgm", "P5\n1024 256\n255\n");
  write("wide.ppm", "P6\n400 1\n255\n");
  needed_record fits{"fits.pgm", kContentImage};
  EXPECT_EQ(20 + 8 + 16 + 256 * 255, build_image_record(&fits));
  for (const char* name : {"big.pgm", "wide.ppm"}) {
    testing::internal::CaptureStderr();
    needed_record rec{name, kContentImage};
    EXPECT_EQ(20 + 8 + 2, build_image_record(&rec)) << name;
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0u, err.find(std::string("pagepack: ") + name + ": image ")) << err;
    EXPECT_EQ("00 00", hex(RecordBuffer + 28, 2));
  }
}
