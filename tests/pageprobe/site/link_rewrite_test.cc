#include "site/link_rewrite.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/run_program.h"

namespace {

TEST(PageprobeLinkRewrite, OneSubstitutionPerNamedPage) {
  EXPECT_EQ("/flags=04/{\n"
            "s/index=\"00\" flags=04/HREF=\"a.html\"/g\n"
            "s/index=\"02\" flags=04/HREF=\"c.html\"/g\n"
            "s/index=\"0a\" flags=04/HREF=\"k.html\"/g\n"
            "}\n",
            rewrite_script({"a.html", "", "c.html", "", "", "", "", "", "", "", "k.html"}));
  EXPECT_EQ("", rewrite_script({}));
}

TEST(PageprobeLinkRewrite, SedSpecialsAreEscaped) {
  EXPECT_EQ("/flags=04/{\ns/index=\"00\" flags=04/HREF=\"a\\/b\\&c\\\\d\\\ne\"/g\n}\n",
            rewrite_script({"a/b&c\\d\ne"}));
}

TEST(PageprobeLinkRewrite, NamesHoldingLinkTextAreLeftOut) {
  testing::internal::CaptureStderr();
  EXPECT_EQ("/flags=04/{\ns/index=\"01\" flags=04/HREF=\"b.html\"/g\n}\n",
            rewrite_script({"x index=\"01\" flags=04", "b.html"}));
  EXPECT_EQ("pageprobe: x index=\"01\" flags=04: name holds index link text, left out of the link rewrite\n",
            testing::internal::GetCapturedStderr());
}

TEST(PageprobeLinkRewrite, ShellWordsSurviveTheShell) {
  TempDir dir;
  for (std::string word : {"plain", "it's", "$(touch x)", "`touch y`", "a\nb", "'';\"\\"}) {
    RunResult r = run_shell("printf %s " + shell_word(word), dir.path());
    EXPECT_EQ(word, r.out);
  }
  EXPECT_TRUE(list_dir(dir.path()).empty());
}

TEST(PageprobeLinkRewrite, ScriptRewritesEveryNameLiterally) {
  TempDir dir;
  std::vector<std::string> names = {"a&b.html", "c\\1.html", "d/e.html", "f\ng.html",
                                    "\\n&&\\&.html"};
  std::string input, expected;
  for (size_t i = 0; i < names.size(); i++) {
    input += "<A index=\"0" + std::to_string(i) + "\" flags=04>\n";
    expected += "<A HREF=\"" + names[i] + "\">\n";
  }
  write_file(dir.file("x.script"), rewrite_script(names));
  write_file(dir.file("in"), input);
  RunResult r = run_shell("sed -f x.script in", dir.path());
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(expected, r.out);
}

TEST(PageprobeLinkRewrite, CommandEditsTheListedFilesAlone) {
  TempDir dir;
  write_file(dir.file("s.script"), rewrite_script({"a b.html"}));
  // More files than one sed command line takes, names with a blank, a line
  // feed and a folder; a page that is not listed stays as it is.
  const int files = 3000;
  std::string list;
  mkdir(dir.file("d").c_str(), 0755);
  for (int i = 0; i < files; i++) {
    const std::string name = (i % 2 ? "d/p " : "p\n") + std::to_string(i) + ".html";
    write_file(dir.file(name), "<A index=\"00\" flags=04>\n");
    list += name + '\0';
  }
  write_file(dir.file("notes.html"), "<A index=\"00\" flags=04>\n");
  write_file(dir.file("list"), list);
  RunResult r = run_shell(rewrite_command(dir.file("s.script"), dir.file("list")), dir.path());
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("", r.err);
  for (int i = 0; i < files; i++)
    ASSERT_EQ("<A HREF=\"a b.html\">\n",
              read_file(dir.file((i % 2 ? "d/p " : "p\n") + std::to_string(i) + ".html")))
        << i;
  EXPECT_EQ("<A index=\"00\" flags=04>\n", read_file(dir.file("notes.html")));
  EXPECT_EQ(static_cast<size_t>(files / 2 + 4), list_dir(dir.path()).size());  // nothing left over
}

}  // namespace
