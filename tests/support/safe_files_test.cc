// Files and folders made below a folder descriptor: every path that would
// leave the folder or pass a symbolic link is refused, and no existing name
// is ever opened.
#include "safe_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/run_program.h"

namespace {

class SafeFiles : public ::testing::Test {
 protected:
  // top/ holds a folder d, a file f, a link "out" to the folder outside
  // top/, and a link "lf" to a file outside it.
  SafeFiles() : top_(dir_.file("top")) {
    mkdir(top_.c_str(), 0755);
    mkdir((top_ + "/d").c_str(), 0755);
    write_file(top_ + "/f", "mine");
    write_file(dir_.file("outside"), "left alone");
    symlink(dir_.path().c_str(), (top_ + "/out").c_str());
    symlink(dir_.file("outside").c_str(), (top_ + "/lf").c_str());
    fd_ = open_folder(top_.c_str());
  }
  ~SafeFiles() override { close(fd_); }

  // The leaf open_parent_folder finds for path, or "refused: WHY".
  std::string walk(const std::string& path, const folder_walk& how = folder_walk()) {
    std::string leaf, why;
    int fd = open_parent_folder(fd_, path, how, &leaf, &why);
    if (fd < 0) return "refused: " + why;
    close(fd);
    return leaf;
  }

  TempDir dir_;
  std::string top_;
  int fd_;
};

TEST_F(SafeFiles, PathsStayBelowTheFolder) {
  folder_walk plain, make, keep;
  make.make_missing = true;
  folder_identity d;
  int fd = open_folder((top_ + "/d").c_str());
  ASSERT_TRUE(identify_folder(fd, &d));
  close(fd);
  keep.keep_out.emplace_back(d, "the preview's");
  const struct {
    const char* path;
    const folder_walk& how;
    const char* result;
  } cases[] = {
      {"a.html", plain, "a.html"},
      {"./d//a.html", plain, "a.html"},
      {"", plain, "refused: empty path"},
      {"/etc/passwd", plain, "refused: absolute path"},
      {"d/", plain, "refused: names a folder"},
      {"d/../../x", plain, "refused: a .. component"},
      {"nodir/a", plain, "refused: No such file or directory"},
      {"f/a", plain, "refused: f is not a folder"},
      {"out/x", plain, "refused: folder out is a symbolic link, not followed"},
      {"n/m/x.html", make, "x.html"},
      {"out/new/x", make, "refused: folder out is a symbolic link, not followed"},
      {"./d/x", keep, "refused: the preview's"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, walk(c.path, c.how)) << c.path;
  struct stat st;
  EXPECT_EQ(0, stat((top_ + "/n/m").c_str(), &st));  // made on the way
  EXPECT_FALSE(file_exists(dir_.file("new")));        // never through the link
}

TEST_F(SafeFiles, NewFilesNeverOpenAnExistingName) {
  for (const char* name : {"f", "lf", "out", "d"}) {
    errno = 0;
    EXPECT_EQ(-1, create_new_file(fd_, name)) << name;
    EXPECT_EQ(EEXIST, errno) << name;
  }
  EXPECT_EQ("mine", read_file(top_ + "/f"));
  EXPECT_EQ("left alone", read_file(dir_.file("outside")));
  int fd = create_new_file(fd_, "g");
  ASSERT_GE(fd, 0);
  EXPECT_EQ(3, write(fd, "new", 3));
  close(fd);
  EXPECT_EQ("new", read_file(top_ + "/g"));
}

}  // namespace
