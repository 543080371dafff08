// pageprobe against the independent tools: bitmaps from netpbm's pnmtopalm
// export to the pixels palmtopnm decodes; databases written by Palm::PDB and
// by txt2pdbdoc are listed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "bitmap/palm_bitmap_reader.h"
#include "common/palm_bitmap.h"
#include "pagepack/program_test_util.h"
#include "probe_db.h"
#include "support/run_program.h"

using namespace std::string_literals;

namespace {

struct Image {
  std::string magic;
  unsigned width = 0, height = 0;
  std::string pixels;  // raster after the header
};

// Reads a raw netpbm file (P4, P5 or P6); comment lines only after the magic.
Image parse_netpbm(const std::string& file) {
  Image im;
  size_t pos = 0;
  auto word = [&]() {
    while (pos < file.size() && isspace(static_cast<unsigned char>(file[pos]))) pos++;
    size_t start = pos;
    while (pos < file.size() && !isspace(static_cast<unsigned char>(file[pos]))) pos++;
    return file.substr(start, pos - start);
  };
  im.magic = word();
  if (im.magic.size() != 2) return im;
  while (pos + 1 < file.size() && file[pos + 1] == '#') pos = file.find('\n', pos + 1);
  if (pos == std::string::npos) return im;
  im.width = static_cast<unsigned>(std::stoul(word()));
  im.height = static_cast<unsigned>(std::stoul(word()));
  if (im.magic != "P4") word();  // maxval
  im.pixels = file.substr(pos + 1);
  return im;
}

// Compresses uncompressed pixel rows into the scan-line form: a flag byte per
// group of 8 row bytes, a set bit for each byte that differs from the row above.
std::string compress_rows(const std::string& rows, unsigned height, unsigned row_bytes) {
  std::string out;
  for (unsigned i = 0; i < height; i++) {
    for (unsigned g = 0; g < row_bytes; g += 8) {
      unsigned char flag = 0;
      std::string literal;
      for (unsigned j = g; j < g + 8 && j < row_bytes; j++) {
        char byte = rows[i * row_bytes + j];
        if (i == 0 || byte != rows[(i - 1) * row_bytes + j]) {
          flag |= static_cast<unsigned char>(0x80 >> (j - g));
          literal += byte;
        }
      }
      out += static_cast<char>(flag);
      out += literal;
    }
  }
  return out;
}

std::string compressed(const std::string& bmp) {
  unsigned height = (static_cast<unsigned char>(bmp[2]) << 8) | static_cast<unsigned char>(bmp[3]);
  unsigned row_bytes = (static_cast<unsigned char>(bmp[4]) << 8) | static_cast<unsigned char>(bmp[5]);
  std::string c = bmp.substr(0, 16);
  c[6] = static_cast<char>(c[6] | 0x80);
  c += compress_rows(bmp.substr(16), height, row_bytes);
  if (c.size() % 2) c += '\0';  // an icon entry counts whole words
  return c;
}

// A greymap with all four grey levels in its first row.
std::string test_greymap(unsigned width, unsigned height) {
  std::string pgm = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  for (unsigned y = 0; y < height; y++)
    for (unsigned x = 0; x < width; x++)
      pgm += static_cast<char>(y == 0 ? 255 - 85 * (x % 4) : (x * 37 + y * 91) % 256);
  return pgm;
}

class PageprobeInterop : public ::testing::Test {
 protected:
  TempDir dir;

  std::string netpbm(const std::string& command) {
    RunResult r = run_shell(command, dir.path());
    EXPECT_EQ(0, r.status) << command << ": " << r.err;
    return r.out;
  }

