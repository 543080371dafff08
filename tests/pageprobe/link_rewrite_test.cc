#include "link_rewrite.h"

#include <gtest/gtest.h>

#include "support/run_program.h"

namespace {

TEST(PageprobeLinkRewrite, OneSubstitutionPerNamedPage) {
  EXPECT_EQ("s/index=\"00\" flags=04/HREF=\"a.html\"/g\n"
            "s/index=\"02\" flags=04/HREF=\"c.html\"/g\n"
            "s/index=\"0a\" flags=04/HREF=\"k.html\"/g\n",
            rewrite_script({"a.html", "", "c.html", "", "", "", "", "", "", "", "k.html"}));
  EXPECT_EQ("", rewrite_script({}));
}

TEST(PageprobeLinkRewrite, SedSpecialsAreEscaped) {
  EXPECT_EQ("s/index=\"00\" flags=04/HREF=\"a\\/b\\&c\\\\d\\\ne\"/g\n",
            rewrite_script({"a/b&c\\d\ne"}));
}

TEST(PageprobeLinkRewrite, NamesHoldingLinkTextAreLeftOut) {
  testing::internal::CaptureStderr();
  EXPECT_EQ("s/index=\"01\" flags=04/HREF=\"b.html\"/g\n",
            rewrite_script({"x index=\"01\" flags=04", "b.html"}));
  EXPECT_EQ("x index=\"01\" flags=04: name holds index link text, left out of the link rewrite\n",
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

}  // namespace
