// Interoperability: databases written by the layer load in Perl's Palm::PDB,
// and databases written by Palm::PDB and by txt2pdbdoc read back through the
// layer with the values Palm::PDB reports for them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "pdb_test_util.h"
#include "pi-file.h"
#include "support/run_program.h"

namespace {

std::string hex(const void* data, size_t size) {
  std::string out;
  char two[3];
  for (size_t i = 0; i < size; ++i) {
    std::snprintf(two, sizeof two, "%02x", static_cast<const unsigned char*>(data)[i]);
    out += two;
  }
  return out;
}

// What pdb_dump.pl prints, as the layer sees the database. Palm::PDB knows
// only the attribute bits 0x83FF, and it gives deleted or busy records
// (attributes 0x80, 0x20) no category, which pdb_dump.pl prints as 0.
std::string layer_dump(const std::string& path) {
  pi_file_t* pf = pi_file_open(path.c_str());
  if (pf == nullptr) return "(pi_file_open failed)";
  DBInfo info;
  pi_file_get_info(pf, &info);
  char line[256];
  std::string out;
  out += std::string("name=") + info.name + "\n";
  out += std::string("type=") + printlong(info.type) + "\n";
  out += std::string("creator=") + printlong(info.creator) + "\n";
  std::snprintf(line, sizeof line, "flags=0x%04x\nversion=%u\nctime=%lld\nmtime=%lld\nbaktime=%lld\n",
                info.flags & 0x83FF, info.version, static_cast<long long>(info.createDate),
                static_cast<long long>(info.modifyDate), static_cast<long long>(info.backupDate));
  out += line;
  void* data = nullptr;
  size_t size = 0;
  pi_file_get_app_info(pf, &data, &size);
  out += "appinfo=" + hex(data, size) + "\n";
  int n = 0;
  pi_file_get_entries(pf, &n);
  out += "records=" + std::to_string(n) + "\n";
  for (int i = 0; i < n; ++i) {
    int attrs = 0, category = 0;
    recordid_t uid = 0;
    if (pi_file_read_record(pf, i, &data, &size, &attrs, &category, &uid) < 0) {
      out += "(pi_file_read_record failed)\n";
      continue;
    }
    std::snprintf(line, sizeof line, "record id=%lu attrs=0x%02x cat=%d size=%zu data=", uid,
                  attrs, (attrs & 0xA0) ? 0 : category, size);
    out += line + hex(data, size) + "\n";
  }
  pi_file_close(pf);
  return out;
}

std::string palm_pdb_dump(const std::string& path) {
  RunResult r = run_shell("perl " + shell_quote(PDB_DUMP) + " " + shell_quote(path), "/");
  EXPECT_EQ(0, r.status) << r.err;
  return r.out;
}

TEST(PdbInterop, LayerDatabaseLoadsInPalmPdb) {
  TempDir dir;
  const std::string path = dir.file("made by layer");
  DBInfo info = make_info("Interop 31 characters long name");
  info.flags = dlpDBFlagClipping | dlpDBFlagBackup | dlpDBFlagHidden | dlpDBFlagNewer;
  info.version = 7;
  info.createDate = 946684800;
  info.modifyDate = 1234567890;
  info.backupDate = -2082844800;
  pi_file_t* pf = pi_file_create(path.c_str(), &info);
  ASSERT_NE(nullptr, pf);
  std::string app("lnch\x00\x03\x80\x01", 8);
  ASSERT_EQ(0, pi_file_set_app_info(pf, &app[0], app.size()));
  std::string r0("\x00\x14page", 6), r1("x"), r2(300, '\xab');
  ASSERT_EQ(0, pi_file_append_record(pf, &r0[0], r0.size(), 0, 0, 1));
  ASSERT_EQ(0, pi_file_append_record(pf, &r1[0], r1.size(), 0x50, 9, 0xFFFFFF));
  ASSERT_EQ(0, pi_file_append_record(pf, &r2[0], r2.size(), 0x80, 0, 0x10203));
  ASSERT_EQ(0, pi_file_close(pf));

  std::string expected =
      "name=Interop 31 characters long name\n"
      "type=DATA\ncreator=tstC\nflags=0x0318\nversion=7\n"
      "ctime=946684800\nmtime=1234567890\nbaktime=-2082844800\n"
      "appinfo=6c6e636800038001\nrecords=3\n"
      "record id=1 attrs=0x00 cat=0 size=6 data=001470616765\n"
      "record id=16777215 attrs=0x50 cat=9 size=1 data=78\n"
      "record id=66051 attrs=0x80 cat=0 size=300 data=";
  for (int i = 0; i < 300; ++i) expected += "ab";
  expected += "\n";
  EXPECT_EQ(expected, palm_pdb_dump(path));
}

TEST(PdbInterop, PalmPdbDatabaseReadsInLayer) {
  TempDir dir;
  write_file(dir.file("w.pl"),
             "use strict; use warnings; use Palm::PDB; use Palm::Raw;\n"
             "my $p = Palm::Raw->new;\n"
             "$p->{name} = 'Perl made'; $p->{type} = 'DATA'; $p->{creator} = 'prlW';\n"
             "$p->{attributes}{Backup} = 1; $p->{attributes}{LaunchableData} = 1;\n"
             "$p->{attributes}{ReadOnly} = 1;\n"
             "$p->{version} = 3; $p->{ctime} = 1100000000; $p->{baktime} = 1300000000;\n"
             "$p->{appinfo} = \"\\x01\\x02app\";\n"
             "my $r = $p->append_Record; $r->{id} = 0xABCDEF; $r->{category} = 7;\n"
             "$r->{attributes}{Secret} = 1; $r->{data} = 'one';\n"
             "$r = $p->append_Record; $r->{id} = 5; $r->{category} = 15;\n"
             "$r->{data} = \"two\\x00\\xff\";\n"
             "$r = $p->append_Record; $r->{id} = 6; $r->{data} = 'three';\n"
             "$p->Write('perl.pdb');\n");
  RunResult r = run_shell("perl w.pl", dir.path());
  ASSERT_EQ(0, r.status) << r.err;

  const std::string theirs = palm_pdb_dump(dir.file("perl.pdb"));
  EXPECT_EQ(theirs, layer_dump(dir.file("perl.pdb")));
  // The comparison must rest on real values, not on two empty dumps.
  EXPECT_NE(std::string::npos, theirs.find("name=Perl made\n"));
  EXPECT_NE(std::string::npos, theirs.find("flags=0x020a\n"));
  EXPECT_NE(std::string::npos, theirs.find("baktime=1300000000\n"));
  EXPECT_NE(std::string::npos, theirs.find("appinfo=0102617070\n"));
  EXPECT_NE(std::string::npos, theirs.find("id=11259375 attrs=0x50 cat=7 size=3 data=6f6e65\n"));
  EXPECT_NE(std::string::npos, theirs.find("cat=15 size=5 data=74776f00ff\n"));
}

TEST(PdbInterop, Txt2pdbdocDatabaseReadsInLayer) {
  TempDir dir;
  write_file(dir.file("in.txt"), "A short text for the Doc converter.\nSecond line.\n");
  RunResult r = run_shell("txt2pdbdoc 'Doc title' in.txt doc.pdb", dir.path());
  ASSERT_EQ(0, r.status) << r.err;

  const std::string theirs = palm_pdb_dump(dir.file("doc.pdb"));
  EXPECT_EQ(theirs, layer_dump(dir.file("doc.pdb")));
  EXPECT_NE(std::string::npos, theirs.find("name=Doc title\ntype=TEXt\ncreator=REAd\n"));
  EXPECT_EQ(std::string::npos, theirs.find("records=0\n"));
}

TEST(PdbInterop, PalmPdbResourceDatabaseOpensWithoutRecords) {
  TempDir dir;
  write_file(dir.file("w.pl"),
             "use strict; use warnings; use Palm::PDB; use Palm::Raw;\n"
             "my $p = Palm::Raw->new;\n"
             "$p->{name} = 'Resources'; $p->{type} = 'appl'; $p->{creator} = 'prlR';\n"
             "$p->{attributes}{ResDB} = 1; $p->{appinfo} = 'AI';\n"
             "push @{$p->{resources}}, {type => 'code', id => 1, data => 'abcdef'};\n"
             "push @{$p->{resources}}, {type => 'tAIN', id => 1000, data => 'name'};\n"
             "$p->Write('res.prc');\n");
  RunResult r = run_shell("perl w.pl", dir.path());
  ASSERT_EQ(0, r.status) << r.err;

  pi_file_t* pf = pi_file_open(dir.file("res.prc").c_str());
  ASSERT_NE(nullptr, pf);
  DBInfo info;
  pi_file_get_info(pf, &info);
  EXPECT_STREQ("Resources", info.name);
  EXPECT_EQ(static_cast<unsigned>(dlpDBFlagResource), info.flags & dlpDBFlagResource);
  EXPECT_STREQ("prlR", printlong(info.creator));
  void* data = nullptr;
  size_t size = 0;
  pi_file_get_app_info(pf, &data, &size);
  EXPECT_EQ("AI", std::string(static_cast<char*>(data), size));
  int n = 0;
  pi_file_get_entries(pf, &n);
  EXPECT_EQ(2, n);
  for (int i = 0; i < n; ++i)
    EXPECT_GT(0, pi_file_read_record(pf, i, &data, &size, nullptr, nullptr, nullptr)) << i;
  EXPECT_EQ(0, pi_file_close(pf));
}

}  // namespace