  RunResult probe(const std::vector<std::string>& args) {
    return run_program(PAGEPROBE_BIN, args, dir.path());
  }
};

TEST_F(PageprobeInterop, TwoBitBitmapsMatchPalmtopnm) {
  write_file(dir.file("g.pgm"), test_greymap(13, 5));
  std::string palm = netpbm("pnmtopalm -depth 2 g.pgm");
  Image theirs = parse_netpbm(netpbm("pnmtopalm -depth 2 g.pgm | palmtopnm"));
  ASSERT_EQ("P5", theirs.magic);
  ASSERT_EQ(13u * 5u, theirs.pixels.size());
  std::string packed = compressed(palm);
  ASSERT_LT(packed.size(), palm.size() + 16);
  ASSERT_TRUE(write_pqa_db(dir.file("i.pdb"), app_info("1", "I"),
                           {pqa_record(5, "plain.ppm\0", palm),
                            pqa_record(5, "packed.ppm", packed)}));
  RunResult r = probe({"i.pdb"});
  ASSERT_EQ(0, r.status);
  EXPECT_EQ("", r.err);

  Image plain = parse_netpbm(read_file(dir.file("plain.ppm")));
  ASSERT_EQ("P6", plain.magic);
  ASSERT_EQ(16u, plain.width);  // 13 pixels take 4 bytes: 16 positions
  ASSERT_EQ(5u, plain.height);
  ASSERT_EQ(16u * 5u * 3u, plain.pixels.size());
  int levels_seen[4] = {0, 0, 0, 0};
  for (unsigned y = 0; y < 5; y++) {
    for (unsigned x = 0; x < 13; x++) {
      // palmtopnm shows Palm value v as grey 3 - v on a 0..3 scale.
      unsigned v = 3 - static_cast<unsigned char>(theirs.pixels[y * 13 + x]);
      ASSERT_LT(v, 4u);
      levels_seen[v]++;
      for (int c = 0; c < 3; c++)
        EXPECT_EQ(kGreySample[v], static_cast<unsigned char>(plain.pixels[(y * 16 + x) * 3 + c]))
            << x << "," << y;
    }
  }
  for (int v = 0; v < 4; v++) EXPECT_GT(levels_seen[v], 0) << v;
  EXPECT_EQ(read_file(dir.file("plain.ppm")), read_file(dir.file("packed.ppm")));
}

TEST_F(PageprobeInterop, OneBitIconsMatchPalmtopnm) {
  // A checker of 0 and 255 samples, 21 x 6, as a 2-level launcher icon.
  std::string pgm = "P5\n21 6\n255\n";
  for (int y = 0; y < 6; y++)
    for (int x = 0; x < 21; x++) pgm += static_cast<char>(((x / 3 + y) % 2) ? 0 : 255);
  write_file(dir.file("c.pgm"), pgm);
  std::string palm = netpbm("pnmtopalm -depth 1 c.pgm");
  Image theirs = parse_netpbm(netpbm("pnmtopalm -depth 1 c.pgm | palmtopnm"));
  ASSERT_EQ("P4", theirs.magic);
  ASSERT_EQ(3u * 6u, theirs.pixels.size());
  std::string small = icon_entry(compressed(palm));
  ASSERT_TRUE(write_pqa_db(dir.file("i.pdb"), app_info("1", "I", icon_entry(palm), small), {}));
  RunResult r = probe({"i.pdb"});
  ASSERT_EQ(0, r.status);
  EXPECT_EQ("", r.err);

  Image large = parse_netpbm(read_file(dir.file("LgIcon.pnm")));
  ASSERT_EQ(24u, large.width);  // 21 pixels take 3 bytes: 24 positions
  ASSERT_EQ(6u, large.height);
  ASSERT_EQ(24u * 6u * 3u, large.pixels.size());
  int black = 0, white = 0;
  for (unsigned y = 0; y < 6; y++) {
    for (unsigned x = 0; x < 21; x++) {
      bool is_black = (theirs.pixels[y * 3 + x / 8] >> (7 - x % 8)) & 1;
      (is_black ? black : white)++;
      for (int c = 0; c < 3; c++)
        EXPECT_EQ(is_black ? 0 : 255, static_cast<unsigned char>(large.pixels[(y * 24 + x) * 3 + c]))
            << x << "," << y;
    }
  }
  EXPECT_GT(black, 0);
  EXPECT_GT(white, 0);
  EXPECT_EQ(read_file(dir.file("LgIcon.pnm")), read_file(dir.file("SmIcon.pnm")));
}

// A 46 x 20 pixmap of the 230 colours of the system palette, each a 2 x 2
// block, so that rows repeat and runs occur.
std::string palette_pixmap(const Image& palette) {
  std::string ppm = "P6\n46 20\n255\n";
  for (unsigned y = 0; y < 20; y++)
    for (unsigned x = 0; x < 46; x++) ppm += palette.pixels.substr((y / 2 * 23 + x / 2) * 3, 3);
  return ppm;
}

// Checks our export against palmtopnm's pixels (as P6, maxval 255) in its
// first width columns; 1 and 2 bits without colour table in the classic greys.
void expect_same_pixels(const Image& theirs, const Image& ours, bool classic,
                        const std::string& what) {
  ASSERT_EQ(theirs.height, ours.height) << what;
  ASSERT_EQ(theirs.width * theirs.height * 3, theirs.pixels.size()) << what;
  ASSERT_TRUE(classic || ours.width == theirs.width) << what;
  unsigned channels = ours.magic == "P5" ? 1 : 3;
  ASSERT_EQ(ours.width * ours.height * channels, ours.pixels.size()) << what;
  unsigned wrong = 0;
  for (unsigned y = 0; y < theirs.height; y++)
    for (unsigned x = 0; x < theirs.width; x++)
      for (unsigned c = 0; c < channels; c++) {
        auto want = static_cast<unsigned char>(theirs.pixels[(y * theirs.width + x) * 3 + c]);
        if (classic) want = want == 170 ? 160 : want == 85 ? 84 : want;
        wrong += want != static_cast<unsigned char>(
                             ours.pixels[(y * ours.width + x) * channels + c]);
      }
  EXPECT_EQ(0u, wrong) << what;
}

TEST_F(PageprobeInterop, EveryBitmapOfPnmtopalmMatchesPalmtopnm) {
  write_file(dir.file("g.pgm"), test_greymap(13, 5));
  write_file(dir.file("c.ppm"),
             palette_pixmap(parse_netpbm(
                 netpbm("pamcut -width 230 /usr/share/netpbm/palmcolor8.map | ppmtoppm"))));
  write_file(dir.file("few.ppm"), "P6\n5 2\n255\n" + std::string(15, '\xff') +
                                      "\x12\x34\x56\0\0\0\xff\0\0\0\0\xff\0\xff\0"s);
  std::vector<std::string> kinds;
  for (const char* depth : {"1", "2", "4"})
    for (const char* more : {"", " -scanline_compression", " -rle_compression",
                             " -packbits_compression", " -density 144", " -density 108",
                             " -density 144 -rle_compression"})
      kinds.push_back("-depth "s + depth + more + " g.pgm");
  for (const char* more : {"", " -colormap", " -scanline_compression", " -rle_compression",
                           " -packbits_compression", " -transparent '#ff0000'", " -density 144",
                           " -density 144 -packbits_compression"})
    kinds.push_back("-depth 8"s + more + " c.ppm");
  for (const char* more : {"", " -transparent '#ff0000'", " -density 144", " -density 108"})
    kinds.push_back("-depth 16"s + more + " c.ppm");
  kinds.push_back("-depth 4 -colormap few.ppm");
  kinds.push_back("-depth 8 -colormap -rle_compression few.ppm");
  // The compressed flag with compression type 0xFF (none): plain pixels.
  kinds.push_back("-depth 8 -transparent '#ff0000' c.ppm | perl -0777 -pe "
                  "'substr($_, 6, 1) |= chr(128); substr($_, 13, 1) = chr(255)'");

  std::vector<std::string> records;
  std::vector<Image> theirs;
  for (size_t i = 0; i < kinds.size(); i++) {
    const std::string palm = "pnmtopalm " + kinds[i];
    const std::string name = "i" + std::to_string(i);
    records.push_back(pqa_record(5, name + std::string(name.size() % 2, '\0'), netpbm(palm)));
    theirs.push_back(parse_netpbm(netpbm(palm + " | palmtopnm | pamdepth 255 2>&- | ppmtoppm")));
  }
  // A family: each rendition padded to the 4-byte words its next offset counts.
  std::string family;
  for (const char* kind : {"-depth 2 -offset g.pgm", "-depth 8 -rle_compression -offset c.ppm",
                           "-depth 4 -offset g.pgm", "-depth 16 c.ppm"}) {
    family += netpbm("pnmtopalm "s + kind);
    family.resize((family.size() + 3) / 4 * 4, '\0');
  }
  records.push_back(pqa_record(5, "family", family));
  ASSERT_TRUE(write_pqa_db(dir.file("i.pdb"), app_info("1", "I"), records));
  for (const char* sub : {"plain", "source"}) {
    ASSERT_EQ(0, mkdir(dir.file(sub).c_str(), 0700));
    std::vector<std::string> args = {"-v", "../i.pdb"};
    if (sub == "source"s) args.insert(args.begin(), "-s");
    RunResult r = run_program(PAGEPROBE_BIN, args, dir.file(sub));
    ASSERT_EQ(0, r.status);
    EXPECT_EQ("", r.err);
    EXPECT_NE(std::string::npos, r.out.find("rendition 4 at byte")) << r.out;
    if (sub == "source"s) continue;
    for (size_t i = 0; i < kinds.size(); i++) {
      bool classic = kinds[i].find("-depth 1 ") == 0 || kinds[i].find("-depth 2 ") == 0;
      Image ours = parse_netpbm(read_file(dir.file(sub) + "/i" + std::to_string(i)));
      EXPECT_EQ("P6", ours.magic) << kinds[i];
      expect_same_pixels(theirs[i], ours, classic, kinds[i] + " " + sub);
    }
    Image deepest = parse_netpbm(netpbm("pnmtopalm -depth 16 c.ppm | palmtopnm"));
    expect_same_pixels(deepest, parse_netpbm(read_file(dir.file(sub) + "/family")), false, sub);
  }
  // With -s every one comes back as its bitmap, which pagepack stores as it is.
  ASSERT_EQ(0, run_shell("PAGEPACK=" PAGEPACK_BIN " sh rebuild.sh >/dev/null", dir.file("source"))
                   .status);
  ReadDatabase rebuilt = read_database(dir.file("source/Demo"));
  ASSERT_EQ(records.size(), rebuilt.records.size());
  for (size_t i = 0; i < records.size(); i++)
    EXPECT_EQ(records[i], rebuilt.records[i].bytes) << (i < kinds.size() ? kinds[i] : "family");
}

// The icons and the bitmaps of the image records of the demo site packed by
// pagepack with `options`: every rendition (palmtopnm -rendition N) reads to
// the same pixels as by pageprobe's reader, and the rows of each (expanded
// when compressed) are returned, by bitmap and rendition; *depths lists the
// depths of each family, *compressed counts the compressed renditions.
std::map<std::string, std::string> check_packed_demo(const std::string& dir,
                                                     std::vector<std::string> options,
                                                     std::string* depths, int* compressed) {
  options.insert(options.end(), {"Demo", "1.0", "T", "index.html"});
  RunResult r = run_program(PAGEPACK_BIN, options, dir);
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", pagepack_slips(r.err));
  ReadDatabase db = read_database(dir + "/Demo");
  std::vector<std::pair<std::string, std::string>> bitmaps;
  size_t at = 8;  // the icon entries follow the two launcher strings
  for (int i = 0; i < 2; i++) at += 2 + 2 * be16_at(db.app_info, at);
  for (const char* icon : {"LgIcon", "SmIcon"}) {
    bitmaps.emplace_back(icon, db.app_info.substr(at + 2, 2 * be16_at(db.app_info, at)));
    at += 2 + bitmaps.back().second.size();
  }
  for (const ReadRecord& rec : db.records)
    if (rec.bytes[12] == 5) bitmaps.emplace_back(record_url(rec.bytes), record_data(rec.bytes));
  std::map<std::string, std::string> rows;
  for (const auto& b : bitmaps) {
    byte_view data = make_view(b.second.data(), b.second.size());
    std::vector<bitmap_header> family = read_bitmap_family(data, b.first.c_str());
    write_file(dir + "/b.palm", b.second);
    *depths += b.first + ":";
    for (size_t i = 0; i < family.size(); i++) {
      const std::string what = b.first + " rendition " + std::to_string(i + 1);
      palm_pixels p;
      if (!decode_bitmap(data, family[i], what.c_str(), &p)) {
        ADD_FAILURE() << what;
        continue;
      }
      Image ours{"P6", p.width, p.height, ""};
      for (unsigned y = 0; y < p.height; y++)
        for (unsigned x = 0; x < p.width; x++) {
          rgb_colour c = pixel_colour(p, pixel_value(p, x, y));
          ours.pixels += {static_cast<char>(c.r), static_cast<char>(c.g), static_cast<char>(c.b)};
        }
      RunResult theirs = run_shell("palmtopnm -rendition " + std::to_string(i + 1) +
                                       " b.palm | pamdepth 255 2>&- | ppmtoppm", dir);
      expect_same_pixels(parse_netpbm(theirs.out), ours, classic_greys(p), what);
      rows[what] = std::string(p.rows.begin(), p.rows.end());
      *compressed += (family[i].flags & kBmpFlagCompressed) != 0;
      *depths += " " + std::to_string(p.depth);
    }
    *depths += "\n";
  }
  return rows;
}

// Every combination of the image options, with and without -z: each
// rendition reads the same in palmtopnm and in pageprobe, and a compressed
// bitmap holds exactly the rows of the uncompressed one.
TEST_F(PageprobeInterop, PagepackImageOptionsReadAsPalmtopnmReadsThem) {
  RunResult copy = run_shell("cp " PQA_EXAMPLES_DIR "/*.html " PQA_EXAMPLES_DIR "/*.p?m "
                             PQA_EXAMPLES_DIR "/*.gif " PQA_EXAMPLES_DIR "/*.png "
                             PQA_EXAMPLES_DIR "/*.jpg .", dir.path());
  ASSERT_EQ(0, copy.status) << copy.err;
  const struct {
    std::vector<std::string> options;
    const char* colour;  // the depth of the colour renditions
  } sets[] = {{{}, ""},
              {{"-d"}, ""},
              {{"-c", "8"}, " 8"},
              {{"-d", "-c", "16"}, " 16"},
              {{"--fit=50", "-d", "-c", "8"}, " 8"}};
  for (const auto& set : sets) {
    std::string want = "LgIcon: 1\nSmIcon: 1\n", depths, packed_depths;
    for (const char* image : {"logo.pgm", "sun.ppm", "photo.jpg", "cloth.gif", "badge.png"})
      want += std::string(image) + ": 2" + set.colour + "\n";
    int compressed = 0, packed_compressed = 0;
    std::map<std::string, std::string> plain =
        check_packed_demo(dir.path(), set.options, &depths, &compressed);
    std::vector<std::string> z = set.options;
    z.push_back("-z");
    std::map<std::string, std::string> packed =
        check_packed_demo(dir.path(), z, &packed_depths, &packed_compressed);
    EXPECT_EQ(want, depths);
    EXPECT_EQ(depths, packed_depths);
    EXPECT_EQ(0, compressed);
    EXPECT_LE(3, packed_compressed) << want;  // the icons and some images
    EXPECT_TRUE(plain == packed) << want;
  }
}

TEST_F(PageprobeInterop, PalmPdbDatabaseIsListed) {
  // A PQA database written by Palm::PDB: app info, one page, one image.
  write_file(dir.file("w.pl"),
             "use strict; use warnings; use Palm::PDB; use Palm::Raw;\n"
             "my $p = Palm::Raw->new;\n"
             "$p->{name} = 'Perl PQA'; $p->{type} = 'pqa '; $p->{creator} = 'clpr';\n"
             "$p->{attributes}{Backup} = 1; $p->{attributes}{LaunchableData} = 1;\n"
             "$p->{appinfo} = 'lnch' . pack('n n', 3, 0x8001) . pack('n', 2) . \"2.5\\0\"\n"
             "  . pack('n', 3) . \"Perl\\0\\0\" . pack('n n', 0, 0);\n"
             "sub rec { my ($kind, $url, $data) = @_;\n"
             "  return pack('N n N n C C N C C', 20, length $url, 20 + length $url,\n"
             "    length $data, $kind, 0, length $data, 0, 0) . $url . $data; }\n"
             "my $r = $p->append_Record; $r->{id} = 1;\n"
             "$r->{data} = rec(4, 'index.html', \"\\x6b\\x80\");\n"
             "$r = $p->append_Record; $r->{id} = 2;\n"
             "$r->{data} = rec(5, \"dot.ppm\\0\", pack('n n n n C C x6', 8, 1, 2, 0, 1, 1) . \"\\x81\\x00\");\n"
             "$p->Write('perl.pdb');\n");
  RunResult w = run_shell("perl w.pl", dir.path());
  ASSERT_EQ(0, w.status) << w.err;
  RunResult r = probe({"perl.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("", r.err);
  EXPECT_EQ("app_info_size 26\nVersion: 2.5\nTitle: Perl\n"
            "entries\nindex\tsize\tattrs\tcat\tuid\n"
            "Content Type = 4\nCompression Type = 0\nflags = 00000000\nURL: index.html\n\n"
            "Content Type = 5\nCompression Type = 0\nflags = 00000000\nURL: dot.ppm\n\n\n\n",
            r.out);
  EXPECT_EQ("<HTML>\n\t<HEAD>\n\t\t<TITLE>hi</TITLE>\n\t</HEAD>\n\t<BODY>\n\n\t</BODY>\n</HTML>\n",
            read_file(dir.file("index.html")));
  EXPECT_EQ(ppm(8, 1, std::string("\x00\xff\xff\xff\xff\xff\xff\x00", 8)),
            read_file(dir.file("dot.ppm")));
}

TEST_F(PageprobeInterop, Txt2pdbdocDatabaseIsListed) {
  // A Doc database is no PQA, said first; then its 16-byte header record is
  // reported, its text record shows whatever its first bytes say as a header.
  write_file(dir.file("in.txt"), "A short text for the Doc converter.\nSecond line.\n");
  netpbm("txt2pdbdoc 'Doc title' in.txt doc.pdb");
  RunResult r = probe({"doc.pdb"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("pageprobe: doc.pdb: a 'TEXt'/'REAd' database, not a PQA\n"
            "pageprobe: doc.pdb record 0: record of 16 bytes is shorter than its header\n",
            r.err);
  EXPECT_EQ(0u, r.out.find("app_info_size 0\nentries\nindex\tsize\tattrs\tcat\tuid\n\n"
                           "Content Type = "))
      << r.out;
  EXPECT_EQ(r.out.size() - 3, r.out.rfind("\n\n\n")) << r.out;
  EXPECT_EQ((std::vector<std::string>{"doc.pdb", "in.txt"}), list_dir(dir.path()));
}

}  // namespace
